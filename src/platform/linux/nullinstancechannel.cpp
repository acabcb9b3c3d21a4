#include "nullinstancechannel.h"

#include "platformlogging.h"

InstanceClaim NullInstanceChannel::claim()
{
    if (!m_claimed) {
        m_claimed = true;
        qCInfo(lcPlatform) << "No session bus (DBUS_SESSION_BUS_ADDRESS is not set): Oculo runs alone, and "
                              "later starts cannot reach it";
    }
    return InstanceClaim::alone;
}
