#include "desktopaccelerators.h"

#include "evdevkeycodes.h"
#include "modifierconversion.h"

#include <xkbcommon/xkbcommon.h>

#include <array>

namespace {

// The keys desktops name by what they do rather than by a character. Keypad rows match only keys from the
// keypad (Qt's KeypadModifier); the keypad keysyms name their keys themselves.
struct NamedKey {
    Key key;
    xkb_keysym_t keysym;
    int qtKey;
    bool keypad = false;
};

constexpr std::array namedKeys{
    NamedKey{Key::returnKey, XKB_KEY_Return, Qt::Key_Return},
    NamedKey{Key::tab, XKB_KEY_Tab, Qt::Key_Tab},
    NamedKey{Key::tab, XKB_KEY_ISO_Left_Tab, Qt::Key_Backtab},
    NamedKey{Key::space, XKB_KEY_space, Qt::Key_Space},
    NamedKey{Key::deleteKey, XKB_KEY_BackSpace, Qt::Key_Backspace},
    NamedKey{Key::escape, XKB_KEY_Escape, Qt::Key_Escape},
    NamedKey{Key::deleteForward, XKB_KEY_Delete, Qt::Key_Delete},
    NamedKey{Key::help, XKB_KEY_Insert, Qt::Key_Insert},
    NamedKey{Key::home, XKB_KEY_Home, Qt::Key_Home},
    NamedKey{Key::end, XKB_KEY_End, Qt::Key_End},
    NamedKey{Key::pageUp, XKB_KEY_Page_Up, Qt::Key_PageUp},
    NamedKey{Key::pageDown, XKB_KEY_Page_Down, Qt::Key_PageDown},
    NamedKey{Key::upArrow, XKB_KEY_Up, Qt::Key_Up},
    NamedKey{Key::downArrow, XKB_KEY_Down, Qt::Key_Down},
    NamedKey{Key::leftArrow, XKB_KEY_Left, Qt::Key_Left},
    NamedKey{Key::rightArrow, XKB_KEY_Right, Qt::Key_Right},
    NamedKey{Key::mute, XKB_KEY_XF86AudioMute, Qt::Key_VolumeMute},
    NamedKey{Key::volumeUp, XKB_KEY_XF86AudioRaiseVolume, Qt::Key_VolumeUp},
    NamedKey{Key::volumeDown, XKB_KEY_XF86AudioLowerVolume, Qt::Key_VolumeDown},
    NamedKey{Key::keypadEnter, XKB_KEY_KP_Enter, Qt::Key_Enter},
    NamedKey{Key::keypad0, XKB_KEY_KP_0, Qt::Key_0, true},
    NamedKey{Key::keypad1, XKB_KEY_KP_1, Qt::Key_1, true},
    NamedKey{Key::keypad2, XKB_KEY_KP_2, Qt::Key_2, true},
    NamedKey{Key::keypad3, XKB_KEY_KP_3, Qt::Key_3, true},
    NamedKey{Key::keypad4, XKB_KEY_KP_4, Qt::Key_4, true},
    NamedKey{Key::keypad5, XKB_KEY_KP_5, Qt::Key_5, true},
    NamedKey{Key::keypad6, XKB_KEY_KP_6, Qt::Key_6, true},
    NamedKey{Key::keypad7, XKB_KEY_KP_7, Qt::Key_7, true},
    NamedKey{Key::keypad8, XKB_KEY_KP_8, Qt::Key_8, true},
    NamedKey{Key::keypad9, XKB_KEY_KP_9, Qt::Key_9, true},
    NamedKey{Key::keypadDecimal, XKB_KEY_KP_Decimal, Qt::Key_Period, true},
    NamedKey{Key::keypadDivide, XKB_KEY_KP_Divide, Qt::Key_Slash, true},
    NamedKey{Key::keypadMultiply, XKB_KEY_KP_Multiply, Qt::Key_Asterisk, true},
    NamedKey{Key::keypadMinus, XKB_KEY_KP_Subtract, Qt::Key_Minus, true},
    NamedKey{Key::keypadPlus, XKB_KEY_KP_Add, Qt::Key_Plus, true},
    NamedKey{Key::keypadEquals, XKB_KEY_KP_Equal, Qt::Key_Equal, true},
};

constexpr std::array functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                  Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                  Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};

// Mutter's name for the key above Tab, whatever it types.
constexpr QStringView aboveTab = u"Above_Tab";

std::optional<Key> namedKeyForKeysym(xkb_keysym_t keysym)
{
    if (keysym >= XKB_KEY_F1 && keysym < XKB_KEY_F1 + functionKeys.size())
        return functionKeys[keysym - XKB_KEY_F1];
    for (const NamedKey& row : namedKeys) {
        if (row.keysym == keysym)
            return row.key;
    }
    return std::nullopt;
}

std::optional<Key> namedKeyForQtKey(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + int(functionKeys.size()))
        return functionKeys[qtKey - Qt::Key_F1];
    // A keypad key that only the keypad has (Enter) is found among the others.
    for (const bool keypadRows : {keypad, false}) {
        for (const NamedKey& row : namedKeys) {
            if (row.keypad == keypadRows && row.qtKey == qtKey)
                return row.key;
        }
    }
    return std::nullopt;
}

// GTK's modifier names, compared without case; Hyper, Mod2, Mod3, Mod5 and Release have no place in a
// shortcut.
std::optional<qint64> gnomeModifier(QStringView name)
{
    const auto is = [name](QStringView candidate) {
        return name.compare(candidate, Qt::CaseInsensitive) == 0;
    };
    if (is(u"Shift") || is(u"Shft"))
        return CarbonModifier::shift;
    if (is(u"Control") || is(u"Ctrl") || is(u"Ctl") || is(u"Primary"))
        return CarbonModifier::command;
    if (is(u"Alt") || is(u"Mod1") || is(u"Meta"))
        return CarbonModifier::option;
    if (is(u"Super") || is(u"Mod4"))
        return CarbonModifier::control;
    return std::nullopt;
}

} // namespace

DesktopAccelerators::DesktopAccelerators(const KeyboardLayout& layout)
{
    // In evdev order, so the main keys come before the keypad's keys that type the same.
    for (int code = 0; code < 256; ++code) {
        const std::optional<Key> key = EvdevKeyCodes::keyForEvdevCode(code);
        const std::optional<QString> typed = key ? layout.character(*key) : std::nullopt;
        const QList<uint> characters = typed ? typed->toLower().toUcs4() : QList<uint>();
        if (characters.size() == 1 && !m_characterKeys.contains(characters.front()))
            m_characterKeys.insert(characters.front(), *key);
    }
}

std::optional<Key> DesktopAccelerators::keyTyping(char32_t character) const
{
    const auto found = m_characterKeys.constFind(QChar::toLower(character));
    return found == m_characterKeys.cend() ? std::nullopt : std::optional(found.value());
}

std::optional<Shortcut> DesktopAccelerators::fromGnomeAccelerator(QStringView accelerator) const
{
    QStringView rest = accelerator.trimmed();
    qint64 modifiers = 0;
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const std::optional<qint64> modifier = gnomeModifier(rest.sliced(1, end - 1));
        if (!modifier)
            return std::nullopt;
        modifiers |= *modifier;
        rest = rest.sliced(end + 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    if (rest == aboveTab)
        return Shortcut(Key::backtick.rawValue, modifiers);
    const xkb_keysym_t keysym = xkb_keysym_from_name(rest.toUtf8().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    std::optional<Key> key = namedKeyForKeysym(keysym);
    if (!key) {
        const char32_t character = xkb_keysym_to_utf32(keysym);
        key = character ? keyTyping(character) : std::nullopt;
    }
    if (!key)
        return std::nullopt;
    return Shortcut(key->rawValue, modifiers);
}

std::optional<Shortcut> DesktopAccelerators::fromKeyCombination(QKeyCombination combination) const
{
    const Qt::KeyboardModifiers qtModifiers = combination.keyboardModifiers();
    if (qtModifiers & Qt::GroupSwitchModifier)
        return std::nullopt;
    const int qtKey = combination.key();
    std::optional<Key> key = namedKeyForQtKey(qtKey, qtModifiers & Qt::KeypadModifier);
    if (!key && qtKey >= 0x20 && qtKey < Qt::Key_Escape)
        key = keyTyping(char32_t(qtKey));
    if (!key)
        return std::nullopt;
    return Shortcut(*key, ModifierFlag::fromQt(qtModifiers));
}
