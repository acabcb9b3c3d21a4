#include "canberrasystemsound.h"

#include "platformlogging.h"

#include <QGuiApplication>

#include <canberra.h>

CanberraSystemSound::CanberraSystemSound()
    : m_applicationName(QCoreApplication::applicationName().toUtf8())
    , m_applicationId(QGuiApplication::desktopFileName().toUtf8())
{
    m_worker.setMaxThreadCount(1);
}

CanberraSystemSound::~CanberraSystemSound()
{
    m_worker.waitForDone();
    if (m_context)
        ca_context_destroy(m_context);
}

void CanberraSystemSound::playCaptureSound()
{
    // A sound still waiting for the service is enough: captures in quick succession play once.
    if (m_pending.exchange(true))
        return;
    m_worker.start([this] {
        m_pending = false;
        play();
    });
}

void CanberraSystemSound::waitForRequests()
{
    m_worker.waitForDone();
}

void CanberraSystemSound::play()
{
    if (!openContext())
        return;
    const int result =
        ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "screen-capture", CA_PROP_EVENT_DESCRIPTION,
                        "Screen captured", CA_PROP_CANBERRA_CACHE_CONTROL, "permanent", nullptr);
    if (result == CA_SUCCESS || result == CA_ERROR_DISABLED)
        return; // sounds switched off by the user are not a failure
    // No output device, no such sound in the theme, no access: asking again would fail the same way.
    if (result == CA_ERROR_NOTFOUND || result == CA_ERROR_NODRIVER || result == CA_ERROR_NOTAVAILABLE ||
        result == CA_ERROR_NOTSUPPORTED || result == CA_ERROR_ACCESS)
        m_unavailable = true;
    if (!m_playFailureLogged) {
        m_playFailureLogged = true;
        qCWarning(lcPlatform).nospace() << "Cannot play the capture sound: " << ca_strerror(result)
                                        << (m_unavailable ? "; capture sounds stay silent" : "");
    }
}

bool CanberraSystemSound::openContext()
{
    if (m_unavailable)
        return false;
    if (m_context)
        return true;
    ca_context* context = nullptr;
    int result = ca_context_create(&context);
    if (result == CA_SUCCESS && !m_applicationName.isEmpty())
        result = ca_context_change_props(context, CA_PROP_APPLICATION_NAME, m_applicationName.constData(),
                                         nullptr);
    if (result == CA_SUCCESS && !m_applicationId.isEmpty())
        result =
            ca_context_change_props(context, CA_PROP_APPLICATION_ID, m_applicationId.constData(), nullptr);
    if (result == CA_SUCCESS)
        result = ca_context_open(context);
    if (result != CA_SUCCESS) {
        if (context)
            ca_context_destroy(context);
        m_unavailable = true;
        qCWarning(lcPlatform) << "No sound service, capture sounds stay silent:" << ca_strerror(result);
        return false;
    }
    m_context = context;
    return true;
}
