#include "recorderkeyhandler.h"

#include "modifierflags.h"

#include <algorithm>
#include <array>

namespace GlobalShortcuts {

namespace {

constexpr quint64 plainModifierMask =
    ModifierFlag::command | ModifierFlag::shift | ModifierFlag::option | ModifierFlag::control;

constexpr std::array modifierPositions{Key::shift,    Key::rightShift,  Key::command, Key::rightCommand,
                                       Key::option,   Key::rightOption, Key::control, Key::rightControl,
                                       Key::capsLock, Key::function};

constexpr std::array functionKeys{Key::f1,  Key::f2,  Key::f3,  Key::f4,  Key::f5,  Key::f6,  Key::f7,
                                  Key::f8,  Key::f9,  Key::f10, Key::f11, Key::f12, Key::f13, Key::f14,
                                  Key::f15, Key::f16, Key::f17, Key::f18, Key::f19, Key::f20};

template <std::size_t N> bool isOneOf(Key key, const std::array<Key, N>& keys)
{
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

RecorderDecision decide(RecorderVerdict verdict)
{
    return RecorderDecision{verdict, std::nullopt, QString()};
}

// F12 on its own may always be chosen, whoever else holds it.
const Shortcut f12Alone(Key::f12, 0);

} // namespace

RecorderKeyHandler::RecorderKeyHandler(MenuItemLookup menuItemUsing, SystemShortcuts systemShortcuts)
    : m_menuItemUsing(std::move(menuItemUsing))
    , m_systemShortcuts(std::move(systemShortcuts))
{}

bool RecorderKeyHandler::startRecording()
{
    const bool changed = !m_isRecording;
    m_isRecording = true;
    return changed;
}

bool RecorderKeyHandler::stopRecording()
{
    const bool changed = m_isRecording;
    m_isRecording = false;
    return changed;
}

RecorderDecision RecorderKeyHandler::handleKey(const RecorderKeyEvent& event) const
{
    if (!m_isRecording)
        return decide(RecorderVerdict::passOn);
    // Releases, and modifier keys on their own, make no combination.
    if (!event.isPress || event.isModifierKey || (event.key && isOneOf(*event.key, modifierPositions)))
        return decide(RecorderVerdict::swallow);

    const quint64 modifiers = event.modifierFlags & plainModifierMask;
    if (modifiers == 0 && event.key) {
        if (*event.key == Key::tab)
            return decide(RecorderVerdict::moveFocus);
        if (*event.key == Key::escape)
            return decide(RecorderVerdict::endRecording);
        if (*event.key == Key::deleteKey || *event.key == Key::deleteForward)
            return decide(RecorderVerdict::clear);
    }
    // Without Ctrl, Alt or Super only the function keys make a shortcut: anything else types.
    if ((modifiers & ~ModifierFlag::shift) == 0 && !(event.key && isOneOf(*event.key, functionKeys)))
        return decide(RecorderVerdict::beep);
    if (!event.key)
        return decide(RecorderVerdict::beep);

    const Shortcut shortcut(*event.key, modifiers);
    if (m_menuItemUsing) {
        if (const std::optional<QString> title = m_menuItemUsing(shortcut))
            return RecorderDecision{RecorderVerdict::usedByMenuItem, shortcut, *title};
    }
    if (shortcut != f12Alone && m_systemShortcuts && m_systemShortcuts().contains(shortcut))
        return RecorderDecision{RecorderVerdict::usedBySystem, shortcut, QString()};
    return RecorderDecision{RecorderVerdict::accept, shortcut, QString()};
}

RecorderDecision RecorderKeyHandler::handleMouseRelease(bool isNearField) const
{
    if (!m_isRecording || isNearField)
        return decide(RecorderVerdict::passOn);
    return decide(RecorderVerdict::endRecording);
}

} // namespace GlobalShortcuts
