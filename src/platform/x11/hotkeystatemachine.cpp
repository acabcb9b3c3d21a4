#include "hotkeystatemachine.h"

namespace {
// The core modifier bits of a key event's state; the bits above carry the keyboard group and the buttons.
constexpr quint16 coreModifiers = 0xff;
} // namespace

void HotKeyStateMachine::add(quint32 reference, HotKeyCombination combination)
{
    m_grabs.insert(reference, combination);
}

void HotKeyStateMachine::remove(quint32 reference)
{
    m_grabs.remove(reference);
    m_held.removeIf([reference](auto entry) { return entry.value() == reference; });
}

std::optional<quint32> HotKeyStateMachine::referenceOf(HotKeyCombination combination) const
{
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it.value() == combination)
            return it.key();
    }
    return std::nullopt;
}

std::optional<quint32> HotKeyStateMachine::match(quint8 keyCode, quint16 state) const
{
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        const HotKeyCombination& grab = it.value();
        // A lock bit that the grab itself asks for must be held like any other of its modifiers.
        const quint16 ignored = m_lockModifiers & ~grab.modifiers;
        if (grab.keyCode == keyCode && (state & coreModifiers & ~ignored) == grab.modifiers)
            return it.key();
    }
    return std::nullopt;
}

std::optional<HotKeyStateMachine::Transition> HotKeyStateMachine::feed(quint8 keyCode, quint16 state,
                                                                       bool pressed)
{
    const auto held = m_held.constFind(keyCode);
    if (!pressed) {
        if (held == m_held.cend())
            return std::nullopt;
        const quint32 reference = held.value();
        m_held.erase(held);
        return Transition{reference, false};
    }
    if (held != m_held.cend())
        return std::nullopt; // auto-repeat of a held hot key
    const std::optional<quint32> reference = match(keyCode, state);
    if (!reference)
        return std::nullopt;
    m_held.insert(keyCode, *reference);
    return Transition{*reference, true};
}
