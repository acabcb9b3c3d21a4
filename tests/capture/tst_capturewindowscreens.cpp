// The capture window on a real X server with two screens side by side (Xorg with the dummy driver): a
// drag keeps to the screen it began on wherever the pointer goes, and the capture follows the pointer to
// the other screen once the button is up.
#include "appkitviewmodel.h"
#include "capturewindow.h"
#include "dummyxorg.h"
#include "linux/qtscreens.h"
#include "x11testmain.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <memory>
#include <optional>

namespace {

DummyXorg* server = nullptr;

} // namespace

class TestCaptureWindowScreens : public QObject {
    Q_OBJECT
    AppKitViewModel m_model;
    QtScreens m_screens;
    std::unique_ptr<CaptureWindow> m_window;
    QList<QRectF> m_frames;
    int m_screenChanges = 0;

private slots:
    void initTestCase()
    {
        if (!server->isRunning())
            QSKIP(qPrintable(server->error()));
        OCULO_SKIP_WITHOUT_XDOTOOL();
        QCOMPARE(QGuiApplication::screens().size(), 2);
        m_window = std::make_unique<CaptureWindow>(m_model, m_screens,
                                                   [this](const QRectF& frame) { m_frames.append(frame); });
        // As the application delegate does: the window goes to the screen the pointer went to.
        m_model.mouseDidLeaveScreenPublisher().subscribe(this, [this](const AppKitViewModel::Event&) {
            ++m_screenChanges;
            m_window->setScreenFrame(*m_model.currentScreen().value());
        });
    }

    void aDragThatEndsOnTheOtherScreenKeepsToItsOwn()
    {
        const QList<ScreenDescription> screens = m_screens.screens();
        const auto left = AppKitViewModel::screenUnderPointer(screens, QPointF(100, 100));
        const auto right = AppKitViewModel::screenUnderPointer(screens, QPointF(1400, 100));
        QVERIFY(left && right && *left != *right);
        QVERIFY(runXdotool({"mousemove", "1000", "400"}));
        m_window->setScreenFrame(*left);
        m_window->startCapture(*left);
        QTRY_VERIFY(m_window->hasPointerGrab());
        QCOMPARE(m_window->geometry(), QRect(0, 0, 1280, 900));

        QVERIFY(runXdotool({"mousedown", "1"}));
        QTRY_VERIFY(m_model.isDragging().value());
        QVERIFY(
            runXdotool({"mousemove", "1200", "450", "mousemove", "1500", "500", "mousemove", "1600", "520"}));
        QTRY_COMPARE(m_model.selectedFrame().value(), QRectF(1000, 400, 600, 120));
        QTest::qWait(300);
        QCOMPARE(m_model.currentScreen().value(), left);
        QCOMPARE(m_screenChanges, 0);
        QCOMPARE(m_window->geometry(), QRect(0, 0, 1280, 900));

        // The selection goes out in the coordinates of the screen the drag began on.
        QVERIFY(runXdotool({"mouseup", "1"}));
        QTRY_COMPARE(m_frames, QList<QRectF>{QRectF(1000, 400, 600, 120)});

        // With the button up, the capture follows the pointer.
        QVERIFY(runXdotool({"mousemove", "1700", "300"}));
        QTRY_COMPARE(m_model.currentScreen().value(), right);
        QCOMPARE(m_screenChanges, 1);
        QTRY_COMPARE(m_window->geometry(), QRect(1280, 0, 1280, 900));
        m_window->stopCapture();
    }

    void cleanupTestCase() { m_window.reset(); }
};

int main(int argc, char** argv)
{
    DummyXorg xorg;
    server = &xorg;
    if (!xorg.isRunning())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestCaptureWindowScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_capturewindowscreens.moc"
