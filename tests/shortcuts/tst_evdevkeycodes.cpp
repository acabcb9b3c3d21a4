#include "evdevkeycodes.h"

#include <QTest>

#include <linux/input-event-codes.h>

using namespace EvdevKeyCodes;

class TestEvdevKeyCodes : public QObject {
    Q_OBJECT

private slots:
    void positions_data();
    void positions();
    void everyKeyCodeRoundTrips();
    void everyEvdevCodeRoundTrips();
    void xKeyCodesAreEvdevPlusEight();
    void codesOutsideTheTable();
};

void TestEvdevKeyCodes::positions_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<int>("evdev");
    QTest::newRow("a") << Key::a.rawValue << KEY_A;
    QTest::newRow("two") << Key::two.rawValue << KEY_2;
    QTest::newRow("return") << Key::returnKey.rawValue << KEY_ENTER;
    QTest::newRow("delete") << Key::deleteKey.rawValue << KEY_BACKSPACE;
    QTest::newRow("forward delete") << Key::deleteForward.rawValue << KEY_DELETE;
    QTest::newRow("help") << Key::help.rawValue << KEY_INSERT;
    QTest::newRow("backtick") << Key::backtick.rawValue << KEY_GRAVE;
    QTest::newRow("command is Ctrl") << Key::command.rawValue << KEY_LEFTCTRL;
    QTest::newRow("right option is AltGr") << Key::rightOption.rawValue << KEY_RIGHTALT;
    QTest::newRow("control is Super") << Key::control.rawValue << KEY_LEFTMETA;
    QTest::newRow("f11") << Key::f11.rawValue << KEY_F11;
    QTest::newRow("f13") << Key::f13.rawValue << KEY_F13;
    QTest::newRow("keypad clear") << Key::keypadClear.rawValue << KEY_NUMLOCK;
    QTest::newRow("keypad equals") << Key::keypadEquals.rawValue << KEY_KPEQUAL;
}

void TestEvdevKeyCodes::positions()
{
    QFETCH(qint64, keyCode);
    QFETCH(int, evdev);
    QCOMPARE(evdevCode(Key(keyCode)), evdev);
    QCOMPARE(keyForEvdevCode(evdev), Key(keyCode));
}

// Every named key but `function` has a PC key, and no two share one.
void TestEvdevKeyCodes::everyKeyCodeRoundTrips()
{
    int mapped = 0;
    for (qint64 code = 0; code < 128; ++code) {
        const std::optional<int> evdev = evdevCode(Key(code));
        if (!evdev)
            continue;
        ++mapped;
        QCOMPARE(keyForEvdevCode(*evdev), Key(code));
    }
    QCOMPARE(mapped, 112);
    QCOMPARE(evdevCode(Key::function), std::nullopt);
}

void TestEvdevKeyCodes::everyEvdevCodeRoundTrips()
{
    for (int evdev = 0; evdev <= KEY_MAX; ++evdev) {
        if (const std::optional<Key> key = keyForEvdevCode(evdev))
            QCOMPARE(evdevCode(*key), evdev);
    }
}

void TestEvdevKeyCodes::xKeyCodesAreEvdevPlusEight()
{
    QCOMPARE(xKeyCode(Key::two), 11);
    QCOMPARE(xKeyCode(Key::a), 38);
    QCOMPARE(keyForXKeyCode(11), Key::two);
    QCOMPARE(keyForXKeyCode(24), Key::q);
    QCOMPARE(xKeyCode(Key::function), std::nullopt);
}

void TestEvdevKeyCodes::codesOutsideTheTable()
{
    QCOMPARE(evdevCode(Key(-1)), std::nullopt);
    QCOMPARE(evdevCode(Key(1000)), std::nullopt);
    QCOMPARE(keyForEvdevCode(KEY_RESERVED), std::nullopt);
    QCOMPARE(keyForEvdevCode(-1), std::nullopt);
    QCOMPARE(keyForXKeyCode(7), std::nullopt);
    QCOMPARE(keyForXKeyCode(std::numeric_limits<int>::min()), std::nullopt);
}

QTEST_GUILESS_MAIN(TestEvdevKeyCodes)
#include "tst_evdevkeycodes.moc"
