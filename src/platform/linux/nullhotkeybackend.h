// Hot keys where the session has none to give (a Wayland session whose desktop offers no global
// shortcuts portal): every grab is accepted and nothing is ever reported. The first grab says once in
// the log how to start a capture instead. Main thread only.
#pragma once

#include "hotkeybackend.h"

class NullHotKeyBackend : public HotKeyBackend {
public:
    std::optional<quint32> grab(HotKeyCombination combination, HotKeyId id) override;
    void ungrab(quint32) override {}
    bool setEventHandler(EventHandler) override { return true; }
    QList<HotKeyCombination> grabbedByOtherClients(const QList<HotKeyCombination>&) override { return {}; }
    bool isAvailable() const override { return false; }

    // The line of the log (and of the welcome window) that says what to do instead.
    static QString explanation();

private:
    quint32 m_references = 0;
    bool m_explained = false;
};
