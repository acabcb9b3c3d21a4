// Times what a long history and huge results cost on the main thread: announcing a history of 10000
// entries to the tray menu and building its Recent Captures submenu when the menu opens; and, through
// the application delegate, delivering a 1 MB and a 10000-line result, storing 10000 more items, preparing
// the menu and showing the history window. The delegate runs on the in-memory platform of the unit tests
// (no X display needed: QT_QPA_PLATFORM=offscreen unless set). Prints the median and range over RUNS
// rounds. Run it through bench/history-bench.
#include "appdelegate.h"
#include "fakeplatform.h"
#include "fakerecognitionengine.h"
#include "globalshortcuts.h"
#include "historyviewmodel.h"
#include "historywindow.h"
#include "memoryuserdefaults.h"
#include "recognitionenginepool.h"
#include "settingsviewmodel.h"
#include "statusitemcontroller.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

using Figures = std::map<std::string, QList<double>>;

double elapsedMs(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

QList<HistoryItem> longHistory(double firstTimestamp)
{
    QList<HistoryItem> items;
    items.append(HistoryItem{firstTimestamp, {QString(1 << 20, u'x')}, std::nullopt});
    for (int i = 1; i < 10000; ++i)
        items.append(
            HistoryItem{firstTimestamp + i, {QStringLiteral("line %1").arg(i), "more"}, std::nullopt});
    return items;
}

void timeTheTrayMenu(Figures& figures)
{
    MemoryUserDefaults defaults;
    SettingsViewModel settings{defaults};
    FakeSpeechSynthesizer synthesizer;
    FakeLanguageRecognizer recognizer;
    HistoryViewModel history{settings, synthesizer, recognizer};
    FakePasteboard pasteboard;
    GlobalShortcuts::resetModuleState();
    GlobalShortcuts::setUserDefaults(&defaults);
    {
        StatusItemController controller{history, pasteboard};
        controller.setUp(GlobalShortcuts::Name(QStringLiteral("toggleScreenCaptureMode")));
        const QList<HistoryItem> items = longHistory(1);
        QElapsedTimer timer;
        timer.start();
        history.setItems(items);
        figures["menu: 10000 entries announced"].append(elapsedMs(timer));
        timer.restart();
        controller.menuWillOpen();
        figures["menu: submenu built on opening"].append(elapsedMs(timer));
        if (controller.historyItem()->menu()->actions().size() != 10000)
            std::fprintf(stderr, "the submenu does not hold the 10000 entries\n");
    }
    GlobalShortcuts::setUserDefaults(nullptr);
}

void timeTheDelegate(Figures& figures)
{
    FakePlatform fakes;
    fakes.screens->screenList = {{QStringLiteral("ONE"), QRectF(0, 0, 1280, 800), 1.0, 1}};
    auto pool = std::make_shared<RecognitionEnginePool>(
        FakeRecognitionEngine::factory(std::make_shared<FakeRecognitionRecord>(), {}), 1);
    AppDelegate delegate(fakes.platform, pool);
    delegate.applicationDidFinishLaunching();

    QElapsedTimer timer;
    timer.start();
    delegate.handleRecognizedText(CaptureItem{{QString(1 << 20, u'w')}, std::nullopt});
    QStringList manyLines;
    for (int i = 0; i < 10000; ++i)
        manyLines << QStringLiteral("line %1").arg(i);
    delegate.handleRecognizedText(CaptureItem{manyLines, std::nullopt});
    delegate.handleRecognizedText(CaptureItem{{QString()}, std::nullopt});
    figures["delegate: 1 MB and 10000-line results"].append(elapsedMs(timer));

    HistoryViewModel& history = delegate.historyViewModel();
    QList<HistoryItem> items = history.items().value();
    for (int i = 0; i < 10000; ++i)
        items.append(
            HistoryItem{1e9 + i, {QStringLiteral("capture %1").arg(i), "second line"}, std::nullopt});
    timer.restart();
    history.setItems(items);
    figures["delegate: 10003 items stored"].append(elapsedMs(timer));
    timer.restart();
    delegate.statusItemController().menuWillOpen();
    figures["delegate: menu prepared"].append(elapsedMs(timer));
    timer.restart();
    delegate.showHistory();
    QWindow* window = delegate.historyWindow()->windowHandle();
    while (!(window && window->isExposed()) && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window = delegate.historyWindow()->windowHandle();
    }
    figures["delegate: history window shown"].append(elapsedMs(timer));
}

void report(const std::string& what, QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf("%-40s median %8.1f ms   min %8.1f   max %8.1f   (%lld runs)\n", what.c_str(), median,
                values.first(), values.last(), static_cast<long long>(n));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        timeTheTrayMenu(figures);
        timeTheDelegate(figures);
    }
    for (const auto& [what, values] : figures)
        report(what, values);
    return 0;
}
