#include "linux/qtscreens.h"
#include "x11/displaycapturex11.h"
#include "x11/windowlistx11.h"
#include "x11testmain.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> owned(T* reply)
{
    return Reply<T>(reply, &std::free);
}

// A second X client, as another application on the display would be: plain X windows whose background
// colour the X server paints itself, so what they show depends on nothing under test.
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
    QSize rootSize() const { return {m_screen->width_in_pixels, m_screen->height_in_pixels}; }
    int rootDepth() const { return m_screen->root_depth; }

    xcb_window_t createWindow(const QRect& rect, quint32 rgb, int border = 0, bool overrideRedirect = false)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const uint32_t values[] = {rgb, 0x000000, overrideRedirect ? 1u : 0u};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, rect.x(), rect.y(),
                          rect.width(), rect.height(), border, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        // Asks a window manager to keep the window where it was put.
        const uint32_t sizeHints[18] = {1 | 2 | 4 | 8, uint32_t(rect.x()), uint32_t(rect.y()),
                                        uint32_t(rect.width()), uint32_t(rect.height())};
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, sizeHints);
        m_windows.append(window);
        return window;
    }

    void setText(xcb_window_t window, xcb_atom_t property, const QByteArray& bytes)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_STRING, 8,
                            bytes.size(), bytes.constData());
    }
    void setValues(xcb_window_t window, const char* property, xcb_atom_t type, const QList<quint32>& values)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), type, 32,
                            values.size(), values.constData());
    }

    void map(xcb_window_t window) { xcb_map_window(m_connection, window); }
    void raise(xcb_window_t window)
    {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    // Asks the window manager to iconify the window, as a minimise button does.
    void iconify(xcb_window_t window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_CHANGE_STATE");
        message.data.data32[0] = 3; // IconicState
        xcb_send_event(m_connection, 0, m_screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }

    void destroyWindows()
    {
        for (const xcb_window_t window : std::as_const(m_windows))
            xcb_destroy_window(m_connection, window);
        m_windows.clear();
        sync();
    }

    // Returns once the X server has carried out every request sent so far.
    void sync()
    {
        owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_atom_t atom(const char* name)
    {
        const auto reply = owned(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, qstrlen(name), name), nullptr));
        return reply ? reply->atom : XCB_NONE;
    }

    bool hasWindowManager()
    {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        const auto reply = owned(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_screen->root, check, XCB_ATOM_WINDOW, 0, 1),
            nullptr));
        return reply && xcb_get_property_value_length(reply.get()) == 4;
    }

    // The outer rectangle of the window's top-level ancestor: the frame a window manager put around it.
    QRectF outerFrame(xcb_window_t window)
    {
        for (;;) {
            const auto tree =
                owned(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr));
            if (!tree)
                return {};
            if (tree->parent == tree->root)
                break;
            window = tree->parent;
        }
        const auto geometry =
            owned(xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        if (!geometry)
            return {};
        const int border = geometry->border_width;
        return QRectF(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border);
    }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    QList<xcb_window_t> m_windows;
};

qsizetype indexOf(const QList<WindowListEntry>& entries, xcb_window_t window)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].windowNumber == qint64(window))
            return i;
    }
    return -1;
}

std::optional<WindowListEntry> entryOf(xcb_window_t window)
{
    const std::optional<QList<WindowListEntry>> entries = WindowListX11().onScreenWindowList();
    if (!entries)
        return std::nullopt;
    const qsizetype index = indexOf(*entries, window);
    return index < 0 ? std::nullopt : std::optional(entries->at(index));
}

// Whether `front` is listed before `back`, both being listed.
bool isInFront(xcb_window_t front, xcb_window_t back)
{
    const std::optional<QList<WindowListEntry>> entries = WindowListX11().onScreenWindowList();
    if (!entries)
        return false;
    const qsizetype frontIndex = indexOf(*entries, front);
    const qsizetype backIndex = indexOf(*entries, back);
    return frontIndex >= 0 && backIndex >= 0 && frontIndex < backIndex;
}

quint32 rgbAt(const QImage& image, QPoint point)
{
    return image.pixel(point) & 0xffffff;
}

// One window for the window list to read, and what it should say about it.
struct Probe {
    QRect rect{300, 200, 240, 160};
    int border = 0;
    QByteArray wmClass{};
    bool withProcessId = false;
    QByteArray clientMachine{};
    QByteArray windowType{};
    QByteArray state{};
    QList<quint32> frameExtents{};
    bool overrideRedirect = false;
    bool mapped = true;
};

} // namespace

Q_DECLARE_METATYPE(Probe)

class TestX11Services : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        m_client = std::make_unique<XClient>();
        QVERIFY(m_client->isConnected());
        if (m_client->rootDepth() != 24)
            QSKIP("The probe colours need a 24-bit TrueColor display");
    }

    void cleanup()
    {
        if (m_client)
            m_client->destroyWindows();
    }

    void screensOfTheDisplay()
    {
        const QtScreens screens;
        const QList<ScreenDescription> list = screens.screens();
        QCOMPARE(list.size(), 1);
        const ScreenDescription& screen = list.front();
        QCOMPARE(screen.frame, QRectF(QPointF(0, 0), QSizeF(m_client->rootSize())));
        QCOMPARE(screen.backingScaleFactor, 1.0);
        QVERIFY(!screen.name.isEmpty());
        QVERIFY(screen.displayId);
        QCOMPARE(screens.mainScreen(), std::optional(screen));
        QCOMPARE(QtScreens::screenWithDisplayId(*screen.displayId), QGuiApplication::primaryScreen());
    }

    void pointer_data()
    {
        QTest::addColumn<QPoint>("position"); // X pixels, top-down
        QTest::newRow("100, 200") << QPoint(100, 200);
        QTest::newRow("top-left corner") << QPoint(0, 0);
        const QSize root = m_client->rootSize();
        QTest::newRow("near the bottom-right corner") << QPoint(root.width() - 20, root.height() - 10);
    }
    void pointer()
    {
        QFETCH(QPoint, position);
        OCULO_SKIP_WITHOUT_XDOTOOL();
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("mousemove"), QString::number(position.x()),
                                    QString::number(position.y())}),
                 0);
        const double height = m_client->rootSize().height();
        QTRY_COMPARE(QtScreens().mouseLocation(), QPointF(position.x(), height - position.y()));
    }

    void displayImage()
    {
        const QRect below(200, 150, 300, 200);
        const QRect above(420, 280, 300, 200); // covers the bottom-right corner of `below`
        constexpr quint32 belowColour = 0xd03020, aboveColour = 0x2060c0;
        m_client->map(m_client->createWindow(below, belowColour));
        m_client->map(m_client->createWindow(above, aboveColour));
        m_client->sync();

        const std::optional<ScreenDescription> screen = QtScreens().mainScreen();
        QVERIFY(screen && screen->displayId);
        const QImage image = DisplayCaptureX11().createDisplayImage(*screen->displayId);
        QCOMPARE(image.size(), m_client->rootSize());
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.devicePixelRatio(), 1.0);

        QCOMPARE(rgbAt(image, below.topLeft()), belowColour);
        QCOMPARE(rgbAt(image, below.bottomRight()), aboveColour);
        QCOMPARE(rgbAt(image, above.bottomRight()), aboveColour);
        QVERIFY(rgbAt(image, below.topLeft() - QPoint(1, 1)) != belowColour);
        QVERIFY(rgbAt(image, above.bottomRight() + QPoint(1, 1)) != aboveColour);
        int belowPixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                belowPixels += rgbAt(image, QPoint(x, y)) == belowColour;
        }
        QCOMPARE(belowPixels, below.width() * below.height() -
                                  below.intersected(above).width() * below.intersected(above).height());
    }

    void displayImageOfUnknownDisplay()
    {
        const std::optional<ScreenDescription> screen = QtScreens().mainScreen();
        QVERIFY(screen && screen->displayId);
        QVERIFY(DisplayCaptureX11().createDisplayImage(*screen->displayId + 1).isNull());
    }

    void windowListFrontToBack()
    {
        const QRect oneRect(100, 100, 200, 150), twoRect(250, 180, 220, 130);
        const xcb_window_t one = m_client->createWindow(oneRect, 0x40a040);
        m_client->setText(one, XCB_ATOM_WM_CLASS, QByteArray("oculo-probe\0OculoProbeOne\0", 26));
        m_client->map(one);
        const xcb_window_t two = m_client->createWindow(twoRect, 0xa04040);
        m_client->setText(two, XCB_ATOM_WM_CLASS, QByteArray("oculo-probe\0OculoProbeTwo\0", 26));
        m_client->map(two);
        m_client->sync();

        const std::optional<QList<WindowListEntry>> entries = WindowListX11().onScreenWindowList();
        QVERIFY(entries);
        const qsizetype oneIndex = indexOf(*entries, one), twoIndex = indexOf(*entries, two);
        QVERIFY(oneIndex >= 0 && twoIndex >= 0);
        QVERIFY2(twoIndex < oneIndex, "the window mapped last is in front");
        const WindowListEntry& first = entries->at(oneIndex);
        QCOMPARE(first.layer, std::optional(0));
        QCOMPARE(first.bounds, std::optional(QRectF(oneRect)));
        QCOMPARE(first.ownerName, std::optional(QStringLiteral("OculoProbeOne")));
        QCOMPARE(entries->at(twoIndex).bounds, std::optional(QRectF(twoRect)));
        QCOMPARE(entries->at(twoIndex).ownerName, std::optional(QStringLiteral("OculoProbeTwo")));

        m_client->raise(one);
        m_client->sync();
        QVERIFY(isInFront(one, two));
        m_client->raise(two);
        m_client->sync();
        QVERIFY(isInFront(two, one));
    }

    void windowListEntry_data()
    {
        QTest::addColumn<Probe>("probe");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QVariant>("ownerName"); // invalid: none
        QTest::addColumn<bool>("normalLayer");

        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15);
        const QByteArray wmClass("probe\0OculoProbe\0", 17);
        const QRectF rect = QRectF(Probe().rect);
        QTest::newRow("border") << Probe{.border = 3, .wmClass = wmClass} << true
                                << QRectF(300, 200, 246, 166) << QVariant("OculoProbe") << true;
        QTest::newRow("frame extents") // left, right, top, bottom
            << Probe{.wmClass = wmClass, .frameExtents = {2, 4, 20, 6}} << true << QRectF(298, 180, 246, 186)
            << QVariant("OculoProbe") << true;
        QTest::newRow("instance only") << Probe{.wmClass = QByteArray("probe-instance\0", 15)} << true << rect
                                       << QVariant("probe-instance") << true;
        QTest::newRow("owner from the process id")
            << Probe{.withProcessId = true} << true << rect << QVariant(self) << true;
        QTest::newRow("class before process id") << Probe{.wmClass = wmClass, .withProcessId = true} << true
                                                 << rect << QVariant("OculoProbe") << true;
        QTest::newRow("process on another machine")
            << Probe{.withProcessId = true, .clientMachine = "elsewhere.invalid"} << true << rect
            << QVariant() << true;
        QTest::newRow("no owner") << Probe() << true << rect << QVariant() << true;
        QTest::newRow("dialog") << Probe{.windowType = "_NET_WM_WINDOW_TYPE_DIALOG"} << true << rect
                                << QVariant() << true;
        QTest::newRow("dock") << Probe{.windowType = "_NET_WM_WINDOW_TYPE_DOCK"} << true << rect << QVariant()
                              << false;
        QTest::newRow("hidden") << Probe{.state = "_NET_WM_STATE_HIDDEN"} << false << QRectF() << QVariant()
                                << true;
        QTest::newRow("other state") << Probe{.state = "_NET_WM_STATE_ABOVE"} << true << rect << QVariant()
                                     << true;
        QTest::newRow("unmapped") << Probe{.mapped = false} << false << QRectF() << QVariant() << true;
        QTest::newRow("override-redirect")
            << Probe{.overrideRedirect = true} << false << QRectF() << QVariant() << true;
    }
    void windowListEntry()
    {
        QFETCH(Probe, probe);
        QFETCH(bool, listed);
        QFETCH(QRectF, bounds);
        QFETCH(QVariant, ownerName);
        QFETCH(bool, normalLayer);

        const xcb_window_t window =
            m_client->createWindow(probe.rect, 0x808000, probe.border, probe.overrideRedirect);
        if (!probe.wmClass.isNull())
            m_client->setText(window, XCB_ATOM_WM_CLASS, probe.wmClass);
        if (probe.withProcessId)
            m_client->setValues(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, {quint32(getpid())});
        if (!probe.clientMachine.isNull())
            m_client->setText(window, XCB_ATOM_WM_CLIENT_MACHINE, probe.clientMachine);
        if (!probe.windowType.isNull())
            m_client->setValues(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM,
                                {m_client->atom(probe.windowType.constData())});
        if (!probe.state.isNull())
            m_client->setValues(window, "_NET_WM_STATE", XCB_ATOM_ATOM,
                                {m_client->atom(probe.state.constData())});
        if (!probe.frameExtents.isEmpty())
            m_client->setValues(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, probe.frameExtents);
        if (probe.mapped)
            m_client->map(window);
        m_client->sync();

        const std::optional<QList<WindowListEntry>> entries = WindowListX11().onScreenWindowList();
        QVERIFY(entries);
        const qsizetype index = indexOf(*entries, window);
        QCOMPARE(index >= 0, listed);
        if (!listed)
            return;
        const WindowListEntry& entry = entries->at(index);
        QCOMPARE(entry.bounds, std::optional(bounds));
        QCOMPARE(entry.ownerName ? QVariant(*entry.ownerName) : QVariant(), ownerName);
        QVERIFY(entry.layer);
        QCOMPARE(*entry.layer == 0, normalLayer);
    }

    void windowListUnderWindowManager()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
            QSKIP("openbox is not installed: the window manager's stacking list is not tested");
        if (m_client->hasWindowManager())
            QSKIP("Another window manager runs on this display");
        // Mapped before the window manager starts, which takes over every window there is once it is up;
        // a window mapped while it is still starting may be missed.
        const xcb_window_t one = m_client->createWindow(QRect(100, 120, 300, 200), 0x30c030);
        m_client->setText(one, XCB_ATOM_WM_CLASS, QByteArray("probe\0ManagedOne\0", 17));
        const xcb_window_t two = m_client->createWindow(QRect(500, 300, 300, 200), 0xc03030);
        m_client->setText(two, XCB_ATOM_WM_CLASS, QByteArray("probe\0ManagedTwo\0", 17));
        m_client->map(one);
        m_client->map(two);
        m_client->sync();
        QProcess windowManager;
        windowManager.setProcessChannelMode(QProcess::MergedChannels);
        windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(windowManager.waitForStarted());
        const auto stop = qScopeGuard([&] {
            m_client->destroyWindows();
            windowManager.terminate();
            if (!windowManager.waitForFinished(5000))
                windowManager.kill();
            windowManager.waitForFinished();
        });
        QTRY_VERIFY2_WITH_TIMEOUT(m_client->hasWindowManager(), windowManager.readAll().constData(), 10000);
        // Managed: listed with the frame the window manager put around it, decorations included.
        const auto isManaged = [&](xcb_window_t window) {
            const std::optional<WindowListEntry> entry = entryOf(window);
            const QRectF frame = m_client->outerFrame(window);
            return entry && entry->bounds == frame && frame.height() > 200;
        };
        QTRY_VERIFY_WITH_TIMEOUT(isManaged(one) && isManaged(two), 10000);
        const std::optional<WindowListEntry> entry = entryOf(one);
        QCOMPARE(entry->ownerName, std::optional(QStringLiteral("ManagedOne")));
        QCOMPARE(entry->layer, std::optional(0));

        m_client->raise(one);
        m_client->sync();
        QTRY_VERIFY_WITH_TIMEOUT(isInFront(one, two), 5000);
        m_client->raise(two);
        m_client->sync();
        QTRY_VERIFY_WITH_TIMEOUT(isInFront(two, one), 5000);

        m_client->iconify(two);
        m_client->sync();
        QTRY_VERIFY_WITH_TIMEOUT(!entryOf(two), 5000);
        QVERIFY(entryOf(one));
    }

private:
    std::unique_ptr<XClient> m_client;
};

// Without a display Qt cannot start on xcb; offscreen the tests can still say why they skip.
int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    TestX11Services test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11services.moc"
