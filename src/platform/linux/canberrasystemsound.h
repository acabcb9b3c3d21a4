// The desktop's sounds through libcanberra (the freedesktop sound theme). Called on the main thread;
// the sound service is reached on a thread of its own, so a slow or missing service never holds up
// the caller. Without a sound service nothing plays, and that is logged once.
#pragma once

#include "systemsound.h"

#include <QByteArray>
#include <QThreadPool>

#include <atomic>

struct ca_context;

class CanberraSystemSound : public SystemSound {
public:
    CanberraSystemSound();
    ~CanberraSystemSound() override;

    CanberraSystemSound(const CanberraSystemSound&) = delete;
    CanberraSystemSound& operator=(const CanberraSystemSound&) = delete;

    void playCaptureSound() override;

    // Waits until the sounds asked for so far have been handed to the sound service.
    void waitForRequests();

private:
    // On the sound thread only, as are the members below.
    void play();
    bool openContext();

    const QByteArray m_applicationName;
    const QByteArray m_applicationId;
    QThreadPool m_worker;
    std::atomic<bool> m_pending = false;
    ca_context* m_context = nullptr;
    bool m_unavailable = false;
    bool m_playFailureLogged = false;
};
