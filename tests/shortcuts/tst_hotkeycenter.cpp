#include "fakehotkeybackend.h"
#include "hotkeycenter.h"
#include "modifierconversion.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace CarbonModifier;

const Shortcut shiftCommandTwo(Key::two.rawValue, shift | command);
const Shortcut optionCommandO(Key::o.rawValue, option | command);
const Shortcut noPcKey(Key::function.rawValue, command);

// X key codes of the keys used here: evdev code + 8.
constexpr quint8 xTwo = 11, xO = 32, xF12 = 96, xA = 38;

DesktopKeyBindings::Sources noDesktop()
{
    return {};
}

// Records which action ran with which shortcut.
struct ActionLog {
    QStringList entries;
    HotKeyCenter::Action action(const QString& name)
    {
        return [this, name](const Shortcut& shortcut) {
            entries.append(name + u' ' + QString::number(shortcut.carbonKeyCode()));
        };
    }
};

} // namespace

Q_DECLARE_METATYPE(Shortcut)
Q_DECLARE_METATYPE(HotKeyCombination)
Q_DECLARE_METATYPE(std::optional<HotKeyCombination>)

class TestHotKeyCenter : public QObject {
    Q_OBJECT
private slots:
    void identifiers_data()
    {
        QTest::addColumn<QList<Shortcut>>("shortcuts");
        QTest::addColumn<QList<Shortcut>>("heldByOthers");
        QTest::addColumn<QList<qint64>>("registeredIds");

        const Shortcut a(Key::a.rawValue, command), b(Key::b.rawValue, command);
        QTest::newRow("first is 1") << QList{a} << QList<Shortcut>{} << QList<qint64>{1};
        QTest::newRow("in order") << QList{a, b, shiftCommandTwo} << QList<Shortcut>{}
                                  << QList<qint64>{1, 2, 3};
        QTest::newRow("refused one uses up its number")
            << QList{a, b, shiftCommandTwo} << QList{a} << QList<qint64>{2, 3};
        QTest::newRow("refused in the middle")
            << QList{a, b, shiftCommandTwo} << QList{b} << QList<qint64>{1, 3};
        QTest::newRow("key without a PC key uses up its number")
            << QList{noPcKey, a} << QList<Shortcut>{} << QList<qint64>{2};
        QTest::newRow("all refused") << QList{a, b} << QList{a, b} << QList<qint64>{};
    }
    void identifiers()
    {
        QFETCH(QList<Shortcut>, shortcuts);
        QFETCH(QList<Shortcut>, heldByOthers);
        QFETCH(QList<qint64>, registeredIds);

        FakeHotKeyBackend backend;
        for (const Shortcut& shortcut : heldByOthers)
            backend.heldByOthers.append(*HotKeyCenter::combinationOf(shortcut));
        HotKeyCenter center(backend, noDesktop());
        for (const Shortcut& shortcut : shortcuts)
            center.registerHotKey(shortcut, {}, {});

        QCOMPARE(center.hotKeyIds(), registeredIds);
        QCOMPARE(center.lastHotKeyId(), qint64(shortcuts.size()));
        QList<qint64> grabbedIds;
        for (const FakeHotKeyBackend::Grab& grab : std::as_const(backend.grabs)) {
            QCOMPARE(grab.id.signature, 0x484F5452u);
            grabbedIds.append(grab.id.id);
        }
        QCOMPARE(grabbedIds, registeredIds);
        QCOMPARE(backend.grabCalls, int(shortcuts.size() - shortcuts.count(noPcKey)));
    }

    void combination_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<std::optional<HotKeyCombination>>("combination");

        QTest::newRow("Shift-Command-2 is Shift+Ctrl+2")
            << shiftCommandTwo
            << std::optional(HotKeyCombination{xTwo, XModifier::shift | XModifier::control});
        QTest::newRow("option is Alt")
            << optionCommandO << std::optional(HotKeyCombination{xO, XModifier::mod1 | XModifier::control});
        QTest::newRow("control is Super")
            << Shortcut(Key::a.rawValue, control) << std::optional(HotKeyCombination{xA, XModifier::mod4});
        QTest::newRow("no modifier") << Shortcut(Key::f12.rawValue, 0)
                                     << std::optional(HotKeyCombination{xF12, 0});
        QTest::newRow("all four") << Shortcut(Key::a.rawValue, command | shift | option | control)
                                  << std::optional(
                                         HotKeyCombination{xA, XModifier::control | XModifier::shift |
                                                                   XModifier::mod1 | XModifier::mod4});
        QTest::newRow("stored bits beyond the four are not grabbed")
            << *Shortcut::fromJson(R"({"carbonKeyCode": 0, "carbonModifiers": 1792})")
            << std::optional(HotKeyCombination{xA, XModifier::control | XModifier::shift});
        QTest::newRow("no PC key") << noPcKey << std::optional<HotKeyCombination>();
        QTest::newRow("not a key") << Shortcut(-1, command) << std::optional<HotKeyCombination>();
    }
    void combination()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(std::optional<HotKeyCombination>, combination);
        QCOMPARE(HotKeyCenter::combinationOf(shortcut), combination);
        if (combination && shortcut.carbonModifiers() == (shortcut.carbonModifiers() & 0x1b00))
            QCOMPARE(HotKeyCenter::shortcutOf(*combination), std::optional(shortcut));
    }

    void shortcutOfLockModifier()
    {
        QCOMPARE(HotKeyCenter::shortcutOf({xA, XModifier::control | XModifier::mod2}), std::nullopt);
        QCOMPARE(HotKeyCenter::shortcutOf({8, XModifier::control}), std::nullopt); // no key at evdev 0
        QCOMPARE(HotKeyCenter::shortcutOf({xA, XModifier::control}),
                 std::optional(Shortcut(Key::a.rawValue, command)));
    }

    void routing_data()
    {
        QTest::addColumn<std::optional<HotKeyId>>("hotKeyId");
        QTest::addColumn<quint32>("kind");
        QTest::addColumn<qint32>("status");
        QTest::addColumn<QStringList>("ran");

        const quint32 hotr = HotKeyCenter::signature;
        QTest::newRow("press of the first")
            << std::optional(HotKeyId{hotr, 1}) << 5u << 0 << QStringList{"down1 19"};
        QTest::newRow("release of the first")
            << std::optional(HotKeyId{hotr, 1}) << 6u << 0 << QStringList{"up1 19"};
        QTest::newRow("press of the second")
            << std::optional(HotKeyId{hotr, 2}) << 5u << 0 << QStringList{"down2 31"};
        QTest::newRow("release of the second")
            << std::optional(HotKeyId{hotr, 2}) << 6u << 0 << QStringList{"up2 31"};
        QTest::newRow("foreign signature")
            << std::optional(HotKeyId{0x4F544852, 1}) << 5u << -9874 << QStringList();
        QTest::newRow("unknown identifier")
            << std::optional(HotKeyId{hotr, 3}) << 5u << -9874 << QStringList();
        QTest::newRow("identifier 0") << std::optional(HotKeyId{hotr, 0}) << 6u << -9874 << QStringList();
        QTest::newRow("other kind") << std::optional(HotKeyId{hotr, 1}) << 7u << -9874 << QStringList();
        QTest::newRow("no identifier") << std::optional<HotKeyId>() << 5u << -9870 << QStringList();
    }
    void routing()
    {
        QFETCH(std::optional<HotKeyId>, hotKeyId);
        QFETCH(quint32, kind);
        QFETCH(qint32, status);
        QFETCH(QStringList, ran);

        FakeHotKeyBackend backend;
        HotKeyCenter center(backend, noDesktop());
        ActionLog log;
        center.registerHotKey(shiftCommandTwo, log.action("down1"), log.action("up1"));
        center.registerHotKey(optionCommandO, log.action("down2"), log.action("up2"));
        const HotKeyEvent event{HotKeyEventKind(kind), hotKeyId};

        QCOMPARE(backend.deliver(event), status == HotKeyCenter::noErr);
        QCOMPARE(log.entries, ran);
        log.entries.clear();
        QCOMPARE(center.handleEvent(&event), status);
        QCOMPARE(log.entries, ran);
    }

    void noEvent()
    {
        FakeHotKeyBackend backend;
        HotKeyCenter center(backend, noDesktop());
        QCOMPARE(center.handleEvent(nullptr), HotKeyCenter::eventNotHandledErr);
    }

    void handlerInstalledOnFirstSuccess()
    {
        FakeHotKeyBackend backend;
        backend.heldByOthers.append(*HotKeyCenter::combinationOf(optionCommandO));
        backend.canDeliverEvents = false;
        HotKeyCenter center(backend, noDesktop());
        center.registerHotKey(optionCommandO, {}, {});
        QCOMPARE(backend.handlerInstallations, 0);
        center.registerHotKey(shiftCommandTwo, {}, {}); // no events can be had yet: tried again later
        QCOMPARE(backend.handlerInstallations, 0);
        backend.canDeliverEvents = true;
        center.registerHotKey(Shortcut(Key::a.rawValue, command), {}, {});
        QCOMPARE(backend.handlerInstallations, 1);
        center.registerHotKey(Shortcut(Key::b.rawValue, command), {}, {});
        QCOMPARE(backend.handlerInstallations, 1);
    }

    void unregisterRemovesEveryHotKeyOfTheShortcut()
    {
        FakeHotKeyBackend backend;
        backend.allowsDuplicates = true;
        HotKeyCenter center(backend, noDesktop());
        ActionLog log;
        center.registerHotKey(shiftCommandTwo, log.action("down1"), {});
        center.registerHotKey(optionCommandO, log.action("down2"), {});
        center.registerHotKey(shiftCommandTwo, log.action("down3"), {});
        QCOMPARE(center.hotKeyIds(), QList<qint64>({1, 2, 3}));

        center.unregisterHotKey(Shortcut(Key::two.rawValue, shift)); // same key, other modifiers
        center.unregisterHotKey(Shortcut(Key::three.rawValue, shift | command));
        QCOMPARE(center.hotKeyIds(), QList<qint64>({1, 2, 3}));

        center.unregisterHotKey(shiftCommandTwo);
        QCOMPARE(center.hotKeyIds(), QList<qint64>{2});
        QCOMPARE(backend.grabs.size(), 1);
        QCOMPARE(backend.grabs.first().id.id, 2u);
        for (const quint32 id : {1u, 3u}) {
            const HotKeyEvent press{HotKeyEventKind::pressed, HotKeyId{HotKeyCenter::signature, id}};
            QCOMPARE(center.handleEvent(&press), HotKeyCenter::eventNotHandledErr);
        }
        QVERIFY(log.entries.isEmpty());

        center.registerHotKey(shiftCommandTwo, log.action("down4"), {});
        QCOMPARE(center.hotKeyIds(), QList<qint64>({2, 4}));
    }

    void actionMayUnregisterItsOwnHotKey()
    {
        FakeHotKeyBackend backend;
        HotKeyCenter center(backend, noDesktop());
        int runs = 0;
        center.registerHotKey(shiftCommandTwo,
                              [&](const Shortcut& shortcut) {
                                  center.unregisterHotKey(shortcut);
                                  ++runs;
                                  QCOMPARE(shortcut, shiftCommandTwo);
                              },
                              {});
        const HotKeyEvent press{HotKeyEventKind::pressed, HotKeyId{HotKeyCenter::signature, 1}};
        QCOMPARE(center.handleEvent(&press), HotKeyCenter::noErr);
        QCOMPARE(center.handleEvent(&press), HotKeyCenter::eventNotHandledErr);
        QCOMPARE(runs, 1);
    }

    void destructionReleasesEverything()
    {
        FakeHotKeyBackend backend;
        {
            HotKeyCenter center(backend, noDesktop());
            HotKeyCenter::setShared(&center);
            QCOMPARE(HotKeyCenter::shared(), &center);
            center.registerHotKey(shiftCommandTwo, {}, {});
            center.registerHotKey(optionCommandO, {}, {});
            QCOMPARE(backend.grabs.size(), 2);
        }
        QVERIFY(backend.grabs.isEmpty());
        QVERIFY(!backend.handler);
        QCOMPARE(HotKeyCenter::shared(), nullptr);
    }

    void systemShortcuts()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString kdePath = dir.filePath("kglobalshortcutsrc");
        QFile kde(kdePath);
        QVERIFY(kde.open(QIODevice::WriteOnly));
        kde.write("[kwin]\nShow Desktop=Meta+D,Meta+D,Peek at Desktop\nWindow Close=Alt+F4,Alt+F4,Close\n");
        kde.close();
        DesktopKeyBindings::Sources desktop;
        desktop.gsettings = [](const QStringList& arguments) -> std::optional<QString> {
            if (arguments.value(1) == "org.gnome.desktop.wm.keybindings")
                return "org.gnome.desktop.wm.keybindings close ['<Alt>F4']\n"
                       "org.gnome.desktop.wm.keybindings panel-run-dialog ['<Alt>F2']\n";
            return std::nullopt;
        };
        desktop.kdeGlobalShortcutsPath = kdePath;

        FakeHotKeyBackend backend;
        const HotKeyCombination altCtrlO{xO, XModifier::mod1 | XModifier::control};
        const HotKeyCombination f12{xF12, 0};
        backend.heldByOthers = {altCtrlO, f12, {xF12, XModifier::mod1}};
        const HotKeyCenter center(backend, desktop);

        const QList<Shortcut> expected{
            Shortcut(Key::f4.rawValue, option), Shortcut(Key::f2.rawValue, option),
            Shortcut(Key::d.rawValue, control), optionCommandO,
            Shortcut(Key::f12.rawValue, 0),     Shortcut(Key::f12.rawValue, option)};
        QCOMPARE(center.systemShortcuts(), expected);
        QCOMPARE(center.systemShortcuts(), expected); // read afresh, the same again
        QCOMPARE(backend.probes.size(), 2);
    }

    void probedCombinations_data()
    {
        QTest::addColumn<HotKeyCombination>("combination");
        QTest::addColumn<bool>("probed");
        const quint16 ctrl = XModifier::control, alt = XModifier::mod1, super = XModifier::mod4;
        QTest::newRow("Alt+Ctrl+O") << HotKeyCombination{xO, quint16(alt | ctrl)} << true;
        QTest::newRow("Super+A") << HotKeyCombination{xA, super} << true;
        QTest::newRow("all four with 2")
            << HotKeyCombination{xTwo, quint16(ctrl | alt | super | XModifier::shift)} << true;
        QTest::newRow("F12 alone") << HotKeyCombination{xF12, 0} << true;
        QTest::newRow("Shift+F12") << HotKeyCombination{xF12, XModifier::shift} << true;
        QTest::newRow("volume up alone") << HotKeyCombination{123, 0} << true;
        QTest::newRow("A alone, a key that types") << HotKeyCombination{xA, 0} << false;
        QTest::newRow("Shift+A") << HotKeyCombination{xA, XModifier::shift} << false;
        QTest::newRow("a lock modifier") << HotKeyCombination{xA, quint16(ctrl | XModifier::mod2)} << false;
        QTest::newRow("Ctrl with left Shift") << HotKeyCombination{50, ctrl} << false;
    }
    void probedCombinations()
    {
        QFETCH(HotKeyCombination, combination);
        QFETCH(bool, probed);
        FakeHotKeyBackend backend;
        HotKeyCenter(backend, noDesktop()).systemShortcuts();
        QCOMPARE(backend.probes.size(), 1);
        QCOMPARE(backend.probes[0].contains(combination), probed);
    }
};

QTEST_GUILESS_MAIN(TestHotKeyCenter)
#include "tst_hotkeycenter.moc"
