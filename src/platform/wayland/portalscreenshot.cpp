#include "portalscreenshot.h"

#include "platformlogging.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QUrl>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Receives the Response signal of one request.
class ResponseReceiver : public QObject {
    Q_OBJECT
public:
    bool answered = false;
    uint response = 2;
    QVariantMap results;

signals:
    void received();

public slots:
    void onResponse(uint code, const QVariantMap& values)
    {
        answered = true;
        response = code;
        results = values;
        emit received();
    }
};

} // namespace

PortalScreenshot::PortalScreenshot(QDBusConnection bus)
    : m_bus(std::move(bus))
{}

QString PortalScreenshot::requestPath(const QString& uniqueName, const QString& token)
{
    QString sender = uniqueName.startsWith(u':') ? uniqueName.mid(1) : uniqueName;
    sender.replace(u'.', u'_');
    return portalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

bool PortalScreenshot::isOffered() const
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << screenshotInterface << QStringLiteral("version");
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void PortalScreenshot::report(const QString& why)
{
    // Once until a screenshot succeeds again: a session without a working portal would say it at every
    // capture.
    if (m_failureReported) {
        qCDebug(lcPlatform).noquote() << "No display image:" << why;
        return;
    }
    m_failureReported = true;
    qCWarning(lcPlatform).noquote() << "No display image:" << why;
}

PortalScreenshot::Result PortalScreenshot::take(int timeout)
{
    Result result;
    if (!m_bus.isConnected()) {
        report(QStringLiteral("no session bus to reach the desktop portal"));
        return result;
    }
    const QString token = QStringLiteral("oculo%1").arg(++m_requests);
    ResponseReceiver receiver;
    // Listening before asking: the answer may come before the reply that names the request.
    QString path = requestPath(m_bus.baseService(), token);
    m_bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), &receiver,
                  SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, screenshotInterface,
                                                       QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("interactive"), false},
                              {QStringLiteral("modal"), false}};
    call << QString() << options;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&receiver, &ResponseReceiver::received, &loop, &QEventLoop::quit);
    timer.start(timeout);

    const QDBusPendingReply<QDBusObjectPath> pending = m_bus.asyncCall(call, timeout);
    auto* watcher = new QDBusPendingCallWatcher(pending, &receiver);
    bool callFailed = false;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        if (watcher->isError()) {
            callFailed = true;
            report(QStringLiteral("the desktop portal's Screenshot failed: ") + watcher->error().message());
            loop.quit();
            return;
        }
        const QString handle = QDBusPendingReply<QDBusObjectPath>(*watcher).value().path();
        if (handle != path) {
            // An older portal names the request itself.
            m_bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), &receiver,
                             SLOT(onResponse(uint, QVariantMap)));
            path = handle;
            m_bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), &receiver,
                          SLOT(onResponse(uint, QVariantMap)));
        }
    });
    if (!receiver.answered)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), &receiver,
                     SLOT(onResponse(uint, QVariantMap)));

    if (!receiver.answered) {
        if (!callFailed)
            report(QStringLiteral("the desktop portal did not answer within %1 ms").arg(timeout));
        return result;
    }
    if (receiver.response != 0) {
        result.answer = receiver.response == 1 ? Answer::refused : Answer::failed;
        report(receiver.response == 1 ? QStringLiteral("the desktop portal refused the screenshot")
                                      : QStringLiteral("the desktop portal could not take it"));
        return result;
    }
    const QUrl uri(receiver.results.value(QStringLiteral("uri")).toString());
    const QString file = uri.toLocalFile();
    QImage image(file);
    if (image.isNull()) {
        report(QStringLiteral("the desktop portal's file %1 is not an image").arg(uri.toString()));
        return result;
    }
    // The file was made for this request alone; it is not the user's screenshot to keep.
    QFile::remove(file);
    m_failureReported = false;
    result.answer = Answer::granted;
    result.image = image.convertToFormat(QImage::Format_RGB32);
    return result;
}

#include "portalscreenshot.moc"
