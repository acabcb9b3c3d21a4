// What the shortcut recorder does with each key and mouse event: a small state machine, idle or
// recording, that turns an event into a decision and leaves carrying it out to the widget. The checks of
// a combination run in a fixed order: the keys that steer the field (Tab, Escape, Backspace and Delete
// alone), then typing keys without Ctrl, Alt or Super, then keys with no PC key, then Oculo's own menu
// items, then what the desktop and other applications hold. Main thread only.
#pragma once

#include "key.h"
#include "shortcut.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace GlobalShortcuts {

struct RecorderKeyEvent {
    bool isPress = true;
    // The key's position; none for a key with no PC key.
    std::optional<Key> key;
    // ModifierFlag bits held; only command, shift, option and control count.
    quint64 modifierFlags = 0;
    // A modifier or lock key itself (Shift, Ctrl, AltGr, Super, Caps Lock...), whatever its position.
    bool isModifierKey = false;
};

enum class RecorderVerdict {
    passOn,         // not for the recorder: deliver the event as usual
    swallow,        // nothing happens, and the event goes no further
    endRecording,   // stop recording; the event goes no further
    moveFocus,      // stop recording and let the event move the focus on
    clear,          // remove the shortcut (as the clear button does)
    beep,           // not a usable combination
    usedByMenuItem, // alert naming the menu item, then record again
    usedBySystem,   // alert about the desktop's shortcuts, then record again
    accept,         // store the shortcut and stop recording
};

struct RecorderDecision {
    RecorderVerdict verdict = RecorderVerdict::passOn;
    std::optional<Shortcut> shortcut; // the combination, from the menu and system checks on
    QString menuItemTitle;            // with usedByMenuItem
};

class RecorderKeyHandler {
public:
    // The title of the Oculo menu item that uses a shortcut, if any.
    using MenuItemLookup = std::function<std::optional<QString>(const Shortcut&)>;
    // What the desktop and other applications hold; asked only for a combination that got that far.
    using SystemShortcuts = std::function<QList<Shortcut>()>;

    RecorderKeyHandler(MenuItemLookup menuItemUsing, SystemShortcuts systemShortcuts);

    bool isRecording() const { return m_isRecording; }
    // Each answers whether the state changed.
    bool startRecording();
    bool stopRecording();

    RecorderDecision handleKey(const RecorderKeyEvent& event) const;
    // A left or right button released while recording; near means on the field or within a few pixels.
    RecorderDecision handleMouseRelease(bool isNearField) const;

    // The margin around the field within which a click keeps recording.
    static constexpr int nearFieldMargin = 3;

private:
    MenuItemLookup m_menuItemUsing;
    SystemShortcuts m_systemShortcuts;
    bool m_isRecording = false;
};

} // namespace GlobalShortcuts
