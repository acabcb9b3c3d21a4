// The Wayland session tests' client of the session's D-Bus bus, run as a program of its own as the
// session's user (a bus and its portal answer their own user only). One command per run:
//   screenshot      asks the Screenshot portal for an image of the display without a dialog; prints
//                   "uri URI" and the milliseconds the answer took ("took MS")
//   portal          whether the Screenshot portal is there: prints "version N"
//   owned NAME      whether some program holds NAME on the bus
// Exits 0 when the answer is yes (or the image came), 1 otherwise with the reason on standard error.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

int fail(const QString& why)
{
    std::fprintf(stderr, "waylandbusclient: %s\n", qPrintable(why));
    return 1;
}

// Receives the Response signal of the portal's request.
class ResponseReceiver : public QObject {
    Q_OBJECT
public:
    QElapsedTimer clock;

public slots:
    void response(uint code, const QVariantMap& results)
    {
        const QString uri = results.value(QStringLiteral("uri")).toString();
        if (code != 0 || uri.isEmpty()) {
            QCoreApplication::exit(fail(QStringLiteral("the portal answered %1 without an image").arg(code)));
            return;
        }
        std::printf("uri %s\ntook %lld\n", qPrintable(uri), clock.elapsed());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    }
};

int screenshot(QCoreApplication& app, QDBusConnection bus)
{
    // The request's object path follows from the caller's unique name and the token, so the answer
    // can be listened for before the call: it may come before the call returns.
    const QString token = QStringLiteral("oculo_test_%1").arg(QCoreApplication::applicationPid());
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = portalPath + QStringLiteral("/request/") + sender + u'/' + token;

    ResponseReceiver receiver;
    if (!bus.connect(portalService, requestPath, requestInterface, QStringLiteral("Response"), &receiver,
                     SLOT(response(uint, QVariantMap))))
        return fail(QStringLiteral("cannot listen for the portal's answer"));
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, screenshotInterface,
                                                       QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("interactive"), false}};
    receiver.clock.start();
    const QDBusReply<QDBusObjectPath> reply = bus.call(call, QDBus::Block, 10000);
    if (!reply.isValid())
        return fail(QStringLiteral("the Screenshot portal refused: ") + reply.error().message());
    // A portal older than request tokens answers on a path of its own choosing.
    if (reply.value().path() != requestPath)
        bus.connect(portalService, reply.value().path(), requestInterface, QStringLiteral("Response"),
                    &receiver, SLOT(response(uint, QVariantMap)));
    QTimer::singleShot(15000, &app, [] {
        QCoreApplication::exit(fail(QStringLiteral("the portal did not answer in 15 s")));
    });
    return app.exec();
}

int portalVersion(QDBusConnection bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << screenshotInterface << QStringLiteral("version");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, 5000);
    if (!reply.isValid())
        return fail(QStringLiteral("no Screenshot portal: ") + reply.error().message());
    std::printf("version %u\n", reply.value().variant().toUInt());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return fail(QStringLiteral("no session bus: ") + bus.lastError().message());
    if (arguments == QStringList{QStringLiteral("screenshot")})
        return screenshot(app, bus);
    if (arguments == QStringList{QStringLiteral("portal")})
        return portalVersion(bus);
    if (arguments.size() == 2 && arguments.first() == QStringLiteral("owned")) {
        const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(arguments.at(1));
        return owned.isValid() && owned.value() ? 0 : fail(arguments.at(1) + QStringLiteral(" has no owner"));
    }
    return fail(QStringLiteral("usage: waylandbusclient screenshot | portal | owned NAME"));
}

#include "waylandbusclient.moc"
