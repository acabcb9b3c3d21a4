#include "appkitviewmodel.h"
#include "capturewindow.h"
#include "linux/qtscreens.h"
#include "x11/displaycapturex11.h"
#include "x11/hotkeybackendx11.h"
#include "x11testmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> owned(T* reply)
{
    return Reply<T>(reply, &std::free);
}

// Another X client on the display: it reads what the X server says about the capture window, tries the
// grabs itself and owns plain windows that stand for other applications.
class XClient {
public:
    XClient()
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        m_screen = screens.rem > 0 ? screens.data : nullptr;
    }
    ~XClient() { xcb_disconnect(m_connection); }

    bool isConnected() const { return m_screen; }
    xcb_window_t root() const { return m_screen->root; }

    xcb_window_t createWindow(const QRect& rect)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const uint32_t values[] = {0x808080, XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_FOCUS_CHANGE};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, rect.x(), rect.y(),
                          rect.width(), rect.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(m_connection, window);
        m_windows.append(window);
        sync();
        return window;
    }
    void destroyWindows()
    {
        for (const xcb_window_t window : std::as_const(m_windows))
            xcb_destroy_window(m_connection, window);
        m_windows.clear();
        sync();
    }

    bool hasWindowManager() const
    {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        const auto reply = owned(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_screen->root, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr));
        if (!reply || xcb_get_property_value_length(reply.get()) != 4)
            return false;
        // A window manager that was stopped may leave the property behind, naming a window that is gone.
        return bool(attributes(*static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()))));
    }
    xcb_window_t parentOf(xcb_window_t window) const
    {
        const auto tree =
            owned(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
        return tree ? tree->parent : XCB_NONE;
    }

    void sync()
    {
        owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    bool isOverrideRedirect(xcb_window_t window) const
    {
        return attributes(window) && attributes(window)->override_redirect;
    }
    bool isViewable(xcb_window_t window) const
    {
        const auto reply = attributes(window);
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // In root coordinates.
    QRect geometry(xcb_window_t window) const
    {
        const auto reply =
            owned(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        const auto origin = owned(xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_screen->root, 0, 0), nullptr));
        if (!reply || !origin)
            return {};
        return QRect(origin->dst_x, origin->dst_y, reply->width, reply->height);
    }
    // The viewable child of the root window that is stacked on top of all others.
    xcb_window_t topmostViewable() const
    {
        const auto tree =
            owned(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_screen->root), nullptr));
        if (!tree)
            return XCB_NONE;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
            if (isViewable(children[i]))
                return children[i];
        }
        return XCB_NONE;
    }
    xcb_window_t inputFocus() const
    {
        const auto reply =
            owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return reply ? reply->focus : XCB_NONE;
    }
    void focus(xcb_window_t window)
    {
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        sync();
    }

    bool grabKeyboard()
    {
        const auto reply =
            owned(xcb_grab_keyboard_reply(m_connection,
                                          xcb_grab_keyboard(m_connection, 0, m_screen->root, XCB_CURRENT_TIME,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                          nullptr));
        return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    void ungrabKeyboard()
    {
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        sync();
    }
    // Whether this client could have the keyboard (it lets go at once).
    bool canGrabKeyboard()
    {
        const auto reply =
            owned(xcb_grab_keyboard_reply(m_connection,
                                          xcb_grab_keyboard(m_connection, 0, m_screen->root, XCB_CURRENT_TIME,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                          nullptr));
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        sync();
        return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }
    bool canGrabPointer()
    {
        const auto reply = owned(xcb_grab_pointer_reply(
            m_connection,
            xcb_grab_pointer(m_connection, 0, m_screen->root, XCB_EVENT_MASK_BUTTON_PRESS,
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
            nullptr));
        xcb_ungrab_pointer(m_connection, XCB_CURRENT_TIME);
        sync();
        return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }

    // Button presses on one of this client's windows since the last call, keeping Qt's loop turning.
    int buttonPresses(xcb_window_t window, int waitMilliseconds)
    {
        int presses = 0;
        QElapsedTimer timer;
        timer.start();
        do {
            QTest::qWait(10);
            while (const auto event = owned(xcb_poll_for_event(m_connection))) {
                if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS &&
                    reinterpret_cast<xcb_button_press_event_t*>(event.get())->event == window)
                    ++presses;
            }
        } while (timer.elapsed() < waitMilliseconds);
        return presses;
    }

private:
    xcb_atom_t atom(const char* name) const
    {
        const auto reply = owned(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, qstrlen(name), name), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }
    Reply<xcb_get_window_attributes_reply_t> attributes(xcb_window_t window) const
    {
        return owned(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    QList<xcb_window_t> m_windows;
};

void xdotool(const QStringList& arguments)
{
    QVERIFY(runXdotool(arguments));
}

// Counts the events of one type that reach an object, and when the first one came.
class EventProbe : public QObject {
public:
    EventProbe(QObject* target, QEvent::Type type, const QElapsedTimer* clock = nullptr)
        : m_type(type)
        , m_clock(clock)
    {
        target->installEventFilter(this);
    }
    int count = 0;
    qint64 firstAt = -1; // ms on the clock

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type) {
            if (count++ == 0 && m_clock)
                firstAt = m_clock->elapsed();
        }
        return false;
    }

private:
    QEvent::Type m_type;
    const QElapsedTimer* m_clock;
};

} // namespace

class TestCaptureWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        m_client = std::make_unique<XClient>();
        QVERIFY(m_client->isConnected());
        // The application's keyboard as the product has it: the hot-key backend turns on detectable
        // auto-repeat, so a held key repeats as presses without releases.
        m_hotKeys = std::make_unique<HotKeyBackendX11>();
        const std::optional<ScreenDescription> screen = m_screens.mainScreen();
        QVERIFY(screen);
        m_screen = *screen;
        m_window = std::make_unique<CaptureWindow>(m_model, m_screens, [](const QRectF&) {});
        m_window->setScreenFrame(m_screen);
        m_window->setBackgroundImage(DisplayCaptureX11().createDisplayImage(*m_screen.displayId));
    }

    void cleanup()
    {
        // A failed check must not leave a button or key held for the tests that follow.
        runXdotool({"keyup", "space", "mouseup", "1"});
        if (m_window && m_model.isCapturing().value())
            m_window->stopCapture();
        if (m_window)
            m_window->setScreenFrame(m_screen);
        if (m_client)
            m_client->destroyWindows();
        xdotool({QStringLiteral("mousemove"), QStringLiteral("50"), QStringLiteral("60")});
    }

    void startCoversTheScreenAboveEverything()
    {
        const xcb_window_t other = m_client->createWindow(QRect(100, 100, 600, 400));
        QTRY_VERIFY(m_client->isViewable(other));
        m_client->focus(other);
        QList<bool> capturing;
        const Cancellable token =
            m_model.isCapturing().subscribe([&](bool value) { capturing.append(value); });

        QElapsedTimer clock;
        EventProbe exposed(m_window->windowHandle(), QEvent::Expose, &clock);
        EventProbe painted(&m_window->regionSelectionView(), QEvent::Paint, &clock);
        clock.start();
        m_window->startCapture(m_screen);
        const qint64 returnedAt = clock.elapsed();

        QCOMPARE(capturing, (QList{false, true}));
        QVERIFY(!m_model.isCapturingCancelled().value() && !m_model.isDragging().value());
        QCOMPARE(m_model.currentScreen().value(), std::optional(m_screen));
        QVERIFY(m_window->hasKeyboardGrab() && m_window->hasPointerGrab());

        const auto window = xcb_window_t(m_window->winId());
        QTRY_VERIFY(m_window->windowHandle()->isExposed() && painted.count > 0);
        qInfo("start to visible: startCapture returned after %lld ms, exposed after %lld ms, first paint "
              "after %lld ms",
              returnedAt, exposed.firstAt, painted.firstAt);
        QVERIFY(m_client->isViewable(window));
        QVERIFY(m_client->isOverrideRedirect(window));
        QCOMPARE(m_client->geometry(window), screenRect());
        QCOMPARE(m_window->geometry(), screenRect());
        QCOMPARE(m_window->regionSelectionView().geometry(), m_window->rect());
        QCOMPARE(m_client->topmostViewable(), window);
        QTRY_COMPARE(m_client->inputFocus(), window);
        QVERIFY(!m_client->canGrabKeyboard());
        QVERIFY(!m_client->canGrabPointer());
        QTRY_COMPARE(m_window->cursor().shape(), Qt::BlankCursor);
        // Our own activation and grabs are no reason to hide.
        QTest::qWait(700);
        QVERIFY(m_window->isVisible() && m_model.isCapturing().value());

        m_window->stopCapture();
        QCOMPARE(capturing, (QList{false, true, false}));
        QVERIFY(!m_window->isVisible());
        QTRY_VERIFY(!m_client->isViewable(window));
        QVERIFY(m_client->canGrabKeyboard());
        QVERIFY(m_client->canGrabPointer());
        QVERIFY(!m_model.isCapturingCancelled().value());
        QCOMPARE(m_model.mouseLocation().value(), QPointF(0, 0));
        QTRY_COMPARE(m_window->cursor().shape(), Qt::ArrowCursor);

        // The same window serves the next capture.
        EventProbe exposedAgain(m_window->windowHandle(), QEvent::Expose, &clock);
        EventProbe paintedAgain(&m_window->regionSelectionView(), QEvent::Paint, &clock);
        clock.restart();
        m_window->startCapture(m_screen);
        QTRY_VERIFY(m_client->isViewable(window) && m_window->windowHandle()->isExposed() &&
                    paintedAgain.count > 0);
        qInfo("start to visible again: exposed after %lld ms, first paint after %lld ms",
              exposedAgain.firstAt, paintedAgain.firstAt);
        QCOMPARE(xcb_window_t(m_window->winId()), window);
        QCOMPARE(m_client->topmostViewable(), window);
    }

    void screenFrame_data()
    {
        QTest::addColumn<QRectF>("frame");   // bottom-up points
        QTest::addColumn<QRect>("geometry"); // X pixels, top-down
        const int w = screenRect().width();
        const int h = screenRect().height();
        QTest::newRow("the whole screen") << QRectF(0, 0, w, h) << QRect(0, 0, w, h);
        QTest::newRow("top-left part") << QRectF(0, h - 600, 800, 600) << QRect(0, 0, 800, 600);
        QTest::newRow("bottom-right part")
            << QRectF(w - 800, 0, 800, 600) << QRect(w - 800, h - 600, 800, 600);
        QTest::newRow("in the middle") << QRectF(300, 200, 640, 450) << QRect(300, h - 650, 640, 450);
    }
    void screenFrame()
    {
        QFETCH(QRectF, frame);
        QFETCH(QRect, geometry);
        m_window->startCapture(m_screen);
        const auto window = xcb_window_t(m_window->winId());
        QTRY_VERIFY(m_client->isViewable(window));
        // As when the pointer moves onto another screen: the same window, still holding the input.
        ScreenDescription screen = m_screen;
        screen.frame = frame;
        m_window->setScreenFrame(screen);
        QTRY_COMPARE(m_client->geometry(window), geometry);
        QCOMPARE(m_window->geometry(), geometry);
        QCOMPARE(xcb_window_t(m_window->winId()), window);
        QVERIFY(m_client->isViewable(window));
        QVERIFY(!m_client->canGrabKeyboard() && !m_client->canGrabPointer());
    }

    void escapeCancels()
    {
        m_window->startCapture(m_screen);
        QVERIFY(m_window->hasKeyboardGrab());
        QList<bool> capturing;
        const Cancellable token =
            m_model.isCapturing().subscribe([&](bool value) { capturing.append(value); });
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY(m_model.isCapturingCancelled().value());
        QVERIFY(!m_window->isVisible());
        QCOMPARE(capturing, (QList{true, false}));
        QTRY_VERIFY(!m_client->isViewable(xcb_window_t(m_window->winId())));
        QVERIFY(m_client->canGrabKeyboard());
    }

    void keyboardHeldByAnotherClient()
    {
        // As the global shortcut's grab holds it until its keys are released.
        QVERIFY(m_client->grabKeyboard());
        m_window->startCapture(m_screen);
        QVERIFY(!m_window->hasKeyboardGrab());
        QVERIFY(m_window->hasPointerGrab());
        QTest::qWait(100);
        QVERIFY(!m_window->hasKeyboardGrab());
        m_client->ungrabKeyboard();
        QTRY_VERIFY(m_window->hasKeyboardGrab());
        QVERIFY(!m_client->canGrabKeyboard());
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY(m_model.isCapturingCancelled().value());
    }

    void spaceMovesTheCaptureArea()
    {
        m_window->startCapture(m_screen);
        QList<bool> moving;
        const Cancellable token =
            m_model.isMovingCaptureArea().subscribe([&](bool value) { moving.append(value); });
        xdotool({QStringLiteral("keydown"), QStringLiteral("space")});
        QTRY_VERIFY(m_model.isMovingCaptureArea().value());
        // Held past the X server's auto-repeat delay.
        QTest::qWait(900);
        QVERIFY(m_model.isMovingCaptureArea().value());
        xdotool({QStringLiteral("keyup"), QStringLiteral("space")});
        QTRY_VERIFY(!m_model.isMovingCaptureArea().value());
        QCOMPARE(moving, (QList{false, true, false}));
        QVERIFY(m_model.isCapturing().value() && !m_model.isCapturingCancelled().value());
    }

    void modifierLatchFromRealKeys()
    {
        m_window->startCapture(m_screen);
        const auto isPressed = [this](bool webSearch, bool action) {
            return m_model.isWebSearchKeyPressed().value() == webSearch &&
                   m_model.isActionKeyPressed().value() == action;
        };
        xdotool({QStringLiteral("keydown"), QStringLiteral("ctrl")});
        QTRY_VERIFY(isPressed(true, false));
        xdotool({QStringLiteral("keydown"), QStringLiteral("alt")});
        QTest::qWait(100);
        QVERIFY(isPressed(true, false));
        xdotool({QStringLiteral("keyup"), QStringLiteral("ctrl")});
        QTRY_VERIFY(isPressed(false, false));
        xdotool({QStringLiteral("keyup"), QStringLiteral("alt")});
        QTest::qWait(100);
        QVERIFY(isPressed(false, false));
        xdotool({QStringLiteral("keydown"), QStringLiteral("alt")});
        QTRY_VERIFY(isPressed(false, true));
        xdotool({QStringLiteral("keyup"), QStringLiteral("alt")});
        QTRY_VERIFY(isPressed(false, false));
        // A shortcut goes by without touching the capture.
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+c")});
        QTest::qWait(100);
        QVERIFY(isPressed(false, false));
        QVERIFY(m_window->isVisible() && m_model.isCapturing().value());
    }

    void pointerMoves_data()
    {
        QTest::addColumn<QPoint>("position"); // X pixels, top-down
        QTest::newRow("300, 400") << QPoint(300, 400);
        QTest::newRow("top-left corner") << QPoint(0, 0);
        QTest::newRow("bottom-right corner") << screenRect().bottomRight();
    }
    void pointerMoves()
    {
        QFETCH(QPoint, position);
        const int h = screenRect().height();
        m_window->startCapture(m_screen);
        QCOMPARE(m_model.mouseLocation().value(), QPointF(50, h - 60));
        xdotool({QStringLiteral("mousemove"), QString::number(position.x()), QString::number(position.y())});
        QTRY_COMPARE(m_model.mouseLocation().value(), QPointF(position.x(), h - position.y()));
        QCOMPARE(m_model.flippedMouseY(), double(position.y()));
    }

    void spaceHeldDuringADragFreezesPointerAndSelection()
    {
        const int h = screenRect().height();
        m_window->startCapture(m_screen);
        xdotool({"mousemove", "100", "100", "mousedown", "1", "mousemove", "300", "200"});
        QTRY_COMPARE(m_model.selectedFrame().value(), QRectF(100, 100, 200, 100));
        QTRY_COMPARE(m_model.mouseLocation().value(), QPointF(300, h - 200));
        xdotool({"keydown", "space", "mousemove", "500", "400", "mousemove", "520", "420"});
        QTRY_VERIFY(m_model.isMovingCaptureArea().value());
        QTest::qWait(300);
        // Neither the crosshair nor the selection follows the pointer while Space is held.
        QCOMPARE(m_model.mouseLocation().value(), QPointF(300, h - 200));
        QCOMPARE(m_model.selectedFrame().value(), QRectF(100, 100, 200, 100));
        xdotool({"keyup", "space", "mousemove", "540", "440"});
        QTRY_COMPARE(m_model.selectedFrame().value(), QRectF(100, 100, 440, 340));
        QCOMPARE(m_model.mouseLocation().value(), QPointF(540, h - 440));
        xdotool({"keydown", "Escape", "keyup", "Escape", "mouseup", "1"});
        QTRY_VERIFY(!m_model.isCapturing().value());
    }

    void clickAfterStopGoesToTheWindowBelow()
    {
        const xcb_window_t below = m_client->createWindow(QRect(100, 100, 400, 300));
        QTRY_VERIFY(m_client->isViewable(below));
        m_client->buttonPresses(below, 0);
        EventProbe pressed(&m_window->regionSelectionView(), QEvent::MouseButtonPress);
        m_window->startCapture(m_screen);
        QTRY_VERIFY(m_window->windowHandle()->isExposed());
        // Where a window manager may have put it.
        const QPoint centre = m_client->geometry(below).center();
        xdotool({QStringLiteral("mousemove"), QString::number(centre.x()), QString::number(centre.y()),
                 QStringLiteral("click"), QStringLiteral("1")});
        QTRY_COMPARE(pressed.count, 1);
        QCOMPARE(m_client->buttonPresses(below, 200), 0);

        m_window->stopCapture();
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
        QCOMPARE(m_client->buttonPresses(below, 300), 1);
        QCOMPARE(pressed.count, 1);
    }

    void focusTakenByAnotherApplication()
    {
        const xcb_window_t other = m_client->createWindow(QRect(100, 100, 400, 300));
        QTRY_VERIFY(m_client->isViewable(other));
        QSignalSpy hidden(m_window.get(), &CaptureWindow::hiddenOnDeactivation);
        m_window->startCapture(m_screen);
        const auto window = xcb_window_t(m_window->winId());
        QTRY_COMPARE(m_client->inputFocus(), window);
        m_model.setIsDragging(true);

        m_client->focus(other);
        QTRY_VERIFY(!m_window->isVisible());
        QCOMPARE(hidden.count(), 1);
        QTRY_VERIFY(!m_client->isViewable(window));
        QVERIFY(m_client->canGrabKeyboard());
        QVERIFY(m_model.isCapturing().value() && m_model.isDragging().value());
        QVERIFY(!m_model.isCapturingCancelled().value());
        QCOMPARE(m_model.currentScreen().value(), std::optional(m_screen));
    }

    void focusReturnsToOurOwnWindow()
    {
        QWidget history;
        history.setGeometry(200, 200, 300, 200);
        history.show();
        QVERIFY(QTest::qWaitForWindowExposed(&history));
        history.activateWindow();
        QTRY_COMPARE(m_client->inputFocus(), xcb_window_t(history.winId()));
        QTRY_VERIFY(history.isActiveWindow());

        m_window->startCapture(m_screen);
        QTRY_COMPARE(m_client->inputFocus(), xcb_window_t(m_window->winId()));
        m_window->stopCapture();
        QTRY_COMPARE(m_client->inputFocus(), xcb_window_t(history.winId()));
        QTRY_VERIFY(history.isActiveWindow());
    }

    void underAWindowManager()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("openbox is not installed: the capture window is not tested under a window manager");
        if (m_client->hasWindowManager())
            QSKIP("Another window manager runs on this display");
        // Mapped before the window manager starts, which takes over every window there is once it is up;
        // a window mapped while it is still starting may be missed.
        const xcb_window_t other = m_client->createWindow(QRect(100, 100, 600, 400));
        QProcess windowManager;
        windowManager.setProcessChannelMode(QProcess::MergedChannels);
        windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(windowManager.waitForStarted());
        const auto stop = qScopeGuard([&] {
            windowManager.terminate();
            if (!windowManager.waitForFinished(5000))
                windowManager.kill();
            windowManager.waitForFinished();
        });
        QTRY_VERIFY2_WITH_TIMEOUT(m_client->hasWindowManager(), windowManager.readAll().constData(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_client->isViewable(other) && m_client->parentOf(other) != m_client->root(),
                                 5000);
        m_client->focus(other);

        m_window->startCapture(m_screen);
        const auto window = xcb_window_t(m_window->winId());
        QTRY_VERIFY(m_window->windowHandle()->isExposed());
        // Left alone by the window manager: no frame, above the frames it manages, focused.
        QCOMPARE(m_client->parentOf(window), m_client->root());
        QCOMPARE(m_client->geometry(window), screenRect());
        QCOMPARE(m_client->topmostViewable(), window);
        QTRY_COMPARE(m_client->inputFocus(), window);
        QVERIFY(!m_client->canGrabKeyboard());

        // The window manager gives the focus back to the window that had it.
        m_window->stopCapture();
        QTRY_COMPARE(m_client->inputFocus(), other);
    }

private:
    static QRect screenRect() { return QGuiApplication::primaryScreen()->geometry(); }

    AppKitViewModel m_model;
    QtScreens m_screens;
    ScreenDescription m_screen;
    std::unique_ptr<XClient> m_client;
    std::unique_ptr<HotKeyBackendX11> m_hotKeys;
    std::unique_ptr<CaptureWindow> m_window;
};

// Without a display Qt cannot start on xcb; offscreen the tests can still say why they skip.
int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    TestCaptureWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_capturewindow.moc"
