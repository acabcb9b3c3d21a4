#include "keyboardlayout.h"

#include "evdevkeycodes.h"
#include "keyboardlayoutx11.h"
#include "shortcutslogging.h"

#include <xkbcommon/xkbcommon.h>

namespace {

constexpr quint32 allLetters = (1u << 26) - 1;

std::shared_ptr<xkb_keymap> adopt(xkb_keymap* keymap)
{
    if (!keymap)
        return {};
    return std::shared_ptr<xkb_keymap>(keymap, &xkb_keymap_unref);
}

// The first group whose keys type every letter from a to z without modifiers. A group that types other
// scripts (Cyrillic, Greek...) is passed over; AZERTY and QWERTZ count, whatever keys the letters sit on.
std::optional<quint32> firstAsciiGroup(xkb_keymap* keymap)
{
    const xkb_layout_index_t groups = xkb_keymap_num_layouts(keymap);
    for (xkb_layout_index_t group = 0; group < groups; ++group) {
        quint32 letters = 0;
        const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
        for (xkb_keycode_t keyCode = xkb_keymap_min_keycode(keymap); keyCode <= last; ++keyCode) {
            if (group >= xkb_keymap_num_layouts_for_key(keymap, keyCode))
                continue;
            const xkb_keysym_t* symbols = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, keyCode, group, 0, &symbols);
            for (int i = 0; i < count; ++i) {
                if (symbols[i] >= XKB_KEY_a && symbols[i] <= XKB_KEY_z)
                    letters |= 1u << (symbols[i] - XKB_KEY_a);
            }
        }
        if (letters == allLetters)
            return group;
    }
    return std::nullopt;
}

// Dead keys type nothing by themselves; they are shown as the accent they put on the next letter.
char32_t deadKeyCharacter(xkb_keysym_t symbol)
{
    switch (symbol) {
    case XKB_KEY_dead_grave:
        return U'`';
    case XKB_KEY_dead_acute:
        return U'\u00B4';
    case XKB_KEY_dead_circumflex:
        return U'^';
    case XKB_KEY_dead_tilde:
        return U'~';
    case XKB_KEY_dead_diaeresis:
        return U'\u00A8';
    case XKB_KEY_dead_cedilla:
        return U'\u00B8';
    case XKB_KEY_dead_caron:
        return U'\u02C7';
    case XKB_KEY_dead_abovering:
        return U'\u02DA';
    default:
        return 0;
    }
}

QString text(const xkb_keysym_t* symbols, int count)
{
    QString result;
    for (int i = 0; i < count; ++i) {
        char32_t character = xkb_keysym_to_utf32(symbols[i]);
        if (!character)
            character = deadKeyCharacter(symbols[i]);
        if (character)
            result += QString::fromUcs4(&character, 1);
    }
    return result;
}

} // namespace

KeyboardLayout::KeyboardLayout(std::shared_ptr<xkb_keymap> keymap)
    : m_keymap(std::move(keymap))
{
    if (m_keymap)
        m_group = firstAsciiGroup(m_keymap.get());
    if (m_keymap && !m_group)
        qCDebug(lcShortcuts) << "No group of the keyboard layout types the ASCII letters";
}

KeyboardLayout KeyboardLayout::current()
{
    if (!KeyboardLayoutX11::isAvailable())
        return us();
    return KeyboardLayout(adopt(KeyboardLayoutX11::newCurrentKeymap()));
}

KeyboardLayout KeyboardLayout::us()
{
    static const std::shared_ptr<xkb_keymap> keymap = [] {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        if (!context)
            return std::shared_ptr<xkb_keymap>();
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        auto compiled = adopt(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        xkb_context_unref(context);
        if (!compiled)
            qCDebug(lcShortcuts) << "Could not compile the US keyboard layout";
        return compiled;
    }();
    return KeyboardLayout(keymap);
}

std::optional<QString> KeyboardLayout::character(Key key) const
{
    const std::optional<int> keyCode = EvdevKeyCodes::xKeyCode(key);
    if (!m_group || !keyCode)
        return std::nullopt;
    // No modifier held, NumLock on as desktops start it (so the keypad types digits), in the ASCII group.
    const std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(m_keymap.get()),
                                                                       &xkb_state_unref);
    if (!state)
        return std::nullopt;
    const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(m_keymap.get(), XKB_MOD_NAME_NUM);
    const xkb_mod_mask_t locked = numLock == XKB_MOD_INVALID ? 0 : 1u << numLock;
    xkb_state_update_mask(state.get(), 0, 0, locked, 0, 0, *m_group);
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_state_key_get_syms(state.get(), xkb_keycode_t(*keyCode), &symbols);
    return text(symbols, count);
}
