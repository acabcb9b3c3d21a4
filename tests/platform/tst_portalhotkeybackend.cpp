// Hot keys through the desktop portal's GlobalShortcuts interface, against a portal of the test's own on
// a private session bus: the session, the shortcuts bound with their triggers, and the presses and
// releases the portal reports.
#include "baresessionbus.h"
#include "wayland/portalhotkeybackend.h"
#include "wayland/portalscreenshot.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// What a BindShortcuts call asked for: shortcut id to preferred trigger.
using Bound = QMap<QString, QString>;

// A shortcut as the portal reports it, with its trigger described in the desktop's words.
struct ReportedShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ReportedShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ReportedShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QVariant reported(const QString& id, const QString& trigger)
{
    return QVariant::fromValue(
        QList<ReportedShortcut>{{id, {{QStringLiteral("trigger_description"), trigger}}}});
}

// The GlobalShortcuts interface of a portal, on a thread of its own as a portal process would be.
class FakeShortcutsPortal : public QDBusVirtualObject {
public:
    explicit FakeShortcutsPortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {}

    std::atomic<bool> refuseSessions = false;
    // Read on the test's thread once the calls have been seen.
    QList<Bound> bindings() const
    {
        QMutexLocker lock(&m_mutex);
        return m_bindings;
    }
    int sessions() const
    {
        QMutexLocker lock(&m_mutex);
        return m_sessions;
    }
    QString session() const
    {
        QMutexLocker lock(&m_mutex);
        return m_session;
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() == u"org.freedesktop.DBus.Properties" && message.member() == u"Get") {
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            return true;
        }
        if (message.interface() != shortcutsInterface)
            return false;
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().constLast());
        const QString request =
            PortalScreenshot::requestPath(message.service(), options.value("handle_token").toString());
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        uint response = 0;
        QVariantMap results;
        if (message.member() == u"CreateSession") {
            QMutexLocker lock(&m_mutex);
            ++m_sessions;
            m_session = QStringLiteral("/org/freedesktop/portal/desktop/session/test/%1")
                            .arg(options.value("session_handle_token").toString());
            results.insert("session_handle", m_session);
            response = refuseSessions ? 2 : 0;
        } else if (message.member() == u"BindShortcuts") {
            Bound bound;
            QList<ReportedShortcut> shortcuts;
            const QDBusArgument list = message.arguments().at(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                bound.insert(id, properties.value("preferred_trigger").toString());
                // The desktop binds each as asked, and describes the keys its own way.
                const QString trigger = properties.value("preferred_trigger").toString();
                shortcuts.append({id, {{"trigger_description", trigger.toLower().replace('+', " + ")}}});
            }
            list.endArray();
            results.insert("shortcuts", QVariant::fromValue(shortcuts));
            QMutexLocker lock(&m_mutex);
            m_bindings.append(bound);
        } else {
            return false;
        }
        QDBusMessage answer =
            QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), "Response");
        answer << response << results;
        connection.send(answer);
        return true;
    }

    // The user gave the shortcut other keys in the desktop's settings.
    void sendShortcutsChanged(const QString& session, const QString& shortcut, const QString& trigger)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, "ShortcutsChanged");
        signal << QVariant::fromValue(QDBusObjectPath(session)) << reported(shortcut, trigger);
        m_bus.send(signal);
    }

    void send(const char* member, const QString& session, const QString& shortcut)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, member);
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcut << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

private:
    QDBusConnection m_bus;
    mutable QMutex m_mutex;
    QList<Bound> m_bindings;
    int m_sessions = 0;
    QString m_session;
};

// Shift+Ctrl+2 and Alt+Super+A as X key codes with X modifier masks.
constexpr HotKeyCombination captureKeys{11, XModifier::control | XModifier::shift};
constexpr HotKeyCombination otherKeys{38, XModifier::mod1 | XModifier::mod4};

} // namespace

Q_DECLARE_METATYPE(ReportedShortcut)

class TestPortalHotKeyBackend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (m_bus.address().isEmpty())
            QSKIP("dbus-daemon did not start: install the packages of scripts/packages");
        qDBusRegisterMetaType<ReportedShortcut>();
        qDBusRegisterMetaType<QList<ReportedShortcut>>();
        m_client =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), "client"));
        m_service =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), "service"));
        QVERIFY(!PortalHotKeyBackend::isOffered(*m_client));
        m_portal = std::make_unique<FakeShortcutsPortal>(*m_service);
        m_portal->moveToThread(&m_thread);
        QVERIFY(m_service->registerVirtualObject(portalPath, m_portal.get()));
        QVERIFY(m_service->registerService("org.freedesktop.portal.Desktop"));
        m_thread.start();
        QVERIFY(PortalHotKeyBackend::isOffered(*m_client));
    }

    void cleanupTestCase()
    {
        m_thread.quit();
        m_thread.wait();
    }

    void triggersAreWrittenInTheDesktopsNotation()
    {
        QCOMPARE(PortalHotKeyBackend::triggerOf(captureKeys), QString("CTRL+SHIFT+2"));
        QCOMPARE(PortalHotKeyBackend::triggerOf(otherKeys), QString("ALT+LOGO+a"));
        QCOMPARE(PortalHotKeyBackend::triggerOf({36, XModifier::control}), QString("CTRL+Return"));
        QCOMPARE(PortalHotKeyBackend::triggerOf({0, XModifier::control}), QString());
    }

    void grabsAreBoundAndTheirEventsDelivered()
    {
        PortalHotKeyBackend backend(*m_client);
        QList<HotKeyEvent> events;
        QVERIFY(backend.setEventHandler([&](const HotKeyEvent& event) {
            events.append(event);
            return true;
        }));
        const std::optional<quint32> capture = backend.grab(captureKeys, {1, 7});
        const std::optional<quint32> other = backend.grab(otherKeys, {1, 8});
        QVERIFY(capture && other && *capture != *other);
        QVERIFY(!backend.grab(captureKeys, {1, 9})); // one binding per combination
        // One session, and both shortcuts bound together.
        QTRY_COMPARE(m_portal->bindings().size(), 1);
        QCOMPARE(m_portal->sessions(), 1);
        const Bound bound = m_portal->bindings().constFirst();
        QCOMPARE(bound.size(), 2);
        QVERIFY(bound.values().contains("CTRL+SHIFT+2") && bound.values().contains("ALT+LOGO+a"));
        const QString captureId = bound.key("CTRL+SHIFT+2");

        m_portal->send("Activated", m_portal->session(), captureId);
        m_portal->send("Deactivated", m_portal->session(), captureId);
        m_portal->send("Activated", "/org/freedesktop/portal/desktop/session/someone/else", captureId);
        m_portal->send("Activated", m_portal->session(), "not-ours");
        QTRY_COMPARE(events.size(), 2);
        QTest::qWait(100);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, HotKeyEventKind::pressed);
        QCOMPARE(events[1].kind, HotKeyEventKind::released);
        QCOMPARE(events[0].hotKeyId, std::optional<HotKeyId>(HotKeyId{1, 7}));

        // Letting go of one binds the rest again.
        backend.ungrab(*other);
        QTRY_COMPARE(m_portal->bindings().size(), 2);
        QCOMPARE(m_portal->bindings().constLast().values(), QStringList{"CTRL+SHIFT+2"});
        QCOMPARE(m_portal->sessions(), 1);
    }

    void theKeysTheDesktopReportsAreKeptAndFollowItsChanges()
    {
        PortalHotKeyBackend backend(*m_client);
        int changes = 0;
        backend.setReportedTriggerHandler([&] { ++changes; });
        QVERIFY(backend.grab(captureKeys, {1, 1}));
        QCOMPARE(backend.reportedTrigger(captureKeys), QString());
        // The bind answer's words for the keys.
        QTRY_COMPARE(backend.reportedTrigger(captureKeys), QString("ctrl + shift + 2"));
        QCOMPARE(changes, 1);
        QCOMPARE(backend.reportedTrigger(otherKeys), QString());
        const QString id = m_portal->bindings().constLast().key("CTRL+SHIFT+2");

        // The user picks other keys in the desktop's settings; another session's shortcuts are not ours.
        m_portal->sendShortcutsChanged("/org/freedesktop/portal/desktop/session/someone/else", id, "Alt+X");
        m_portal->sendShortcutsChanged(m_portal->session(), id, "Super+C");
        QTRY_COMPARE(backend.reportedTrigger(captureKeys), QString("Super+C"));
        QCOMPARE(changes, 2);
    }

    void aRefusedSessionReportsNothingAndSaysSoOnce()
    {
        m_portal->refuseSessions = true;
        const int bindings = m_portal->bindings().size();
        PortalHotKeyBackend backend(*m_client);
        int warnings = 0;
        static int* counter = nullptr;
        counter = &warnings;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg && text.contains("oculo --capture"))
                    ++*counter;
            });
        QVERIFY(backend.grab(captureKeys, {1, 1}));
        QTRY_COMPARE(warnings, 1);
        QVERIFY(backend.grab(otherKeys, {1, 2}));
        QTest::qWait(200);
        qInstallMessageHandler(previous);
        QCOMPARE(warnings, 1);
        QCOMPARE(m_portal->bindings().size(), bindings);
        m_portal->refuseSessions = false;
    }

private:
    BareSessionBus m_bus;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<QDBusConnection> m_service;
    std::unique_ptr<FakeShortcutsPortal> m_portal;
    QThread m_thread;
};

QTEST_MAIN(TestPortalHotKeyBackend)
#include "tst_portalhotkeybackend.moc"
