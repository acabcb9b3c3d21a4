#include "keynames.h"

#include "keyboardlayout.h"
#include "modifierconversion.h"
#include "shortcut.h"

#include <QKeySequence>

#include <algorithm>
#include <array>

namespace {

constexpr std::array functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                  Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                  Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};

constexpr char16_t firstFunctionKeyCharacter = 0xF704;

constexpr std::array keypadKeys{Key::keypad0,        Key::keypad1,     Key::keypad2,      Key::keypad3,
                                Key::keypad4,        Key::keypad5,     Key::keypad6,      Key::keypad7,
                                Key::keypad8,        Key::keypad9,     Key::keypadClear,  Key::keypadDecimal,
                                Key::keypadDivide,   Key::keypadEnter, Key::keypadEquals, Key::keypadMinus,
                                Key::keypadMultiply, Key::keypadPlus};

// The keys Qt names rather than takes by character; everything else goes by its US character.
const QHash<Key, Qt::Key>& namedQtKeys()
{
    static const QHash<Key, Qt::Key> keys = [] {
        QHash<Key, Qt::Key> table{
            {Key::returnKey, Qt::Key_Return},
            {Key::tab, Qt::Key_Tab},
            {Key::space, Qt::Key_Space},
            {Key::deleteKey, Qt::Key_Backspace},
            {Key::escape, Qt::Key_Escape},
            {Key::deleteForward, Qt::Key_Delete},
            {Key::help, Qt::Key_Insert},
            {Key::home, Qt::Key_Home},
            {Key::end, Qt::Key_End},
            {Key::pageUp, Qt::Key_PageUp},
            {Key::pageDown, Qt::Key_PageDown},
            {Key::upArrow, Qt::Key_Up},
            {Key::downArrow, Qt::Key_Down},
            {Key::leftArrow, Qt::Key_Left},
            {Key::rightArrow, Qt::Key_Right},
            {Key::mute, Qt::Key_VolumeMute},
            {Key::volumeUp, Qt::Key_VolumeUp},
            {Key::volumeDown, Qt::Key_VolumeDown},
            {Key::capsLock, Qt::Key_CapsLock},
            {Key::shift, Qt::Key_Shift},
            {Key::rightShift, Qt::Key_Shift},
            {Key::command, Qt::Key_Control},
            {Key::rightCommand, Qt::Key_Control},
            {Key::option, Qt::Key_Alt},
            {Key::rightOption, Qt::Key_Alt},
            {Key::control, Qt::Key_Meta},
            {Key::rightControl, Qt::Key_Meta},
            {Key::keypadClear, Qt::Key_NumLock},
            {Key::keypadEnter, Qt::Key_Enter},
        };
        for (int i = 0; i < int(functionKeys.size()); ++i)
            table.insert(functionKeys[i], Qt::Key(Qt::Key_F1 + i));
        return table;
    }();
    return keys;
}

std::optional<Qt::Key> qtKey(Key key)
{
    if (const auto named = namedQtKeys().constFind(key); named != namedQtKeys().cend())
        return *named;
    const QString character = KeyboardLayout::us().character(key).value_or(QString()).toUpper();
    if (character.size() != 1)
        return std::nullopt;
    return Qt::Key(character.at(0).unicode());
}

Qt::KeyboardModifiers qtModifiers(quint64 modifierFlags)
{
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ControlModifier, modifierFlags & ModifierFlag::command);
    modifiers.setFlag(Qt::AltModifier, modifierFlags & ModifierFlag::option);
    modifiers.setFlag(Qt::MetaModifier, modifierFlags & ModifierFlag::control);
    modifiers.setFlag(Qt::ShiftModifier, modifierFlags & ModifierFlag::shift);
    return modifiers;
}

} // namespace

namespace KeyNames {

const QHash<Key, QString>& specialKeyGlyphs()
{
    static const QHash<Key, QString> glyphs = [] {
        QHash<Key, QString> table{
            {Key::returnKey, QStringLiteral(u"\u21A9")},     {Key::deleteKey, QStringLiteral(u"\u232B")},
            {Key::deleteForward, QStringLiteral(u"\u2326")}, {Key::end, QStringLiteral(u"\u2198")},
            {Key::escape, QStringLiteral(u"\u238B")},        {Key::help, QStringLiteral(u"?\u20DD")},
            {Key::home, QStringLiteral(u"\u2196")},          {Key::space, QStringLiteral(u"\u23B5")},
            {Key::tab, QStringLiteral(u"\u21E5")},           {Key::pageUp, QStringLiteral(u"\u21DE")},
            {Key::pageDown, QStringLiteral(u"\u21DF")},      {Key::upArrow, QStringLiteral(u"\u2191")},
            {Key::rightArrow, QStringLiteral(u"\u2192")},    {Key::downArrow, QStringLiteral(u"\u2193")},
            {Key::leftArrow, QStringLiteral(u"\u2190")},
        };
        for (int i = 0; i < int(functionKeys.size()); ++i)
            table.insert(functionKeys[i], QStringLiteral("F%1").arg(i + 1));
        return table;
    }();
    return glyphs;
}

const QHash<Key, QString>& keyEquivalentCharacters()
{
    static const QHash<Key, QString> characters = [] {
        QHash<Key, QString> table;
        for (int i = 0; i < int(functionKeys.size()); ++i)
            table.insert(functionKeys[i], QString(QChar(char16_t(firstFunctionKeyCharacter + i))));
        return table;
    }();
    return characters;
}

QString description(quint64 modifierFlags)
{
    static const std::array<std::pair<quint64, QString>, 5> symbols{{
        {ModifierFlag::control, QStringLiteral(u"\u2303")},
        {ModifierFlag::option, QStringLiteral(u"\u2325")},
        {ModifierFlag::shift, QStringLiteral(u"\u21E7")},
        {ModifierFlag::command, QStringLiteral(u"\u2318")},
        {functionModifierFlag, QStringLiteral(u"\U0001F310\uFE0E")},
    }};
    QString text;
    for (const auto& [flag, symbol] : symbols) {
        if (modifierFlags & flag)
            text += symbol;
    }
    return text;
}

std::optional<QString> keyToCharacter(Key key)
{
    if (const auto glyph = specialKeyGlyphs().constFind(key); glyph != specialKeyGlyphs().cend())
        return *glyph;
    return KeyboardLayout::current().character(key);
}

QKeySequence keySequence(const Shortcut& shortcut)
{
    const Key key(shortcut.carbonKeyCode());
    const std::optional<Qt::Key> qtKeyCode = qtKey(key);
    if (!qtKeyCode)
        return QKeySequence();
    Qt::KeyboardModifiers modifiers = qtModifiers(shortcut.modifiers());
    if (std::find(keypadKeys.begin(), keypadKeys.end(), key) != keypadKeys.end())
        modifiers |= Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(modifiers, *qtKeyCode));
}

QString nativeText(const Shortcut& shortcut)
{
    return keySequence(shortcut).toString(QKeySequence::NativeText);
}

} // namespace KeyNames
