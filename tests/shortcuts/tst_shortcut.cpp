#include "modifierconversion.h"
#include "shortcut.h"

#include <QKeyEvent>
#include <QTest>

namespace {

constexpr quint64 functionFlag = 0x800000;
constexpr quint64 numericPadFlag = 0x200000;

QKeyEvent keyEvent(QEvent::Type type, quint32 xKeyCode, Qt::KeyboardModifiers modifiers)
{
    return QKeyEvent(type, Qt::Key_unknown, modifiers, xKeyCode, 0, 0);
}

} // namespace

class TestShortcut : public QObject {
    Q_OBJECT

private slots:
    void flagsToCarbon_data();
    void flagsToCarbon();
    void carbonToFlags_data();
    void carbonToFlags();
    void initialisersKeepOnlyTheFourModifiers();
    void equalityAndHash_data();
    void equalityAndHash();
    void anyIntegerIsAKey();
    void jsonRoundTrip();
    void encodesCompactJson();
    void decodedModifiersAreKeptAsStored();
    void malformedJsonIsNoShortcut_data();
    void malformedJsonIsNoShortcut();
    void fromKeyEvent_data();
    void fromKeyEvent();
    void fromOtherEventsIsNoShortcut();
};

void TestShortcut::flagsToCarbon_data()
{
    QTest::addColumn<quint64>("flags");
    QTest::addColumn<qint64>("carbon");
    QTest::newRow("shift command") << (ModifierFlag::shift | ModifierFlag::command) << qint64(768);
    QTest::newRow("caps lock dropped") << (ModifierFlag::capsLock | ModifierFlag::command) << qint64(0x100);
    QTest::newRow("function dropped") << (functionFlag | ModifierFlag::command) << qint64(0x100);
    QTest::newRow("numeric pad alone") << numericPadFlag << qint64(0);
    QTest::newRow("option") << ModifierFlag::option << qint64(0x800);
    QTest::newRow("control") << ModifierFlag::control << qint64(0x1000);
    QTest::newRow("all four") << (ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift |
                                  ModifierFlag::command)
                              << qint64(0x1B00);
}

void TestShortcut::flagsToCarbon()
{
    QFETCH(quint64, flags);
    QFETCH(qint64, carbon);
    QCOMPARE(ModifierConversion::carbonModifiers(flags), carbon);
}

void TestShortcut::carbonToFlags_data()
{
    QTest::addColumn<qint64>("carbon");
    QTest::addColumn<quint64>("flags");
    QTest::newRow("768") << qint64(768) << quint64(0x120000);
    QTest::newRow("option control") << qint64(0x1800) << (ModifierFlag::option | ModifierFlag::control);
    // Caps lock (0x400) and the right-hand variants (0x2000 and up) are not among the four.
    QTest::newRow("other bits dropped") << qint64(0x100 | 0x400 | 0x2000 | 0x1) << ModifierFlag::command;
    QTest::newRow("none") << qint64(0) << quint64(0);
}

void TestShortcut::carbonToFlags()
{
    QFETCH(qint64, carbon);
    QFETCH(quint64, flags);
    QCOMPARE(ModifierConversion::modifierFlags(carbon), flags);
}

void TestShortcut::initialisersKeepOnlyTheFourModifiers()
{
    const Shortcut fromFlags(Key::two, ModifierFlag::shift | ModifierFlag::command | ModifierFlag::capsLock);
    QCOMPARE(fromFlags.carbonKeyCode(), 19);
    QCOMPARE(fromFlags.carbonModifiers(), 768);
    QCOMPARE(fromFlags.modifiers(), ModifierFlag::shift | ModifierFlag::command);

    const Shortcut fromCarbon(qint64(19), qint64(768 | 0x400 | 0x4000));
    QCOMPARE(fromCarbon.carbonModifiers(), 768);
    QCOMPARE(fromCarbon, fromFlags);
}

void TestShortcut::equalityAndHash_data()
{
    QTest::addColumn<qint64>("otherKeyCode");
    QTest::addColumn<qint64>("otherModifiers");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same") << qint64(19) << qint64(768) << true;
    QTest::newRow("other modifiers") << qint64(19) << qint64(256) << false;
    QTest::newRow("other key") << qint64(20) << qint64(768) << false;
    // The two numbers swapped must not look alike.
    QTest::newRow("swapped") << qint64(768) << qint64(19) << false;
}

void TestShortcut::equalityAndHash()
{
    QFETCH(qint64, otherKeyCode);
    QFETCH(qint64, otherModifiers);
    QFETCH(bool, equal);
    const Shortcut shortcut(Key::two, ModifierFlag::shift | ModifierFlag::command);
    const auto other = Shortcut::fromJson(QStringLiteral("{\"carbonKeyCode\":%1,\"carbonModifiers\":%2}")
                                              .arg(otherKeyCode)
                                              .arg(otherModifiers)
                                              .toUtf8());
    QVERIFY(other);
    QCOMPARE(shortcut == *other, equal);
    QCOMPARE(qHash(shortcut, 7) == qHash(*other, 7), equal);

    QSet<Shortcut> set{shortcut};
    QCOMPARE(set.contains(*other), equal);
}

void TestShortcut::anyIntegerIsAKey()
{
    const Key unnamed(-12345);
    QCOMPARE(unnamed.rawValue, -12345);
    QCOMPARE(Key(19), Key::two);
    QVERIFY(Key(20) != Key::two);
    QCOMPARE(qHash(Key(19), 3), qHash(Key::two, 3));
    QCOMPARE(Shortcut(unnamed, ModifierFlag::option).carbonKeyCode(), -12345);
}

void TestShortcut::jsonRoundTrip()
{
    const Shortcut shortcut(Key::f13, ModifierFlag::control | ModifierFlag::option);
    QCOMPARE(Shortcut::fromJson(shortcut.toJson()), shortcut);
}

void TestShortcut::encodesCompactJson()
{
    const Shortcut shortcut(Key::two, ModifierFlag::shift | ModifierFlag::command);
    QCOMPARE(shortcut.toJson(), QByteArray(R"({"carbonKeyCode":19,"carbonModifiers":768})"));
}

void TestShortcut::decodedModifiersAreKeptAsStored()
{
    const auto shortcut = Shortcut::fromJson(R"({"carbonModifiers": 66304, "carbonKeyCode": 12})");
    QVERIFY(shortcut);
    QCOMPARE(shortcut->carbonKeyCode(), 12);
    QCOMPARE(shortcut->carbonModifiers(), 66304);
    // Only the view converts; the record itself is left alone.
    QCOMPARE(shortcut->modifiers(), ModifierFlag::command | ModifierFlag::shift);
    QVERIFY(*shortcut != Shortcut(Key::q, ModifierFlag::command | ModifierFlag::shift));
}

void TestShortcut::malformedJsonIsNoShortcut_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("plain text") << QByteArray("abc");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("number") << QByteArray("19");
    QTest::newRow("array") << QByteArray("[19,768]");
    QTest::newRow("empty object") << QByteArray("{}");
    QTest::newRow("no modifiers") << QByteArray(R"({"carbonKeyCode":19})");
    QTest::newRow("no key code") << QByteArray(R"({"carbonModifiers":768})");
    QTest::newRow("string value") << QByteArray(R"({"carbonKeyCode":"19","carbonModifiers":768})");
    QTest::newRow("fraction") << QByteArray(R"({"carbonKeyCode":19,"carbonModifiers":768.5})");
    QTest::newRow("boolean") << QByteArray(R"({"carbonKeyCode":true,"carbonModifiers":768})");
    QTest::newRow("null") << QByteArray(R"({"carbonKeyCode":19,"carbonModifiers":null})");
    QTest::newRow("cut short") << QByteArray(R"({"carbonKeyCode":19,"carbonModifiers":7)");
}

void TestShortcut::malformedJsonIsNoShortcut()
{
    QFETCH(QByteArray, json);
    QCOMPARE(Shortcut::fromJson(json), std::nullopt);
}

void TestShortcut::fromKeyEvent_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<quint32>("xKeyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbonModifiers");
    // X key code 11 is evdev KEY_2.
    QTest::newRow("shift ctrl 2") << int(QEvent::KeyPress) << 11u
                                  << int(Qt::ShiftModifier | Qt::ControlModifier) << qint64(19)
                                  << qint64(768);
    QTest::newRow("release") << int(QEvent::KeyRelease) << 11u << int(Qt::ShiftModifier | Qt::ControlModifier)
                             << qint64(19) << qint64(768);
    // X key code 32 is KEY_O; Alt is option, Super (Meta) is control; the keypad flag is dropped.
    QTest::newRow("alt super o") << int(QEvent::KeyPress) << 32u
                                 << int(Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier)
                                 << Key::o.rawValue << qint64(0x1800);
}

void TestShortcut::fromKeyEvent()
{
    QFETCH(int, type);
    QFETCH(quint32, xKeyCode);
    QFETCH(int, modifiers);
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbonModifiers);
    const QKeyEvent event = keyEvent(QEvent::Type(type), xKeyCode, Qt::KeyboardModifiers(modifiers));
    const std::optional<Shortcut> shortcut = Shortcut::fromKeyEvent(event);
    QVERIFY(shortcut);
    QCOMPARE(shortcut->carbonKeyCode(), keyCode);
    QCOMPARE(shortcut->carbonModifiers(), carbonModifiers);
}

void TestShortcut::fromOtherEventsIsNoShortcut()
{
    const QKeyEvent shortcutOverride = keyEvent(QEvent::ShortcutOverride, 11, Qt::ControlModifier);
    QCOMPARE(Shortcut::fromKeyEvent(shortcutOverride), std::nullopt);
    const QEvent focus(QEvent::FocusIn);
    QCOMPARE(Shortcut::fromKeyEvent(focus), std::nullopt);
    // No scan code (a synthesised event), evdev KEY_RESERVED, and a code beyond the table.
    for (const quint32 xKeyCode : {0u, 8u, 255u, 70000u})
        QCOMPARE(Shortcut::fromKeyEvent(keyEvent(QEvent::KeyPress, xKeyCode, {})), std::nullopt);
}

QTEST_GUILESS_MAIN(TestShortcut)
#include "tst_shortcut.moc"
