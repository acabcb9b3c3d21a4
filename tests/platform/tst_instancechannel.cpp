// The instance channel on a session bus of the test's own: the first claim wins and later ones are
// refused, requests reach the instance (also from another program, by the names a script would use),
// the name goes with the instance, and without a reachable bus every process runs alone.
#include "linux/dbusinstancechannel.h"
#include "platformloader.h"
#include "privatesessionbus.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <future>
#include <memory>

namespace {

QString nameOf(InstanceRequest request)
{
    switch (request) {
    case InstanceRequest::capture:
        return QStringLiteral("capture");
    case InstanceRequest::showPreferences:
        return QStringLiteral("preferences");
    case InstanceRequest::showHistory:
        return QStringLiteral("history");
    case InstanceRequest::showAbout:
        return QStringLiteral("about");
    case InstanceRequest::quit:
        return QStringLiteral("quit");
    }
    return {};
}

// The lines the platform log says about running alone, while it lives.
class AloneLines {
public:
    AloneLines() { s_previous = qInstallMessageHandler(&AloneLines::handle); }
    ~AloneLines() { qInstallMessageHandler(s_previous); }
    static int count() { return s_count; }
    static void reset() { s_count = 0; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (qstrcmp(context.category, "oculo.platform") == 0 && message.contains(u"runs alone"))
            ++s_count;
        s_previous(type, context, message);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline int s_count = 0;
};

} // namespace

class TestInstanceChannel : public QObject {
    Q_OBJECT
    std::unique_ptr<PrivateSessionBus> m_bus;
    int m_connections = 0;

    QString nextConnectionName() { return QStringLiteral("test-%1").arg(++m_connections); }

    // A channel on a connection of its own to the test's bus, as each start of Oculo has.
    std::unique_ptr<DBusInstanceChannel> channel()
    {
        return std::make_unique<DBusInstanceChannel>(
            QDBusConnection::connectToBus(m_bus->address(), nextConnectionName()));
    }

    // Sent as a later start sends it: from elsewhere, while this thread's event loop keeps running for
    // the instance.
    bool sendFromElsewhere(InstanceRequest request)
    {
        std::future<bool> sent = std::async(
            std::launch::async, [address = m_bus->address(), name = nextConnectionName(), request] {
                DBusInstanceChannel sender(QDBusConnection::connectToBus(address, name));
                return sender.send(request);
            });
        const bool done = QTest::qWaitFor(
            [&] { return sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000);
        return done && sent.get();
    }

    // Runs dbus-send on the test's bus to completion; true when the call was answered.
    bool callWithDbusSend(const QString& method)
    {
        QProcess send;
        send.start(QStringLiteral("dbus-send"),
                   {QStringLiteral("--bus=") + m_bus->address(), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.oculo.Oculo"), QStringLiteral("/org/oculo/Oculo"),
                    QStringLiteral("org.oculo.Oculo.") + method});
        if (!send.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([&] { return send.state() == QProcess::NotRunning; }, 15000) &&
               send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(!m_bus->address().isEmpty(), qPrintable(m_bus->error()));
    }

    void theFirstClaimWinsAndTheNameGoesWithIt()
    {
        auto first = channel();
        auto second = channel();
        QCOMPARE(first->claim(), InstanceClaim::claimed);
        QCOMPARE(second->claim(), InstanceClaim::taken);
        QCOMPARE(first->claim(), InstanceClaim::claimed);
        QCOMPARE(channel()->claim(), InstanceClaim::taken);

        first.reset();
        QCOMPARE(channel()->claim(), InstanceClaim::claimed);
    }

    void requestsReachTheInstanceInTheOrderSent()
    {
        auto instance = channel();
        QCOMPARE(instance->claim(), InstanceClaim::claimed);
        QStringList received;
        instance->setRequestHandler([&](InstanceRequest request) { received.append(nameOf(request)); });
        for (const InstanceRequest request :
             {InstanceRequest::capture, InstanceRequest::showPreferences, InstanceRequest::showHistory,
              InstanceRequest::showAbout, InstanceRequest::quit, InstanceRequest::capture})
            QVERIFY(sendFromElsewhere(request));
        QTRY_COMPARE(received,
                     QStringList({"capture", "preferences", "history", "about", "quit", "capture"}));
    }

    void requestsBeforeTheHandlerWaitForIt()
    {
        auto instance = channel();
        QCOMPARE(instance->claim(), InstanceClaim::claimed);
        QVERIFY(sendFromElsewhere(InstanceRequest::capture));
        QTest::qWait(100);
        QStringList received;
        instance->setRequestHandler([&](InstanceRequest request) { received.append(nameOf(request)); });
        QCOMPARE(received, QStringList{"capture"});
        QVERIFY(sendFromElsewhere(InstanceRequest::quit));
        QTRY_COMPARE(received, QStringList({"capture", "quit"}));
    }

    void anotherProgramReachesTheInstanceByItsNames()
    {
        auto instance = channel();
        QCOMPARE(instance->claim(), InstanceClaim::claimed);
        QStringList received;
        instance->setRequestHandler([&](InstanceRequest request) { received.append(nameOf(request)); });
        QVERIFY(callWithDbusSend(QStringLiteral("Capture")));
        QVERIFY(callWithDbusSend(QStringLiteral("ShowHistory")));
        QVERIFY(callWithDbusSend(QStringLiteral("Quit")));
        QVERIFY(!callWithDbusSend(QStringLiteral("Paste")));
        QTRY_COMPARE(received, QStringList({"capture", "history", "quit"}));
    }

    void withNoneRunningNothingIsSent()
    {
        auto sender = channel();
        QVERIFY(!sender->send(InstanceRequest::capture));
        QVERIFY(!sender->send(InstanceRequest::quit));
        QVERIFY(sender->waitUntilNoneRuns(0));
    }

    void waitingEndsWhenTheInstanceGoes()
    {
        auto instance = channel();
        QCOMPARE(instance->claim(), InstanceClaim::claimed);
        auto other = channel();
        QVERIFY(!other->waitUntilNoneRuns(200));

        QTimer::singleShot(300, this, [&] { instance.reset(); });
        constexpr int timeoutMs = 30000;
        QElapsedTimer waited;
        waited.start();
        QVERIFY(other->waitUntilNoneRuns(timeoutMs));
        QVERIFY2(waited.elapsed() < timeoutMs, "the instance going went unnoticed until the timeout");
        QVERIFY(!instance);
    }

    void withoutAReachableBusEveryProcessRunsAlone_data()
    {
        QTest::addColumn<QByteArray>("address");
        // Unset first: the unreachable address is the first the bus library looks up in this process.
        QTest::newRow("no address") << QByteArray();
        QTest::newRow("unreachable") << QByteArray("unix:path=/nonexistent/oculo-test-bus");
    }

    void withoutAReachableBusEveryProcessRunsAlone()
    {
        QFETCH(QByteArray, address);
        if (address.isEmpty())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        AloneLines lines;
        AloneLines::reset();
        // No bus is started on the session's behalf either (the X display's autolaunch): both are alone.
        const std::unique_ptr<InstanceChannel> first = loadInstanceChannel();
        const std::unique_ptr<InstanceChannel> second = loadInstanceChannel();
        QCOMPARE(first->claim(), InstanceClaim::alone);
        QCOMPARE(first->claim(), InstanceClaim::alone);
        QCOMPARE(AloneLines::count(), 1);
        QCOMPARE(second->claim(), InstanceClaim::alone);
        QVERIFY(!second->send(InstanceRequest::capture));
        QVERIFY(!second->send(InstanceRequest::quit));
        QVERIFY(second->waitUntilNoneRuns(1000));
        bool handled = false;
        first->setRequestHandler([&](InstanceRequest) { handled = true; });
        QTest::qWait(50);
        QVERIFY(!handled);
        QCOMPARE(AloneLines::count(), 2);
    }

    void cleanupTestCase() { m_bus.reset(); }
};

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
