// System-wide hot keys in X terms: passive grabs of a key code with a modifier mask on the whole display,
// and the presses and releases of what was grabbed. Main thread only; events arrive on the main event
// loop. A combination another client holds is refused, and a refused grab leaves nothing grabbed.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// The X core modifier bits, as they appear in a modifier mask and in a key event's state.
namespace XModifier {
inline constexpr quint16 shift = 0x01;
inline constexpr quint16 lock = 0x02;
inline constexpr quint16 control = 0x04;
inline constexpr quint16 mod1 = 0x08; // Alt
inline constexpr quint16 mod2 = 0x10;
inline constexpr quint16 mod3 = 0x20;
inline constexpr quint16 mod4 = 0x40; // Super
inline constexpr quint16 mod5 = 0x80;
} // namespace XModifier

// A key code with the modifiers that must be held with it (lock modifiers not included).
struct HotKeyCombination {
    quint8 keyCode = 0;
    quint16 modifiers = 0;
    friend bool operator==(const HotKeyCombination&, const HotKeyCombination&) = default;
};

// The owner's identifier of a hot key, handed back with each of its events.
struct HotKeyId {
    quint32 signature = 0;
    quint32 id = 0;
    friend bool operator==(const HotKeyId&, const HotKeyId&) = default;
};

enum class HotKeyEventKind : quint32 { pressed = 5, released = 6 };

struct HotKeyEvent {
    HotKeyEventKind kind = HotKeyEventKind::pressed;
    std::optional<HotKeyId> hotKeyId; // none when the event carries no identifier
};

class HotKeyBackend {
public:
    // Returns whether the event was for the owner; the answer does not stop the event reaching others.
    using EventHandler = std::function<bool(const HotKeyEvent&)>;

    virtual ~HotKeyBackend() = default;

    // Grabs the combination, with every combination of the lock modifiers (NumLock, CapsLock,
    // ScrollLock) held or not, reporting its events under `id`. Returns the reference to ungrab it with,
    // or none when any variant is refused or the combination is grabbed already under another id.
    virtual std::optional<quint32> grab(HotKeyCombination combination, HotKeyId id) = 0;
    // Releases every variant of a grab; an unknown reference is ignored.
    virtual void ungrab(quint32 reference) = 0;
    // Installs the one receiver of presses and releases (an empty one removes it). False when no events
    // can be delivered at all (no display), in which case nothing is installed.
    virtual bool setEventHandler(EventHandler handler) = 0;
    // The candidates another client holds, found by probing grabs that are released at once. The
    // combinations grabbed through this backend are never probed and never listed.
    virtual QList<HotKeyCombination> grabbedByOtherClients(const QList<HotKeyCombination>& candidates) = 0;
    // False where the session gives applications no global hot keys at all: grabs are then accepted
    // and never report anything, and the user binds a command of Oculo's in the desktop's settings.
    virtual bool isAvailable() const { return true; }
    // The keys the desktop reports for a grabbed combination, in its own words ("Ctrl+Shift+2", or what
    // the user chose there instead), where the desktop binds the shortcuts itself; empty while it has
    // reported none, and always where the grabbed combination is the trigger (X11).
    virtual QString reportedTrigger(HotKeyCombination) const { return {}; }
    // Installs the one receiver told after a reported trigger changed (an empty one removes it).
    virtual void setReportedTriggerHandler(std::function<void()>) {}
};
