// A whole capture on a real X display: the real screens, display image, window list, clipboard and OCR
// engine, driven by xdotool like a person with a mouse; only the URL opener is a fake. The window with
// the text belongs to a second process (this program with --text-window): Oculo takes its own windows
// out of the way of a capture.
#include "appdelegate.h"
#include "appkitviewmodel.h"
#include "capturewindow.h"
#include "fakeurlopener.h"
#include "platform.h"
#include "platformloader.h"
#include "recognitionenginepool.h"
#include "recordingengine.h"
#include "settingsviewmodel.h"
#include "tesseractengine.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QCursor>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <xcb/xcb.h>

class TestCaptureEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    std::unique_ptr<Platform> m_platform;
    FakeUrlOpener* m_urlOpener = nullptr;
    std::shared_ptr<RecordedImages> m_record = std::make_shared<RecordedImages>();
    std::unique_ptr<AppDelegate> m_delegate;
    QProcess m_textWindow;
    QRect m_text; // the text in global coordinates

    QRect textArea(int margin) const { return m_text.adjusted(-margin, -margin, margin, margin); }

    void drag(QPoint from, QPoint to, const std::function<void()>& beforeRelease = {},
              const QString& shots = {})
    {
        QVERIFY(runXdotool({"mousemove", QString::number(from.x()), QString::number(from.y())}));
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), from, 30000);
        m_delegate->startCapture();
        const CaptureWindow* overlay = m_delegate->captureWindow();
        QTRY_VERIFY_WITH_TIMEOUT(
            overlay->isVisible() && overlay->hasPointerGrab() && overlay->hasKeyboardGrab(), 30000);
        if (!shots.isEmpty())
            screenshot(shots + QStringLiteral("-waiting.png"));
        QVERIFY(runXdotool({"mousedown", "1"}));
        QTest::qWait(50);
        for (int step = 1; step <= 4; ++step) {
            const QPoint p = from + (to - from) * step / 4;
            QVERIFY(runXdotool({"mousemove", QString::number(p.x()), QString::number(p.y())}));
            QTest::qWait(30);
        }
        if (!shots.isEmpty())
            screenshot(shots + QStringLiteral("-dragging.png"));
        if (beforeRelease)
            beforeRelease();
        QVERIFY(runXdotool({"mouseup", "1"}));
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("No X display: run through scripts/test, which starts Xvfb");
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        m_platform = loadPlatform();
        m_platform->isFirstLaunch = false; // no welcome window in the way
        m_platform->userDefaults->setBool(QStringLiteral("playSound"), false);
        auto opener = std::make_unique<FakeUrlOpener>();
        m_urlOpener = opener.get();
        m_platform->urlOpener = std::move(opener);
        auto record = m_record;
        auto pool = std::make_shared<RecognitionEnginePool>([record] {
            return std::make_unique<RecordingEngine>(std::make_unique<TesseractEngine>(), record);
        });
        m_delegate = std::make_unique<AppDelegate>(*m_platform, pool);
        m_delegate->applicationDidFinishLaunching();

        m_textWindow.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_textWindow.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--text-window")});
        QVERIFY(QTest::qWaitFor(
            [&] { return m_textWindow.canReadLine() || m_textWindow.state() == QProcess::NotRunning; },
            60000));
        const QList<QByteArray> numbers = m_textWindow.readLine().simplified().split(' ');
        QCOMPARE(numbers.size(), 4);
        m_text = QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
        QTRY_VERIFY_WITH_TIMEOUT(screenShowsText(m_text), 30000);
    }

    void aDragOverTextPutsExactlyItsLinesOnTheClipboard()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage before = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const QRect area = textArea(8);
        const int recordedBefore = int(m_record->snapshot().size());

        drag(area.topLeft(), area.bottomRight() + QPoint(1, 1), {}, QStringLiteral("x11-capture"));
        QTRY_COMPARE_WITH_TIMEOUT(m_platform->pasteboard->string().value_or(QString()), paragraph.join(u'\n'),
                                  60000);
        QCOMPARE(clipboardThroughXclip(), paragraph.join(u'\n'));
        QVERIFY(!m_delegate->captureWindow()->isVisible());
        QCOMPARE(m_delegate->settingsViewModel().numberOfCaptures().value(), 1);

        // The crop is the screen as it was before the overlay came up: none of Oculo's pixels.
        const QList<QImage> images = m_record->snapshot();
        QCOMPARE(int(images.size()), recordedBefore + 1);
        const QRect selected(area.topLeft(), area.bottomRight() + QPoint(1, 1));
        QCOMPARE(images.last().convertToFormat(QImage::Format_RGB32),
                 before.copy(QRect(selected.topLeft(), selected.size() - QSize(1, 1))));
    }

    void withCtrlHeldTheTextIsSearchedAndTheClipboardKept()
    {
        m_platform->pasteboard->setString(QStringLiteral("kept"));
        const qsizetype opened = m_urlOpener->openedUrls.size();
        const QRect area = textArea(8);
        const QRect firstLine(area.topLeft(), QSize(area.width(), 26));
        drag(firstLine.topLeft(), firstLine.bottomRight(), [] { runXdotool({"keydown", "ctrl"}); });
        QTRY_COMPARE_WITH_TIMEOUT(m_urlOpener->openedUrls.size(), opened + 1, 60000);
        runXdotool({"keyup", "ctrl"});
        const QString expected =
            m_delegate->settingsViewModel().searchEngineTemplate().value().value_or(QString()) +
            QStringLiteral("Drag%20a%20rectangle%20over%20any%20text%20on%20the%20screen%2C");
        QCOMPARE(m_urlOpener->openedUrls.last().toString(QUrl::FullyEncoded), expected);
        QCOMPARE(m_platform->pasteboard->string(), QStringLiteral("kept"));
        QCOMPARE(clipboardThroughXclip(), QStringLiteral("kept"));
    }

    void escapeDuringADragCancelsWithoutRecognition()
    {
        const int recordedBefore = int(m_record->snapshot().size());
        const QRect area = textArea(8);
        drag(area.topLeft(), area.bottomRight(), [] { runXdotool({"key", "Escape"}); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_delegate->captureWindow()->isVisible(), 30000);
        QTest::qWait(500); // long enough for a recognition that should not come
        QVERIFY(m_delegate->appKitViewModel().isCapturingCancelled().value());
        QCOMPARE(int(m_record->snapshot().size()), recordedBefore);
        // The count went up all the same when the capture started.
        QCOMPARE(m_delegate->settingsViewModel().numberOfCaptures().value(), 3);
    }

    // A failed check must not leave a key held for the tests that follow.
    void cleanup() { runXdotool({"keyup", "ctrl"}); }

    void cleanupTestCase()
    {
        m_delegate.reset();
        m_textWindow.terminate();
        m_textWindow.waitForFinished(30000);
    }
};

// The text window's process: shows it and, once it is on the screen, prints where its text is.
int showTextWindow(int argc, char** argv)
{
    QApplication app(argc, argv);
    TextWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 60000))
        return 1;
    const QRect text = window.textArea(0);
    std::printf("%d %d %d %d\n", text.x(), text.y(), text.width(), text.height());
    std::fflush(stdout);
    return app.exec();
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--text-window") == 0)
        return showTextWindow(argc, argv);
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestCaptureEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_captureendtoend.moc"
