// The recorder's decisions for key and mouse events, and the check against Oculo's own menu items.
#include "applicationmenushortcuts.h"
#include "modifierflags.h"
#include "recorderkeyhandler.h"

#include <QTest>

namespace {

using namespace GlobalShortcuts;
using Verdict = RecorderVerdict;
using OptionalKey = std::optional<Key>;

constexpr quint64 shift = ModifierFlag::shift;
constexpr quint64 command = ModifierFlag::command; // Ctrl
constexpr quint64 option = ModifierFlag::option;   // Alt
constexpr quint64 control = ModifierFlag::control; // Super

RecorderKeyEvent press(OptionalKey key, quint64 modifiers = 0)
{
    return RecorderKeyEvent{true, key, modifiers, false};
}

// A recording handler with the menu items and reserved shortcuts the test gives; counts the lookups.
struct Recording {
    QHash<Shortcut, QString> menuItems;
    QList<Shortcut> reserved;
    int lookups = 0;
    RecorderKeyHandler handler{[this](const Shortcut& shortcut) {
                                   ++lookups;
                                   return menuItems.contains(shortcut)
                                              ? std::optional(menuItems.value(shortcut))
                                              : std::nullopt;
                               },
                               [this] {
                                   ++lookups;
                                   return reserved;
                               }};
    Recording() { handler.startRecording(); }
};

} // namespace

Q_DECLARE_METATYPE(OptionalKey)
Q_DECLARE_METATYPE(GlobalShortcuts::RecorderVerdict)

class TestRecorderKeyHandler : public QObject {
    Q_OBJECT
private slots:
    void onlyARecordingHandlerDecides()
    {
        RecorderKeyHandler handler({}, {});
        QCOMPARE(handler.handleKey(press(Key::escape)).verdict, Verdict::passOn);
        QCOMPARE(handler.handleMouseRelease(false).verdict, Verdict::passOn);
        QVERIFY(handler.startRecording());
        QVERIFY(!handler.startRecording());
        QCOMPARE(handler.handleKey(press(Key::escape)).verdict, Verdict::endRecording);
        QCOMPARE(handler.handleMouseRelease(true).verdict, Verdict::passOn);
        QCOMPARE(handler.handleMouseRelease(false).verdict, Verdict::endRecording);
        QVERIFY(handler.stopRecording());
        QCOMPARE(handler.handleKey(press(Key::escape)).verdict, Verdict::passOn);
    }

    void releasesAndModifierKeysMakeNoCombination()
    {
        Recording recording;
        const QList<RecorderKeyEvent> events{
            {false, Key::a, command, false},
            {true, Key::shift, shift, false},
            {true, Key::rightCommand, command | shift, false},
            {true, Key::capsLock, 0, false},
            {true, Key::semicolon, option, true}, // a modifier moved to another position
            {true, std::nullopt, 0, true},
        };
        for (const RecorderKeyEvent& event : events)
            QCOMPARE(recording.handler.handleKey(event).verdict, Verdict::swallow);
        QCOMPARE(recording.lookups, 0);
    }

    void verdictOfAPress_data()
    {
        QTest::addColumn<OptionalKey>("key");
        QTest::addColumn<quint64>("modifiers");
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("Tab") << OptionalKey(Key::tab) << quint64(0) << Verdict::moveFocus;
        QTest::newRow("Tab, Caps Lock on")
            << OptionalKey(Key::tab) << ModifierFlag::capsLock << Verdict::moveFocus;
        QTest::newRow("Escape") << OptionalKey(Key::escape) << quint64(0) << Verdict::endRecording;
        QTest::newRow("Backspace") << OptionalKey(Key::deleteKey) << quint64(0) << Verdict::clear;
        QTest::newRow("Delete") << OptionalKey(Key::deleteForward) << quint64(0) << Verdict::clear;
        QTest::newRow("Shift+Tab") << OptionalKey(Key::tab) << shift << Verdict::beep;
        QTest::newRow("Shift+Backspace") << OptionalKey(Key::deleteKey) << shift << Verdict::beep;
        QTest::newRow("Ctrl+Escape") << OptionalKey(Key::escape) << command << Verdict::accept;
        QTest::newRow("a") << OptionalKey(Key::a) << quint64(0) << Verdict::beep;
        QTest::newRow("Shift+a") << OptionalKey(Key::a) << shift << Verdict::beep;
        QTest::newRow("Space") << OptionalKey(Key::space) << quint64(0) << Verdict::beep;
        QTest::newRow("F5") << OptionalKey(Key::f5) << quint64(0) << Verdict::accept;
        QTest::newRow("Shift+F20") << OptionalKey(Key::f20) << shift << Verdict::accept;
        QTest::newRow("Super+a") << OptionalKey(Key::a) << control << Verdict::accept;
        QTest::newRow("Ctrl+a, Caps Lock on")
            << OptionalKey(Key::a) << (command | ModifierFlag::capsLock) << Verdict::accept;
        QTest::newRow("no PC key") << OptionalKey() << quint64(0) << Verdict::beep;
        QTest::newRow("Ctrl+no PC key") << OptionalKey() << command << Verdict::beep;
    }
    void verdictOfAPress()
    {
        QFETCH(OptionalKey, key);
        QFETCH(quint64, modifiers);
        QFETCH(Verdict, verdict);
        Recording recording;
        const RecorderDecision decision = recording.handler.handleKey(press(key, modifiers));
        QCOMPARE(decision.verdict, verdict);
        if (verdict == Verdict::accept)
            QCOMPARE(decision.shortcut, Shortcut(*key, modifiers));
        QCOMPARE(recording.lookups, verdict == Verdict::accept ? 2 : 0);
    }

    void combinationsInUseAreRefused()
    {
        Recording recording;
        const Shortcut commandOne(Key::one, command);
        recording.menuItems.insert(commandOne, QStringLiteral("Recent text"));
        recording.reserved = {commandOne, Shortcut(Key::t, command | option), Shortcut(Key::f12, 0),
                              Shortcut(Key::f12, shift)};

        // The menu items come first: the desktop is not asked.
        RecorderDecision decision = recording.handler.handleKey(press(Key::one, command));
        QCOMPARE(decision.verdict, Verdict::usedByMenuItem);
        QCOMPARE(decision.menuItemTitle, QStringLiteral("Recent text"));
        QCOMPARE(recording.lookups, 1);
        QCOMPARE(recording.handler.handleKey(press(Key::t, command | option)).verdict, Verdict::usedBySystem);
        QCOMPARE(recording.handler.handleKey(press(Key::t, command)).verdict, Verdict::accept);
        QCOMPARE(recording.handler.handleKey(press(Key::f12)).verdict, Verdict::accept);
        QCOMPARE(recording.handler.handleKey(press(Key::f12, shift)).verdict, Verdict::usedBySystem);
    }

    void menuKeySequences_data()
    {
        QTest::addColumn<QKeySequence>("sequence");
        QTest::addColumn<qint64>("key");
        QTest::addColumn<quint64>("modifiers");
        QTest::addColumn<bool>("uses");
        QTest::newRow("Shift+Ctrl+O")
            << QKeySequence(QStringLiteral("Shift+Ctrl+O")) << Key::o.rawValue << (command | shift) << true;
        QTest::newRow("Ctrl+O") << QKeySequence(Qt::CTRL | Qt::Key_O) << Key::o.rawValue << (command | shift)
                                << false;
        QTest::newRow("Meta is Super")
            << QKeySequence(Qt::META | Qt::Key_A) << Key::a.rawValue << control << true;
        QTest::newRow("keypad 1") << QKeySequence(Qt::CTRL | Qt::Key_1) << Key::keypad1.rawValue << command
                                  << true;
        QTest::newRow("two chords") << QKeySequence(Qt::CTRL | Qt::Key_O, Qt::CTRL | Qt::Key_P)
                                    << Key::o.rawValue << command << false;
        QTest::newRow("no PC key") << QKeySequence(Qt::CTRL) << Key::function.rawValue << command << false;
    }
    void menuKeySequences()
    {
        QFETCH(QKeySequence, sequence);
        QFETCH(qint64, key);
        QFETCH(quint64, modifiers);
        QFETCH(bool, uses);
        QCOMPARE(usesShortcut(sequence, Shortcut(Key(key), modifiers)), uses);
    }

    void menuItemsAreAskedAfreshInTheirOrder()
    {
        const Shortcut commandOne(Key::one, command);
        QVERIFY(!menuItemUsing(commandOne));
        QList<MenuItemShortcut> items{{QStringLiteral("first"), QKeySequence(Qt::CTRL | Qt::Key_1)},
                                      {QStringLiteral("second"), QKeySequence(Qt::CTRL | Qt::Key_1)}};
        setApplicationMenuItems([&items] { return items; });
        QCOMPARE(menuItemUsing(commandOne), QStringLiteral("first"));
        QVERIFY(!menuItemUsing(Shortcut(Key::two, command)));
        items.removeFirst();
        QCOMPARE(menuItemUsing(commandOne), QStringLiteral("second"));

        // Without titles an item is named by its key sequence.
        setApplicationMenuShortcuts([] { return QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_1)}; });
        QCOMPARE(menuItemUsing(commandOne),
                 QKeySequence(Qt::CTRL | Qt::Key_1).toString(QKeySequence::NativeText));
        setApplicationMenuShortcuts({});
        QVERIFY(!menuItemUsing(commandOne));
    }
};

QTEST_GUILESS_MAIN(TestRecorderKeyHandler)
#include "tst_recorderkeyhandler.moc"
