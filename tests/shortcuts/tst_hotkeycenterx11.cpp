#include "hotkeycenter.h"
#include "modifierconversion.h"
#include "x11/hotkeybackendx11.h"
#include "x11testmain.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <cstdlib>
#include <xcb/xcb.h>

namespace {

using namespace CarbonModifier;

const Shortcut shiftCommandTwo(Key::two.rawValue, shift | command);
const Shortcut optionCommandO(Key::o.rawValue, option | command);
constexpr quint8 xO = 32; // evdev KEY_O + 8
constexpr quint16 altCtrl = XModifier::mod1 | XModifier::control;

} // namespace

// The center on the real X11 backend: what a person pressing the keys and another application holding
// them do to it.
class TestHotKeyCenterX11 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        m_other = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(m_other));
    }
    void cleanupTestCase() { xcb_disconnect(m_other); }

    void pressAndReleaseRunTheirActions()
    {
        HotKeyBackendX11 backend;
        HotKeyCenter center(backend, {});
        QStringList ran;
        center.registerHotKey(
            shiftCommandTwo, [&](const Shortcut&) { ran.append("down"); },
            [&](const Shortcut&) { ran.append("up"); });
        QCOMPARE(center.hotKeyIds(), QList<qint64>{1});

        QVERIFY(runXdotool({"keydown", "shift+ctrl+2"}));
        QTRY_COMPARE_WITH_TIMEOUT(ran, QStringList{"down"}, 30000);
        QVERIFY(runXdotool({"keyup", "shift+ctrl+2"}));
        QTRY_COMPARE_WITH_TIMEOUT(ran, QStringList({"down", "up"}), 30000);

        center.unregisterHotKey(shiftCommandTwo);
        QVERIFY(runXdotool({"key", "shift+ctrl+2"}));
        QTest::qWait(200);
        QCOMPARE(ran.size(), 2);
    }

    void heldByAnotherClient()
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_other)).data->root;
        xcb_generic_error_t* error =
            xcb_request_check(m_other, xcb_grab_key_checked(m_other, 0, root, altCtrl, xO,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const bool granted = !error;
        std::free(error);
        QVERIFY(granted);
        const auto ungrab = qScopeGuard([&] {
            std::free(xcb_request_check(m_other, xcb_ungrab_key_checked(m_other, xO, root, altCtrl)));
        });

        HotKeyBackendX11 backend;
        HotKeyCenter center(backend, {});
        int runs = 0;
        center.registerHotKey(optionCommandO, [&](const Shortcut&) { ++runs; }, {});
        center.registerHotKey(shiftCommandTwo, {}, {});
        QCOMPARE(center.hotKeyIds(), QList<qint64>{2});

        const QList<Shortcut> reserved = center.systemShortcuts();
        QVERIFY(reserved.contains(optionCommandO));
        QVERIFY2(!reserved.contains(shiftCommandTwo), "our own hot key is not reserved by the system");
        QVERIFY(!reserved.contains(Shortcut(Key::p.rawValue, option | command)));

        QVERIFY(runXdotool({"key", "alt+ctrl+o"}));
        QTest::qWait(200);
        QCOMPARE(runs, 0);
    }

private:
    xcb_connection_t* m_other = nullptr;
};

// Without a display Qt cannot start on xcb; offscreen the tests can still say why they skip.
int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    TestHotKeyCenterX11 test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotkeycenterx11.moc"
