#include "evdevkeycodes.h"

#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>

namespace {

// X adds this to every evdev code to make its key codes.
constexpr int xKeyCodeOffset = 8;

struct Position {
    Key key;
    int evdev;
};

// One row per named key with a PC key; `function` has none.
constexpr std::array positions{
    Position{Key::a, KEY_A},
    Position{Key::b, KEY_B},
    Position{Key::c, KEY_C},
    Position{Key::d, KEY_D},
    Position{Key::e, KEY_E},
    Position{Key::f, KEY_F},
    Position{Key::g, KEY_G},
    Position{Key::h, KEY_H},
    Position{Key::i, KEY_I},
    Position{Key::j, KEY_J},
    Position{Key::k, KEY_K},
    Position{Key::l, KEY_L},
    Position{Key::m, KEY_M},
    Position{Key::n, KEY_N},
    Position{Key::o, KEY_O},
    Position{Key::p, KEY_P},
    Position{Key::q, KEY_Q},
    Position{Key::r, KEY_R},
    Position{Key::s, KEY_S},
    Position{Key::t, KEY_T},
    Position{Key::u, KEY_U},
    Position{Key::v, KEY_V},
    Position{Key::w, KEY_W},
    Position{Key::x, KEY_X},
    Position{Key::y, KEY_Y},
    Position{Key::z, KEY_Z},
    Position{Key::zero, KEY_0},
    Position{Key::one, KEY_1},
    Position{Key::two, KEY_2},
    Position{Key::three, KEY_3},
    Position{Key::four, KEY_4},
    Position{Key::five, KEY_5},
    Position{Key::six, KEY_6},
    Position{Key::seven, KEY_7},
    Position{Key::eight, KEY_8},
    Position{Key::nine, KEY_9},
    Position{Key::capsLock, KEY_CAPSLOCK},
    Position{Key::shift, KEY_LEFTSHIFT},
    Position{Key::control, KEY_LEFTMETA},
    Position{Key::option, KEY_LEFTALT},
    Position{Key::command, KEY_LEFTCTRL},
    Position{Key::rightCommand, KEY_RIGHTCTRL},
    Position{Key::rightOption, KEY_RIGHTALT},
    Position{Key::rightControl, KEY_RIGHTMETA},
    Position{Key::rightShift, KEY_RIGHTSHIFT},
    Position{Key::returnKey, KEY_ENTER},
    Position{Key::backslash, KEY_BACKSLASH},
    Position{Key::backtick, KEY_GRAVE},
    Position{Key::comma, KEY_COMMA},
    Position{Key::equal, KEY_EQUAL},
    Position{Key::minus, KEY_MINUS},
    Position{Key::period, KEY_DOT},
    Position{Key::quote, KEY_APOSTROPHE},
    Position{Key::semicolon, KEY_SEMICOLON},
    Position{Key::slash, KEY_SLASH},
    Position{Key::space, KEY_SPACE},
    Position{Key::tab, KEY_TAB},
    Position{Key::leftBracket, KEY_LEFTBRACE},
    Position{Key::rightBracket, KEY_RIGHTBRACE},
    Position{Key::pageUp, KEY_PAGEUP},
    Position{Key::pageDown, KEY_PAGEDOWN},
    Position{Key::home, KEY_HOME},
    Position{Key::end, KEY_END},
    Position{Key::upArrow, KEY_UP},
    Position{Key::rightArrow, KEY_RIGHT},
    Position{Key::downArrow, KEY_DOWN},
    Position{Key::leftArrow, KEY_LEFT},
    Position{Key::escape, KEY_ESC},
    Position{Key::deleteKey, KEY_BACKSPACE},
    Position{Key::deleteForward, KEY_DELETE},
    Position{Key::help, KEY_INSERT},
    Position{Key::mute, KEY_MUTE},
    Position{Key::volumeUp, KEY_VOLUMEUP},
    Position{Key::volumeDown, KEY_VOLUMEDOWN},
    Position{Key::f1, KEY_F1},
    Position{Key::f2, KEY_F2},
    Position{Key::f3, KEY_F3},
    Position{Key::f4, KEY_F4},
    Position{Key::f5, KEY_F5},
    Position{Key::f6, KEY_F6},
    Position{Key::f7, KEY_F7},
    Position{Key::f8, KEY_F8},
    Position{Key::f9, KEY_F9},
    Position{Key::f10, KEY_F10},
    Position{Key::f11, KEY_F11},
    Position{Key::f12, KEY_F12},
    Position{Key::f13, KEY_F13},
    Position{Key::f14, KEY_F14},
    Position{Key::f15, KEY_F15},
    Position{Key::f16, KEY_F16},
    Position{Key::f17, KEY_F17},
    Position{Key::f18, KEY_F18},
    Position{Key::f19, KEY_F19},
    Position{Key::f20, KEY_F20},
    Position{Key::keypad0, KEY_KP0},
    Position{Key::keypad1, KEY_KP1},
    Position{Key::keypad2, KEY_KP2},
    Position{Key::keypad3, KEY_KP3},
    Position{Key::keypad4, KEY_KP4},
    Position{Key::keypad5, KEY_KP5},
    Position{Key::keypad6, KEY_KP6},
    Position{Key::keypad7, KEY_KP7},
    Position{Key::keypad8, KEY_KP8},
    Position{Key::keypad9, KEY_KP9},
    Position{Key::keypadClear, KEY_NUMLOCK},
    Position{Key::keypadDecimal, KEY_KPDOT},
    Position{Key::keypadDivide, KEY_KPSLASH},
    Position{Key::keypadEnter, KEY_KPENTER},
    Position{Key::keypadEquals, KEY_KPEQUAL},
    Position{Key::keypadMinus, KEY_KPMINUS},
    Position{Key::keypadMultiply, KEY_KPASTERISK},
    Position{Key::keypadPlus, KEY_KPPLUS},
};

} // namespace

namespace EvdevKeyCodes {

std::optional<int> evdevCode(Key key)
{
    const auto found = std::find_if(positions.begin(), positions.end(),
                                    [key](const Position& row) { return row.key == key; });
    if (found == positions.end())
        return std::nullopt;
    return found->evdev;
}

std::optional<Key> keyForEvdevCode(int evdevCode)
{
    const auto found = std::find_if(positions.begin(), positions.end(),
                                    [evdevCode](const Position& row) { return row.evdev == evdevCode; });
    if (found == positions.end())
        return std::nullopt;
    return found->key;
}

std::optional<int> xKeyCode(Key key)
{
    const std::optional<int> code = evdevCode(key);
    if (!code)
        return std::nullopt;
    return *code + xKeyCodeOffset;
}

std::optional<Key> keyForXKeyCode(int xKeyCode)
{
    if (xKeyCode < xKeyCodeOffset)
        return std::nullopt;
    return keyForEvdevCode(xKeyCode - xKeyCodeOffset);
}

} // namespace EvdevKeyCodes
