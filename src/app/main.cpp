#include "appdelegate.h"
#include "oculoversion.h"
#include "platformloader.h"
#include "translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <cstring>

namespace {

// Options that are answered without a display: the process then needs no GUI at all.
bool wantsConsoleOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        for (const char* option : {"-h", "--help", "-v", "--version", "--help-all"}) {
            if (std::strcmp(argument, option) == 0)
                return true;
        }
    }
    return false;
}

void describe(QCoreApplication& application, QCommandLineParser& parser)
{
    application.setApplicationName(QString::fromUtf8(OculoVersion::name));
    application.setApplicationVersion(QString::fromUtf8(OculoVersion::shortVersion));
    parser.setApplicationDescription(
        QStringLiteral("Copies text visible anywhere on the screen to the clipboard.\n"
                       "Runs in the system tray; press Shift+Ctrl+2 and drag over any text."));
    parser.addHelpOption();
    parser.addVersionOption();
}

} // namespace

int main(int argc, char** argv)
{
    if (wantsConsoleOnly(argc, argv)) {
        QCoreApplication application(argc, argv);
        QCommandLineParser parser;
        describe(application, parser);
        parser.process(application);
        return 0;
    }

    QApplication application(argc, argv);
    QCommandLineParser parser;
    describe(application, parser);
    application.setDesktopFileName(QString::fromUtf8(OculoVersion::identifier));
    application.setQuitOnLastWindowClosed(false);
    parser.process(application);

    installTranslations(application);
    auto platform = loadPlatform();
    AppDelegate delegate(*platform);
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
