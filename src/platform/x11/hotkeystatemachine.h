// Turns the key events X delivers for passive key grabs into hot-key presses and releases. Plain logic
// fed with made-up or real events; main thread. Events that belong to no grab are ignored.
#pragma once

#include "hotkeybackend.h"

#include <QHash>

#include <optional>

class HotKeyStateMachine {
public:
    struct Transition {
        quint32 reference = 0;
        bool pressed = false;
        friend bool operator==(const Transition&, const Transition&) = default;
    };

    // The lock modifiers (CapsLock, NumLock, ScrollLock bits) that a key event's state may hold on top
    // of a grab's own modifiers.
    void setLockModifiers(quint16 mask) { m_lockModifiers = mask; }
    quint16 lockModifiers() const { return m_lockModifiers; }

    void add(quint32 reference, HotKeyCombination combination);
    // Forgets the grab; if it was held, its release will not be reported.
    void remove(quint32 reference);
    std::optional<quint32> referenceOf(HotKeyCombination combination) const;
    QList<HotKeyCombination> combinations() const { return m_grabs.values(); }

    // One key event. A press of a grabbed combination is reported once however often the held key
    // repeats it; the hot key is released by the release of its own key code whatever modifiers are
    // still down, so the modifier keys' own releases, which X also delivers during the grab, change
    // nothing, and a release of a key that was not pressed as a hot key is ignored.
    std::optional<Transition> feed(quint8 keyCode, quint16 state, bool pressed);

private:
    std::optional<quint32> match(quint8 keyCode, quint16 state) const;

    QHash<quint32, HotKeyCombination> m_grabs; // by reference
    QHash<quint8, quint32> m_held;             // key code of a held hot key -> its reference
    quint16 m_lockModifiers = 0;
};
