#include "dbusinstancechannel.h"

#include "platformlogging.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <utility>

const QString DBusInstanceChannel::serviceName = QStringLiteral("org.oculo.Oculo");
const QString DBusInstanceChannel::objectPath = QStringLiteral("/org/oculo/Oculo");
const QString DBusInstanceChannel::interfaceName = QStringLiteral("org.oculo.Oculo");

namespace {

// The object the instance serves on the bus. Each call is answered first and carried out from the
// event loop afterwards, so that the caller hears back even from a Quit.
class ServedObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.oculo.Oculo")
public:
    explicit ServedObject(std::function<void(InstanceRequest)> receive)
        : m_receive(std::move(receive))
    {}

public slots:
    Q_SCRIPTABLE void Capture() { later(InstanceRequest::capture); }
    Q_SCRIPTABLE void ShowPreferences() { later(InstanceRequest::showPreferences); }
    Q_SCRIPTABLE void ShowHistory() { later(InstanceRequest::showHistory); }
    Q_SCRIPTABLE void ShowAbout() { later(InstanceRequest::showAbout); }
    Q_SCRIPTABLE void Quit() { later(InstanceRequest::quit); }

private:
    void later(InstanceRequest request)
    {
        QMetaObject::invokeMethod(
            this, [this, request] { m_receive(request); }, Qt::QueuedConnection);
    }

    std::function<void(InstanceRequest)> m_receive;
};

QString methodName(InstanceRequest request)
{
    switch (request) {
    case InstanceRequest::capture:
        return QStringLiteral("Capture");
    case InstanceRequest::showPreferences:
        return QStringLiteral("ShowPreferences");
    case InstanceRequest::showHistory:
        return QStringLiteral("ShowHistory");
    case InstanceRequest::showAbout:
        return QStringLiteral("ShowAbout");
    case InstanceRequest::quit:
        return QStringLiteral("Quit");
    }
    return {};
}

} // namespace

DBusInstanceChannel::DBusInstanceChannel(const QDBusConnection& connection, int callTimeoutMs)
    : m_connection(connection)
    , m_callTimeoutMs(callTimeoutMs)
{}

DBusInstanceChannel::~DBusInstanceChannel()
{
    if (m_servedObject) {
        m_connection.unregisterService(serviceName);
        m_connection.unregisterObject(objectPath);
    }
    // Closed once the member lets go of it.
    QDBusConnection::disconnectFromBus(m_connection.name());
}

InstanceClaim DBusInstanceChannel::claim()
{
    if (!m_claim)
        m_claim = claimName();
    return *m_claim;
}

InstanceClaim DBusInstanceChannel::claimName()
{
    if (!m_connection.isConnected()) {
        qCInfo(lcPlatform).nospace() << "The session bus cannot be reached ("
                                     << m_connection.lastError().message()
                                     << "): Oculo runs alone, and later starts cannot reach it";
        return InstanceClaim::alone;
    }
    // Served before the name is owned, so that a request sent as soon as the name appears finds it.
    auto object = std::make_unique<ServedObject>([this](InstanceRequest request) { receive(request); });
    if (!m_connection.registerObject(objectPath, object.get(), QDBusConnection::ExportScriptableSlots)) {
        qCInfo(lcPlatform) << "Cannot serve" << objectPath << "on the session bus: Oculo runs alone";
        return InstanceClaim::alone;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_connection.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_servedObject = std::move(object);
        qCDebug(lcPlatform) << "This process is the instance, as" << serviceName;
        return InstanceClaim::claimed;
    }
    m_connection.unregisterObject(objectPath);
    if (!reply.isValid()) {
        qCInfo(lcPlatform) << "The session bus refused the name" << serviceName << "("
                           << reply.error().message() << "): Oculo runs alone";
        return InstanceClaim::alone;
    }
    return InstanceClaim::taken;
}

void DBusInstanceChannel::setRequestHandler(RequestHandler handler)
{
    m_handler = std::move(handler);
    while (m_handler && !m_waiting.isEmpty())
        m_handler(m_waiting.takeFirst());
}

void DBusInstanceChannel::receive(InstanceRequest request)
{
    qCDebug(lcPlatform) << "Another start asks for" << methodName(request);
    if (m_handler)
        m_handler(request);
    else
        m_waiting.append(request);
}

bool DBusInstanceChannel::send(InstanceRequest request)
{
    if (!m_connection.isConnected()) {
        qCDebug(lcPlatform) << "No session bus to reach a running instance on:"
                            << m_connection.lastError().message();
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, methodName(request));
    // Nothing is started on the bus's behalf: only a running instance answers.
    call.setAutoStartService(false);
    const QDBusMessage reply = m_connection.call(call, QDBus::Block, m_callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    qCDebug(lcPlatform) << "No running instance took" << call.member() << "-" << reply.errorName()
                        << reply.errorMessage();
    return false;
}

bool DBusInstanceChannel::isRunning() const
{
    if (!m_connection.isConnected())
        return false;
    const QDBusReply<bool> registered = m_connection.interface()->isServiceRegistered(serviceName);
    return registered.isValid() && registered.value();
}

bool DBusInstanceChannel::waitUntilNoneRuns(int timeoutMs)
{
    // Watched before asking, so that a name given up in between is not missed.
    QDBusServiceWatcher watcher(serviceName, m_connection, QDBusServiceWatcher::WatchForUnregistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (isRunning())
        loop.exec();
    return !isRunning();
}

#include "dbusinstancechannel.moc"
