// The libFuzzer program of one fuzz target, chosen at compile time with OCULO_FUZZ_TARGET (the name
// of its FuzzTargets::Target object). The application object is made once, on the offscreen platform
// unless another is asked for; Qt's and Oculo's log output is dropped, as libFuzzer's own is what counts.
#include "fuzztargets.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#ifndef OCULO_FUZZ_TARGET
#error "OCULO_FUZZ_TARGET names the target this program runs"
#endif

namespace {

void dropMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        fprintf(stderr, "%s\n", qPrintable(message));
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(&dropMessage);
    // Qt gets arguments of its own: libFuzzer's options are none of its business.
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    static QGuiApplication application(qtArgc, qtArgv);
    FuzzTargets::OCULO_FUZZ_TARGET.setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzTargets::OCULO_FUZZ_TARGET.run(QByteArrayView(data, qsizetype(size)));
    return 0;
}
