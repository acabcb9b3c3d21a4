// Key names without an X display: the layout is then the US one.
#include "keynames.h"
#include "modifierconversion.h"
#include "shortcut.h"

#include <QTest>

namespace {

const QString replacement = QStringLiteral(u"\uFFFD");

} // namespace

class TestKeyNames : public QObject {
    Q_OBJECT

private slots:
    void glyphs_data();
    void glyphs();
    void tablesHaveEveryRow();
    void modifierSymbols_data();
    void modifierSymbols();
    void description_data();
    void description();
    void keyEquivalent_data();
    void keyEquivalent();
    void keyToCharacter_data();
    void keyToCharacter();
    void nativeText_data();
    void nativeText();
};

void TestKeyNames::glyphs_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<QString>("glyph");
    QTest::addColumn<QString>("keyEquivalentCharacter");
    QTest::newRow("return") << Key::returnKey.rawValue << QStringLiteral(u"\u21A9") << QString();
    QTest::newRow("help") << Key::help.rawValue << QStringLiteral(u"?\u20DD") << QString();
    QTest::newRow("space") << Key::space.rawValue << QStringLiteral(u"\u23B5") << QString();
    QTest::newRow("forward delete") << Key::deleteForward.rawValue << QStringLiteral(u"\u2326") << QString();
    QTest::newRow("f1") << Key::f1.rawValue << QStringLiteral("F1") << QStringLiteral(u"\uF704");
    QTest::newRow("f5") << Key::f5.rawValue << QStringLiteral("F5") << QStringLiteral(u"\uF708");
    QTest::newRow("f17") << Key::f17.rawValue << QStringLiteral("F17") << QStringLiteral(u"\uF714");
    QTest::newRow("f20") << Key::f20.rawValue << QStringLiteral("F20") << QStringLiteral(u"\uF717");
}

void TestKeyNames::glyphs()
{
    QFETCH(qint64, keyCode);
    QFETCH(QString, glyph);
    QFETCH(QString, keyEquivalentCharacter);
    QCOMPARE(KeyNames::specialKeyGlyphs().value(Key(keyCode)), glyph);
    QCOMPARE(KeyNames::keyEquivalentCharacters().value(Key(keyCode)), keyEquivalentCharacter);
}

void TestKeyNames::tablesHaveEveryRow()
{
    QCOMPARE(KeyNames::specialKeyGlyphs().size(), 35);
    QCOMPARE(KeyNames::keyEquivalentCharacters().size(), 20);
}

void TestKeyNames::modifierSymbols_data()
{
    QTest::addColumn<quint64>("flags");
    QTest::addColumn<QString>("symbols");
    QTest::newRow("none") << quint64(0) << QString();
    QTest::newRow("shift command") << (ModifierFlag::command | ModifierFlag::shift) << QStringLiteral("⇧⌘");
    QTest::newRow("all, fixed order") << (ModifierFlag::command | ModifierFlag::shift | ModifierFlag::option |
                                          ModifierFlag::control | KeyNames::functionModifierFlag)
                                      << QStringLiteral(u"⌃⌥⇧⌘\U0001F310\uFE0E");
    QTest::newRow("caps lock has none") << ModifierFlag::capsLock << QString();
}

void TestKeyNames::modifierSymbols()
{
    QFETCH(quint64, flags);
    QFETCH(QString, symbols);
    QCOMPARE(KeyNames::description(flags), symbols);
}

void TestKeyNames::description_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbonModifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("default") << qint64(19) << qint64(768) << QStringLiteral("⇧⌘2");
    QTest::newRow("control option space")
        << Key::space.rawValue << (CarbonModifier::control | CarbonModifier::option) << QStringLiteral("⌃⌥⎵");
    QTest::newRow("f5 alone") << Key::f5.rawValue << qint64(0) << QStringLiteral("F5");
    QTest::newRow("letter upper-cased") << Key::q.rawValue << CarbonModifier::command << QStringLiteral("⌘Q");
    QTest::newRow("punctuation") << Key::leftBracket.rawValue << CarbonModifier::option
                                 << QStringLiteral("⌥[");
    QTest::newRow("no PC key") << Key::function.rawValue << CarbonModifier::shift << "⇧" + replacement;
    QTest::newRow("unknown code") << qint64(200) << CarbonModifier::command << "⌘" + replacement;
}

void TestKeyNames::description()
{
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbonModifiers);
    QFETCH(QString, text);
    QCOMPARE(Shortcut(keyCode, carbonModifiers).description(), text);
}

void TestKeyNames::keyEquivalent_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbonModifiers");
    QTest::addColumn<QString>("keyEquivalent");
    QTest::addColumn<quint64>("mask");
    QTest::newRow("default") << qint64(19) << qint64(768) << QStringLiteral("2")
                             << (ModifierFlag::shift | ModifierFlag::command);
    QTest::newRow("f5") << Key::f5.rawValue << qint64(0) << QStringLiteral(u"\uF708") << quint64(0);
    // As the layout types it, not upper-cased.
    QTest::newRow("letter") << Key::q.rawValue << CarbonModifier::command << QStringLiteral("q")
                            << ModifierFlag::command;
    QTest::newRow("return glyph") << Key::returnKey.rawValue << qint64(0) << QStringLiteral(u"\u21A9")
                                  << quint64(0);
    // Two code points but one character: kept as it is.
    QTest::newRow("help glyph") << Key::help.rawValue << qint64(0) << QStringLiteral(u"?\u20DD")
                                << quint64(0);
    QTest::newRow("no PC key") << Key::function.rawValue << CarbonModifier::control << QString()
                               << ModifierFlag::control;
}

void TestKeyNames::keyEquivalent()
{
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbonModifiers);
    QFETCH(QString, keyEquivalent);
    QFETCH(quint64, mask);
    const Shortcut shortcut(keyCode, carbonModifiers);
    QCOMPARE(shortcut.keyEquivalent(), keyEquivalent);
    QCOMPARE(shortcut.modifiers(), mask);
}

void TestKeyNames::keyToCharacter_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<std::optional<QString>>("character");
    QTest::newRow("return") << Key::returnKey.rawValue << std::optional(QStringLiteral(u"\u21A9"));
    QTest::newRow("quote") << Key::quote.rawValue << std::optional(QStringLiteral("'"));
    QTest::newRow("backtick") << Key::backtick.rawValue << std::optional(QStringLiteral("`"));
    QTest::newRow("keypad operator") << Key::keypadMultiply.rawValue << std::optional(QStringLiteral("*"));
    QTest::newRow("keypad digit") << Key::keypad7.rawValue << std::optional(QStringLiteral("7"));
    QTest::newRow("types nothing") << Key::capsLock.rawValue << std::optional(QString());
    QTest::newRow("function") << Key::function.rawValue << std::optional<QString>();
}

void TestKeyNames::keyToCharacter()
{
    QFETCH(qint64, keyCode);
    QFETCH(std::optional<QString>, character);
    QCOMPARE(KeyNames::keyToCharacter(Key(keyCode)), character);
}

void TestKeyNames::nativeText_data()
{
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbonModifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("default") << qint64(19) << qint64(768) << QStringLiteral("Ctrl+Shift+2");
    QTest::newRow("option is Alt, control is Meta")
        << Key::o.rawValue << (CarbonModifier::option | CarbonModifier::control)
        << QStringLiteral("Meta+Alt+O");
    QTest::newRow("punctuation by its US character")
        << Key::semicolon.rawValue << CarbonModifier::command << QStringLiteral("Ctrl+;");
    QTest::newRow("named key") << Key::deleteForward.rawValue << CarbonModifier::command
                               << QStringLiteral("Ctrl+Del");
    QTest::newRow("function key") << Key::f20.rawValue << qint64(0) << QStringLiteral("F20");
    QTest::newRow("keypad") << Key::keypad5.rawValue << CarbonModifier::shift
                            << QStringLiteral("Shift+Num+5");
    QTest::newRow("no PC key") << Key::function.rawValue << CarbonModifier::command << QString();
}

void TestKeyNames::nativeText()
{
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbonModifiers);
    QFETCH(QString, text);
    QCOMPARE(KeyNames::nativeText(Shortcut(keyCode, carbonModifiers)), text);
}

QTEST_MAIN(TestKeyNames)
#include "tst_keynames.moc"
