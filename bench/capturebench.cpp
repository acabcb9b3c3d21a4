// Times a capture on a real X display: from startCapture to the overlay's first paint, and from the
// release of the mouse button to the text on the clipboard, for a 5-line paragraph in a 14 px UI font.
// Prints the median and the range over the runs, and exits with 1 when a run did not put exactly the
// paragraph on the clipboard. Run it through bench/capture-bench; the test suite runs it with 2 runs.
// The paragraph's window belongs to a second process (this program with --text-window): Oculo takes its
// own windows out of the way of a capture, and that window is a client's like any other.
#include "appdelegate.h"
#include "appkitviewmodel.h"
#include "capturewindow.h"
#include "fakeurlopener.h"
#include "platform.h"
#include "platformloader.h"
#include "recognitionenginepool.h"
#include "tesseractengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

const QStringList paragraph{
    QStringLiteral("Oculo reads the text under the rectangle you drag"),
    QStringLiteral("and puts it on the clipboard as plain lines, ready"),
    QStringLiteral("to paste into a terminal, an editor or a browser."),
    QStringLiteral("It works on web pages, documents, videos and images"),
    QStringLiteral("and keeps a short history of what it has read."),
};

// Shows the paragraph and, once it is painted, prints the text's area (x y width height) on one line.
class TextWindow : public QWidget {
public:
    TextWindow()
    {
        setWindowFlag(Qt::FramelessWindowHint);
        m_font = QFont(QStringLiteral("DejaVu Sans"));
        m_font.setPixelSize(14);
        setGeometry(100, 100, 480, 160);
    }
    QRect textArea() const
    {
        const QFontMetrics metrics(m_font);
        int width = 0;
        for (const QString& line : paragraph)
            width = std::max(width, metrics.horizontalAdvance(line));
        return QRect(12, 12, width + 16, lineHeight() * int(paragraph.size()) + 16)
            .translated(geometry().topLeft());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!m_painted) {
            m_painted = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    const QRect area = textArea();
                    std::printf("%d %d %d %d\n", area.x(), area.y(), area.width(), area.height());
                    std::fflush(stdout);
                },
                Qt::QueuedConnection);
        }
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setFont(m_font);
        painter.setPen(QColor(30, 30, 30));
        for (int i = 0; i < paragraph.size(); ++i)
            painter.drawText(20, 20 + i * lineHeight() + QFontMetrics(m_font).ascent(), paragraph.at(i));
    }

private:
    int lineHeight() const { return QFontMetrics(m_font).height() + 5; }
    QFont m_font;
    bool m_painted = false;
};

int showTextWindow(QApplication& app)
{
    TextWindow window;
    window.show();
    return app.exec();
}

// Records when a widget is painted.
class PaintWatcher : public QObject {
public:
    QElapsedTimer* clock = nullptr;
    qint64 paintedAt = -1;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && paintedAt < 0)
            paintedAt = clock->nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }
};

void run(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    while (!process.waitForFinished(1))
        QCoreApplication::processEvents();
}

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void report(const char* what, QList<double> values)
{
    std::sort(values.begin(), values.end());
    if (values.isEmpty())
        return;
    const double median = values.size() % 2 ? values[values.size() / 2]
                                            : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
    std::printf("%-34s median %7.1f ms   min %7.1f   max %7.1f   (%lld runs)\n", what, median, values.first(),
                values.last(), static_cast<long long>(values.size()));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--text-window")
        return showTextWindow(app);
    app.setQuitOnLastWindowClosed(false);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

    auto platform = loadPlatform();
    // Its settings folder is new each time: without this, the welcome window of a first start would
    // run modally before the first capture.
    platform->isFirstLaunch = false;
    platform->userDefaults->setBool(QStringLiteral("playSound"), false);
    platform->urlOpener = std::make_unique<FakeUrlOpener>();
    auto pool = std::make_shared<RecognitionEnginePool>([] { return std::make_unique<TesseractEngine>(); });
    AppDelegate delegate(*platform, pool);
    delegate.applicationDidFinishLaunching();

    QProcess textWindow;
    textWindow.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    textWindow.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--text-window")});
    QElapsedTimer shown;
    shown.start();
    while (!textWindow.canReadLine() && textWindow.state() != QProcess::NotRunning && shown.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const QList<QByteArray> numbers = textWindow.readLine().simplified().split(' ');
    if (numbers.size() != 4) {
        std::fprintf(stderr, "capturebench: the paragraph's window did not show\n");
        return 1;
    }
    const QRect area(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
    settle(300);
    const QString expected = paragraph.join(u'\n');

    QElapsedTimer clock;
    clock.start();
    PaintWatcher watcher;
    watcher.clock = &clock;
    for (QWidget* child : delegate.captureWindow()->findChildren<QWidget*>())
        child->installEventFilter(&watcher);
    delegate.captureWindow()->installEventFilter(&watcher);

    QList<double> toOverlay;
    QList<double> toClipboard;
    int wrong = 0;
    for (int i = 0; i < runs; ++i) {
        platform->pasteboard->setString(QStringLiteral("before"));
        run({"mousemove", QString::number(area.left()), QString::number(area.top())});
        settle(100);
        watcher.paintedAt = -1;
        const qint64 started = clock.nsecsElapsed();
        delegate.startCapture();
        while (watcher.paintedAt < 0 && clock.nsecsElapsed() - started < 30'000'000'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        toOverlay.append((watcher.paintedAt - started) / 1e6);
        settle(100);
        run({"mousedown", "1"});
        run({"mousemove", QString::number(area.center().x()), QString::number(area.center().y())});
        run({"mousemove", QString::number(area.right()), QString::number(area.bottom())});
        settle(50);
        const qint64 released = clock.nsecsElapsed();
        run({"mouseup", "1"});
        while (platform->pasteboard->string() == QStringLiteral("before") &&
               clock.nsecsElapsed() - released < 60'000'000'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        toClipboard.append((clock.nsecsElapsed() - released) / 1e6);
        if (platform->pasteboard->string() != expected)
            ++wrong;
        settle(100);
    }
    report("startCapture to overlay painted", toOverlay);
    report("mouse release to clipboard", toClipboard);
    std::printf("clipboard held the exact paragraph in %d of %d runs\n", runs - wrong, runs);
    textWindow.terminate();
    textWindow.waitForFinished(10000);
    return wrong == 0 ? 0 : 1;
}
