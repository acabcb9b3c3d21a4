#include "x11/hotkeystatemachine.h"

#include <QTest>

namespace {

// Key codes of the US layout under X: evdev code + 8.
constexpr quint8 two = 11, three = 12, four = 13, one = 10, shiftL = 50, controlL = 37;
constexpr quint16 shift = XModifier::shift, control = XModifier::control, alt = XModifier::mod1,
                  capsLock = XModifier::lock, numLock = XModifier::mod2;
constexpr quint16 groupTwo = 0x2000; // keyboard group 2 in the state's upper bits

struct KeyEvent {
    quint8 keyCode;
    quint16 state;
    bool pressed;
};
KeyEvent down(quint8 keyCode, quint16 state)
{
    return {keyCode, state, true};
}
KeyEvent up(quint8 keyCode, quint16 state)
{
    return {keyCode, state, false};
}

using Transition = HotKeyStateMachine::Transition;
Transition pressed(quint32 reference)
{
    return {reference, true};
}
Transition released(quint32 reference)
{
    return {reference, false};
}

// Shift+Ctrl+2 is 1, Ctrl+3 is 2, Ctrl+NumLock+4 (a grab that asks for a lock bit itself) is 3.
HotKeyStateMachine machine()
{
    HotKeyStateMachine machine;
    machine.setLockModifiers(capsLock | numLock);
    machine.add(1, {two, shift | control});
    machine.add(2, {three, control});
    machine.add(3, {four, control | numLock});
    return machine;
}

QList<Transition> feed(HotKeyStateMachine& machine, const QList<KeyEvent>& events)
{
    QList<Transition> transitions;
    for (const KeyEvent& event : events) {
        if (const auto transition = machine.feed(event.keyCode, event.state, event.pressed))
            transitions.append(*transition);
    }
    return transitions;
}

} // namespace

Q_DECLARE_METATYPE(QList<KeyEvent>)
Q_DECLARE_METATYPE(QList<Transition>)

class TestHotKeyStateMachine : public QObject {
    Q_OBJECT
private slots:
    void events_data()
    {
        QTest::addColumn<QList<KeyEvent>>("events");
        QTest::addColumn<QList<Transition>>("expected");

        const quint16 sc = shift | control;
        QTest::newRow("modifiers down, key down, key up, modifiers up")
            << QList{down(shiftL, 0), down(controlL, shift), down(two, sc),
                     up(two, sc),     up(controlL, sc),      up(shiftL, shift)}
            << QList{pressed(1), released(1)};
        QTest::newRow("modifier keys released before the key")
            << QList{down(two, sc), up(shiftL, sc), up(controlL, control), up(two, 0)}
            << QList{pressed(1), released(1)};
        QTest::newRow("modifier keys alone")
            << QList{down(shiftL, 0), down(controlL, shift), up(controlL, sc), up(shiftL, shift)}
            << QList<Transition>{};
        QTest::newRow("held key repeats")
            << QList{down(two, sc), down(two, sc), down(two, sc), down(two, sc), up(two, sc)}
            << QList{pressed(1), released(1)};
        QTest::newRow("repeats after a modifier was let go")
            << QList{down(two, sc), down(two, control), down(two, control), up(two, control)}
            << QList{pressed(1), released(1)};
        QTest::newRow("release without a press") << QList{up(two, sc)} << QList<Transition>{};
        QTest::newRow("release of the key pressed without its modifiers")
            << QList{down(two, shift), up(two, sc)} << QList<Transition>{};
        QTest::newRow("pressed twice") << QList{down(two, sc), up(two, sc), down(two, sc), up(two, sc)}
                                       << QList{pressed(1), released(1), pressed(1), released(1)};
        QTest::newRow("NumLock and CapsLock on")
            << QList{down(two, sc | numLock | capsLock), up(two, sc | numLock | capsLock)}
            << QList{pressed(1), released(1)};
        QTest::newRow("second keyboard group")
            << QList{down(two, sc | groupTwo), up(two, sc | groupTwo)} << QList{pressed(1), released(1)};
        QTest::newRow("one modifier more")
            << QList{down(two, sc | alt), up(two, sc | alt)} << QList<Transition>{};
        QTest::newRow("another key with the modifiers")
            << QList{down(one, sc), up(one, sc)} << QList<Transition>{};
        QTest::newRow("two hot keys held at once")
            << QList{down(two, sc), down(three, control), down(three, control), up(two, control),
                     up(three, control)}
            << QList{pressed(1), pressed(2), released(1), released(2)};
        QTest::newRow("grab asking for NumLock, NumLock off")
            << QList{down(four, control), up(four, control)} << QList<Transition>{};
        QTest::newRow("grab asking for NumLock, NumLock on")
            << QList{down(four, control | numLock | capsLock), up(four, control | numLock)}
            << QList{pressed(3), released(3)};
    }
    void events()
    {
        QFETCH(QList<KeyEvent>, events);
        QFETCH(QList<Transition>, expected);
        HotKeyStateMachine stateMachine = machine();
        QCOMPARE(feed(stateMachine, events), expected);
    }

    void removedWhileHeld()
    {
        HotKeyStateMachine stateMachine = machine();
        QCOMPARE(feed(stateMachine, {down(two, shift | control)}), QList{pressed(1)});
        stateMachine.remove(1);
        QCOMPARE(feed(stateMachine, {up(two, shift | control), down(two, shift | control)}),
                 QList<Transition>{});
        QCOMPARE(stateMachine.referenceOf({two, shift | control}), std::nullopt);
        stateMachine.add(4, {two, shift | control});
        QCOMPARE(feed(stateMachine, {down(two, shift | control), up(two, 0)}),
                 QList({pressed(4), released(4)}));
    }
};

QTEST_GUILESS_MAIN(TestHotKeyStateMachine)
#include "tst_hotkeystatemachine.moc"
