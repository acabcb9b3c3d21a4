// Global hot keys on X11: passive key grabs on the root window through Qt's own xcb connection, one per
// combination of the lock modifiers read from the modifier map, with XKB detectable auto-repeat, and the
// grabbed keys' events read in a native event filter that lets every event on to Qt. Main thread only;
// without an X connection every grab is refused, and a variant another client holds refuses the whole
// grab, leaving nothing grabbed.
#pragma once

#include "hotkeybackend.h"
#include "hotkeystatemachine.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>

#include <xcb/xcb.h>

class HotKeyBackendX11 : public HotKeyBackend, private QAbstractNativeEventFilter {
public:
    HotKeyBackendX11();
    ~HotKeyBackendX11() override;

    std::optional<quint32> grab(HotKeyCombination combination, HotKeyId id) override;
    void ungrab(quint32 reference) override;
    bool setEventHandler(EventHandler handler) override;
    QList<HotKeyCombination> grabbedByOtherClients(const QList<HotKeyCombination>& candidates) override;

    // Whether the X server reports a held key as repeated presses without releases.
    bool hasDetectableAutoRepeat() const { return m_detectableAutoRepeat; }

private:
    struct Grab {
        HotKeyId id;
        HotKeyCombination combination;
        QList<quint16> modifierMasks; // one per lock-modifier variant
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    QList<quint16> variantsOf(quint16 modifiers) const;
    void ungrabMasks(quint8 keyCode, const QList<quint16>& masks);
    QList<HotKeyCombination> probeBatch(const QList<HotKeyCombination>& batch);

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    bool m_detectableAutoRepeat = false;
    bool m_filterInstalled = false;
    HotKeyStateMachine m_machine;
    QHash<quint32, Grab> m_grabs; // by reference
    quint32 m_lastReference = 0;
    EventHandler m_handler;
    QObject m_deliveryContext; // events reach the handler from the event loop, not from inside the filter
};
