// The layer between the named shortcuts and the platform's hot keys: registers one system-wide hot key per
// call, remembers which pair of actions belongs to which, routes each press and release to its pair, and
// lists the shortcuts the desktop reserves. Main thread only. A refused registration leaves no trace and
// is not reported; an event that is not one of ours is passed on.
#pragma once

#include "desktopkeybindings.h"
#include "hotkeybackend.h"
#include "shortcut.h"

#include <QMap>

#include <functional>
#include <memory>

class HotKeyCenter {
public:
    using Action = std::function<void(const Shortcut&)>;

    // Every hot key of the center carries this signature ("HOTR") next to its identifier.
    static constexpr quint32 signature = 0x484F5452;
    // The answers of handleEvent.
    static constexpr qint32 noErr = 0;
    static constexpr qint32 eventNotHandledErr = -9874;
    static constexpr qint32 eventParameterNotFoundErr = -9870;

    // The backend must outlive the center, which ungrabs its hot keys and detaches from it when destroyed.
    explicit HotKeyCenter(HotKeyBackend& backend,
                          DesktopKeyBindings::Sources desktop = DesktopKeyBindings::Sources::ofThisSession());
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // The process-wide center the application delegate installs; null before and after.
    static HotKeyCenter* shared();
    static void setShared(HotKeyCenter* center);

    void registerHotKey(const Shortcut& shortcut, Action onKeyDown, Action onKeyUp);
    // Removes every hot key registered for an equal shortcut.
    void unregisterHotKey(const Shortcut& shortcut);
    // What the desktop keeps for itself (its settings), then what other X clients hold (probing grabs of
    // every key with at least Ctrl, Alt or Super, and of the function and volume keys alone or with
    // Shift). Computed afresh on each call, without repeats.
    QList<Shortcut> systemShortcuts() const;

    // The keys the desktop reports for a shortcut where it binds the shortcuts itself, in its own words;
    // empty where it reports none (see HotKeyBackend::reportedTrigger).
    QString reportedTrigger(const Shortcut& shortcut) const;
    // Told after the desktop reported other keys for a shortcut; detached when the center goes.
    void setReportedTriggerHandler(std::function<void()> handler);

    // Runs the pair of the hot key that fired; the answer says whether the event was ours.
    qint32 handleEvent(const HotKeyEvent* event);

    // The last identifier issued (0 before the first registration), and those registered now.
    qint64 lastHotKeyId() const { return m_hotKeyIdCounter; }
    QList<qint64> hotKeyIds() const { return m_hotKeys.keys(); }

    // The X form of a shortcut (command is Ctrl, shift Shift, option Alt, control Super; the key by its
    // evdev code + 8), and back; none for a key with no PC key.
    static std::optional<HotKeyCombination> combinationOf(const Shortcut& shortcut);
    static std::optional<Shortcut> shortcutOf(HotKeyCombination combination);

private:
    struct HotKey {
        Shortcut shortcut;
        qint64 carbonHotKeyId;
        quint32 carbonHotKey; // the backend's reference
        Action onKeyDown;
        Action onKeyUp;
    };

    void installEventHandler();

    HotKeyBackend& m_backend;
    DesktopKeyBindings::Sources m_desktop;
    QMap<qint64, std::shared_ptr<const HotKey>> m_hotKeys;
    qint64 m_hotKeyIdCounter = 0;
    bool m_eventHandlerInstalled = false;
    bool m_reportedTriggerHandlerInstalled = false;
};
