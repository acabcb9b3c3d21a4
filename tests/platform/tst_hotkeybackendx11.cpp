#include "x11/hotkeybackendx11.h"
#include "x11testmain.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

// Key codes of the US layout under X: evdev code + 8.
constexpr quint8 keyTwo = 11, keyO = 32, keyP = 33;
constexpr quint16 shiftCtrl = XModifier::shift | XModifier::control;
constexpr quint16 altCtrl = XModifier::mod1 | XModifier::control;
constexpr quint16 capsLock = XModifier::lock, numLock = XModifier::mod2; // NumLock is Mod2 under Xvfb
constexpr uint8_t badAccess = 10;
const HotKeyId testId{0x54455354, 7};

// Another application on the display, with its own connection and its own grabs.
class OtherClient {
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    // The X error code of the grab, 0 when granted.
    int grab(quint8 keyCode, quint16 modifiers)
    {
        return check(xcb_grab_key_checked(m_connection, 0, m_root, modifiers, keyCode, XCB_GRAB_MODE_ASYNC,
                                          XCB_GRAB_MODE_ASYNC));
    }
    int ungrab(quint8 keyCode, quint16 modifiers)
    {
        return check(xcb_ungrab_key_checked(m_connection, keyCode, m_root, modifiers));
    }
    xcb_keysym_t keysymAt(quint8 keyCode)
    {
        const std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
            xcb_get_keyboard_mapping_reply(m_connection, xcb_get_keyboard_mapping(m_connection, keyCode, 1),
                                           nullptr),
            &std::free);
        return reply && reply->keysyms_per_keycode > 0 ? xcb_get_keyboard_mapping_keysyms(reply.get())[0] : 0;
    }

private:
    int check(xcb_void_cookie_t cookie)
    {
        xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

// Counts the key events of one key code that Qt's connection receives, after the backend's filter.
class KeyEventCounter : public QAbstractNativeEventFilter {
public:
    int presses = 0;
    int releases = 0;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_key_press_event_t*>(message);
        const uint8_t type = event->response_type & 0x7f;
        if ((type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) && event->detail == keyTwo)
            ++(type == XCB_KEY_PRESS ? presses : releases);
        return false;
    }
};

const QList<quint16> lockVariants = {0, capsLock, numLock, capsLock | numLock};

} // namespace

class TestHotKeyBackendX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        QVERIFY2(m_other.keysymAt(keyTwo) == '2' && m_other.keysymAt(keyO) == 'o',
                 "the tests expect the US layout's key codes");
        // Installed before the backend, so it sees an event only if the backend's filter lets it on.
        qGuiApp->installNativeEventFilter(&m_counter);
    }
    void init()
    {
        m_backend = std::make_unique<HotKeyBackendX11>();
        m_events.clear();
        QVERIFY(m_backend->setEventHandler([this](const HotKeyEvent& event) {
            m_events.append(event);
            return true;
        }));
        m_counter.presses = m_counter.releases = 0;
    }
    void cleanup() { m_backend.reset(); }
    void cleanupTestCase() { qGuiApp->removeNativeEventFilter(&m_counter); }

    void detectableAutoRepeat() { QVERIFY(m_backend->hasDetectableAutoRepeat()); }

    void pressThenRelease_data()
    {
        QTest::addColumn<QStringList>("lockKeys");
        QTest::newRow("no lock") << QStringList();
        QTest::newRow("NumLock on") << QStringList{"Num_Lock"};
        QTest::newRow("CapsLock on") << QStringList{"Caps_Lock"};
        QTest::newRow("NumLock and CapsLock on") << QStringList{"Num_Lock", "Caps_Lock"};
    }
    void pressThenRelease()
    {
        QFETCH(QStringList, lockKeys);
        QVERIFY(m_backend->grab({keyTwo, shiftCtrl}, testId));
        const auto toggleLocks = [&] {
            return lockKeys.isEmpty() || runXdotool(QStringList{"key"} + lockKeys);
        };
        QVERIFY(toggleLocks());
        const auto restoreLocks = qScopeGuard([&] { toggleLocks(); });

        QVERIFY(runXdotool({"keydown", "shift+ctrl+2"}));
        QTRY_COMPARE(m_events.size(), 1);
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 1);
        QCOMPARE(m_events[0].kind, HotKeyEventKind::pressed);
        QCOMPARE(m_events[0].hotKeyId, std::optional(testId));

        QVERIFY(runXdotool({"keyup", "shift+ctrl+2"}));
        QTRY_COMPARE(m_events.size(), 2);
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 2);
        QCOMPARE(m_events[1].kind, HotKeyEventKind::released);
        QCOMPARE(m_events[1].hotKeyId, std::optional(testId));
        QVERIFY2(m_counter.presses >= 1 && m_counter.releases >= 1, "the key events go on to Qt");
    }

    void heldForOneSecond()
    {
        QVERIFY(m_backend->grab({keyTwo, shiftCtrl}, testId));
        QVERIFY(runXdotool({"keydown", "shift+ctrl+2", "sleep", "1", "keyup", "shift+ctrl+2"}));
        QTRY_COMPARE(m_events.size(), 2);
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 2);
        QCOMPARE(m_events[0].kind, HotKeyEventKind::pressed);
        QCOMPARE(m_events[1].kind, HotKeyEventKind::released);
        QVERIFY2(m_counter.presses > 1, "the held key repeated");
        QCOMPARE(m_counter.releases, 1);
    }

    void refusedWhenAnotherClientHoldsAVariant_data()
    {
        QTest::addColumn<quint16>("othersMask");
        QTest::newRow("plain") << shiftCtrl;
        QTest::newRow("with NumLock") << quint16(shiftCtrl | numLock);
        QTest::newRow("with NumLock and CapsLock") << quint16(shiftCtrl | numLock | capsLock);
    }
    void refusedWhenAnotherClientHoldsAVariant()
    {
        QFETCH(quint16, othersMask);
        QCOMPARE(m_other.grab(keyTwo, othersMask), 0);
        QCOMPARE(m_backend->grab({keyTwo, shiftCtrl}, testId), std::nullopt);

        // Nothing of ours is left behind: the other client can take every variant, then let go of its
        // own and take it again.
        for (const quint16 lock : lockVariants)
            QCOMPARE(m_other.grab(keyTwo, shiftCtrl | lock), 0);
        QCOMPARE(m_other.ungrab(keyTwo, othersMask), 0);
        QCOMPARE(m_other.grab(keyTwo, othersMask), 0);
        for (const quint16 lock : lockVariants)
            QCOMPARE(m_other.ungrab(keyTwo, shiftCtrl | lock), 0);

        QVERIFY(runXdotool({"key", "shift+ctrl+2"}));
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 0);
    }

    void ungrabLetsAnotherClientGrab()
    {
        const std::optional<quint32> reference = m_backend->grab({keyO, altCtrl}, testId);
        QVERIFY(reference);
        for (const quint16 lock : lockVariants)
            QCOMPARE(m_other.grab(keyO, altCtrl | lock), badAccess);
        m_backend->ungrab(*reference);
        for (const quint16 lock : lockVariants)
            QCOMPARE(m_other.grab(keyO, altCtrl | lock), 0);
        for (const quint16 lock : lockVariants)
            QCOMPARE(m_other.ungrab(keyO, altCtrl | lock), 0);

        QVERIFY(runXdotool({"key", "alt+ctrl+o"}));
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 0);
    }

    void grabbedTwice()
    {
        QVERIFY(m_backend->grab({keyO, altCtrl}, testId));
        QCOMPARE(m_backend->grab({keyO, altCtrl}, HotKeyId{testId.signature, 8}), std::nullopt);
        QVERIFY(runXdotool({"key", "alt+ctrl+o"}));
        QTRY_COMPARE(m_events.size(), 2);
        QCOMPARE(m_events[0].hotKeyId, std::optional(testId));
    }

    void probing()
    {
        QCOMPARE(m_other.grab(keyO, altCtrl), 0);
        QCOMPARE(m_other.grab(keyP, altCtrl | numLock), 0);
        QVERIFY(m_backend->grab({keyTwo, shiftCtrl}, testId));
        const quint16 shiftAltCtrl = altCtrl | XModifier::shift;
        const QList<HotKeyCombination> held = m_backend->grabbedByOtherClients(
            {{keyO, altCtrl}, {keyO, shiftAltCtrl}, {keyP, altCtrl}, {keyTwo, shiftCtrl}, {keyTwo, altCtrl}});
        QCOMPARE(held, QList<HotKeyCombination>({{keyO, altCtrl}, {keyP, altCtrl}}));

        // The probes let go of what they took, and our own grab is still ours.
        for (const quint16 lock : lockVariants) {
            QCOMPARE(m_other.grab(keyO, shiftAltCtrl | lock), 0);
            QCOMPARE(m_other.grab(keyTwo, altCtrl | lock), 0);
            QCOMPARE(m_other.grab(keyTwo, shiftCtrl | lock), badAccess);
        }
        for (const quint16 lock : lockVariants) {
            QCOMPARE(m_other.ungrab(keyO, shiftAltCtrl | lock), 0);
            QCOMPARE(m_other.ungrab(keyTwo, altCtrl | lock), 0);
        }
        QCOMPARE(m_other.ungrab(keyO, altCtrl), 0);
        QCOMPARE(m_other.ungrab(keyP, altCtrl | numLock), 0);
        QVERIFY(runXdotool({"key", "shift+ctrl+2"}));
        QTRY_COMPARE(m_events.size(), 2);
    }

private:
    OtherClient m_other;
    KeyEventCounter m_counter;
    std::unique_ptr<HotKeyBackendX11> m_backend;
    QList<HotKeyEvent> m_events;
};

// Without a display Qt cannot start on xcb; offscreen the tests can still say why they skip.
int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    TestHotKeyBackendX11 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotkeybackendx11.moc"
