// The instance channel over a D-Bus bus, the session bus in the product: the instance owns the
// well-known name org.oculo.Oculo and serves Oculo's own interface org.oculo.Oculo (methods Capture,
// ShowPreferences, ShowHistory, ShowAbout and Quit) at /org/oculo/Oculo; a later start calls those
// methods. Main thread only. On a connection that is not connected (no session bus, or an unreachable
// one) the process runs alone, which claim() logs once; a bus that refuses the name leaves it alone too.
#pragma once

#include "instancechannel.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class DBusInstanceChannel : public InstanceChannel {
public:
    // Where a running instance is found on the bus.
    static const QString serviceName;
    static const QString objectPath;
    static const QString interfaceName;

    // Takes a connection of its own (connectToBus with a name), closed with the channel.
    // `callTimeoutMs`: how long send() waits for the running instance to answer.
    explicit DBusInstanceChannel(const QDBusConnection& connection, int callTimeoutMs = 5000);
    // Gives the name up at once, so that the next start becomes the instance.
    ~DBusInstanceChannel() override;

    InstanceClaim claim() override;
    void setRequestHandler(RequestHandler handler) override;
    bool send(InstanceRequest request) override;
    bool waitUntilNoneRuns(int timeoutMs) override;

private:
    InstanceClaim claimName();
    void receive(InstanceRequest request);
    bool isRunning() const;

    QDBusConnection m_connection;
    int m_callTimeoutMs;
    std::optional<InstanceClaim> m_claim;
    std::unique_ptr<QObject> m_servedObject; // exported while this process is the instance
    RequestHandler m_handler;
    QList<InstanceRequest> m_waiting; // received while no handler was installed
};
