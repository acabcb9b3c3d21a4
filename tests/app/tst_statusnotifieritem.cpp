// The real oculo program on a desktop whose tray is a StatusNotifierItem host: a watcher and a host of
// the test's own on a private session bus. Oculo's icon registers with the watcher, its menu goes over
// D-Bus (com.canonical.dbusmenu) with the same items as the XEmbed tray's, in order, and a capture made
// from that menu shows among the recent captures the next time the menu opens.
#include "baresessionbus.h"
#include "localizedstrings.h"
#include "oculodesktop.h"
#include "recentcapturetitle.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString clipboardText = QStringLiteral("Convert this clipboard image");

// The watcher of a StatusNotifierItem desktop, with one host registered: it lists the items that
// register, as a panel would before showing them.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    // An item names its bus service, or only its object path on the caller's connection.
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        m_items.append(service.startsWith(u'/') ? message.service() + service : service);
        emit StatusNotifierItemRegistered(m_items.constLast());
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

// One entry of a D-Bus menu layout with the entries under it.
struct MenuEntry {
    int id = 0;
    QVariantMap properties;
    QList<MenuEntry> children;

    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool isSeparator() const { return properties.value(QStringLiteral("type")).toString() == u"separator"; }
    // The labels of the visible entries, "---" for a separator.
    QStringList childLabels() const
    {
        QStringList labels;
        for (const MenuEntry& child : children) {
            if (child.properties.value(QStringLiteral("visible"), true).toBool())
                labels << (child.isSeparator() ? QStringLiteral("---") : child.label());
        }
        return labels;
    }
    const MenuEntry* child(const QString& label) const
    {
        for (const MenuEntry& entry : children) {
            if (entry.label() == label)
                return &entry;
        }
        return nullptr;
    }
};

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEntry& entry)
{
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        MenuEntry childEntry;
        child.variant().value<QDBusArgument>() >> childEntry;
        entry.children.append(childEntry);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

// Waits for the clipboard to hold the text, as another client reads it. (Each read can take seconds, so
// this waits by the clock rather than by a count of tries.)
bool clipboardBecomes(const QString& text)
{
    return QTest::qWaitFor([&] { return clipboardThroughXclip() == text; }, 60000);
}

} // namespace

class TestStatusNotifierItem : public QObject {
    Q_OBJECT
    BareSessionBus m_bus;
    std::unique_ptr<QDBusConnection> m_connection;
    Watcher m_watcher;
    QTemporaryDir m_config;
    QProcess m_oculo;
    QString m_itemService;
    QString m_menuPath;
    int m_layoutUpdates = 0;

    QDBusMessage callMenu(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_itemService, m_menuPath, menuInterface, method);
        call.setArguments(arguments);
        return m_connection->call(call, QDBus::BlockWithGui, 30000);
    }

    // As a host opens the menu: AboutToShow on the root, whose answer says whether to fetch it again.
    bool aboutToShow()
    {
        const QDBusMessage reply = callMenu(QStringLiteral("AboutToShow"), {0});
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    MenuEntry layout()
    {
        const QDBusMessage reply = callMenu(QStringLiteral("GetLayout"), {0, -1, QStringList()});
        MenuEntry root;
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 2)
            reply.arguments().at(1).value<QDBusArgument>() >> root;
        return root;
    }

    // Whether the item is enabled when the menu opens now.
    bool isEnabledOnOpening(const QString& label)
    {
        aboutToShow();
        const MenuEntry root = layout();
        const MenuEntry* item = root.child(label);
        return item && item->properties.value(QStringLiteral("enabled"), true).toBool();
    }

    void click(int id)
    {
        callMenu(QStringLiteral("Event"),
                 {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    }

public slots:
    void layoutUpdated() { ++m_layoutUpdates; }

private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        if (m_bus.address().isEmpty())
            QSKIP("dbus-daemon did not start: install the packages of scripts/packages");
        QVERIFY(QFile::exists(oculoPath));
        m_connection =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), "desktop"));
        QVERIFY(m_connection->registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                                             QDBusConnection::ExportAllSlots |
                                                 QDBusConnection::ExportAllSignals |
                                                 QDBusConnection::ExportAllProperties));
        QVERIFY(m_connection->registerService(watcherService));
        QVERIFY(m_connection->registerService(
            QStringLiteral("org.kde.StatusNotifierHost-%1").arg(QCoreApplication::applicationPid())));

        QVERIFY(writeQuietDefaults(m_config.path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus.address());
        m_oculo.setProcessEnvironment(env);
        m_oculo.setProcessChannelMode(QProcess::MergedChannels);
        m_oculo.start(oculoPath, {});
        QVERIFY(m_oculo.waitForStarted(30000));
    }

    void theMenuGoesOverDBusAndListsTheRecentCapturesAfterACapture()
    {
        QTRY_VERIFY2_WITH_TIMEOUT(!m_watcher.registeredItems().isEmpty(),
                                  "oculo's item did not register with the watcher", 60000);
        const QString item = m_watcher.registeredItems().constFirst();
        const qsizetype slash = item.indexOf(u'/');
        m_itemService = item.left(slash);
        QDBusMessage get = QDBusMessage::createMethodCall(
            m_itemService, slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << itemInterface << QStringLiteral("Menu");
        const QDBusMessage menu = m_connection->call(get, QDBus::BlockWithGui, 30000);
        QCOMPARE(menu.type(), QDBusMessage::ReplyMessage);
        m_menuPath =
            qdbus_cast<QDBusObjectPath>(menu.arguments().at(0).value<QDBusVariant>().variant()).path();
        QVERIFY(!m_menuPath.isEmpty());
        QVERIFY(m_connection->connect(m_itemService, m_menuPath, menuInterface,
                                      QStringLiteral("LayoutUpdated"), this, SLOT(layoutUpdated())));

        // The items of the XEmbed tray's menu, in the same order.
        const QString name = QStringLiteral("Oculo");
        const QStringList items{Strings::statusMenuStartCaptureItemTitle(),
                                Strings::statusMenuOpenFileItemTitle(),
                                Strings::statusMenuConvertClipboardItemTitle(),
                                QStringLiteral("---"),
                                Strings::statusMenuRecentCapturesItemTitle(),
                                Strings::statusMenuShowWorkflowItemTitle(),
                                QStringLiteral("---"),
                                Strings::statusMenuAboutItemTitle(name),
                                Strings::statusMenuPreferencesItemTitle(),
                                QStringLiteral("---"),
                                Strings::statusMenuQuitItemTitle(name)};
        MenuEntry root = layout();
        QCOMPARE(root.childLabels(), items);
        const MenuEntry* convert = root.child(Strings::statusMenuConvertClipboardItemTitle());
        QVERIFY(convert);

        // Convert Clipboard, enabled by the image when the menu opens (once oculo has seen the new
        // clipboard: its X events and these calls arrive in no fixed order).
        QGuiApplication::clipboard()->setImage(oneLineImage(clipboardText));
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::clipboard()->ownsClipboard(), 30000);
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return isEnabledOnOpening(Strings::statusMenuConvertClipboardItemTitle()); }, 30000),
            "Convert Clipboard stayed disabled with an image on the clipboard");
        click(convert->id);
        QVERIFY(clipboardBecomes(clipboardText));

        // The next time the menu opens, the desktop learns that it changed, and fetches the capture.
        const int updates = m_layoutUpdates;
        const bool asksForLayout = aboutToShow();
        QTRY_VERIFY2_WITH_TIMEOUT(asksForLayout || m_layoutUpdates > updates,
                                  "the desktop was not told that the menu changed", 30000);
        root = layout();
        QCOMPARE(root.childLabels(), items);
        const MenuEntry* recent = root.child(Strings::statusMenuRecentCapturesItemTitle());
        QVERIFY(recent);
        QCOMPARE(recent->childLabels(), QStringList{RecentCaptureTitle::of({clipboardText})});

        // Choosing it brings the text back.
        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        QVERIFY(clipboardBecomes(QStringLiteral("something else")));
        click(recent->children.constFirst().id);
        QVERIFY(clipboardBecomes(clipboardText));

        // With a tray there, nothing says the menu is unavailable.
        QVERIFY(!QString::fromUtf8(m_oculo.readAll()).contains(u"menu is unavailable"));
    }

    void cleanupTestCase()
    {
        if (m_oculo.state() == QProcess::NotRunning)
            return;
        m_oculo.terminate();
        if (!m_oculo.waitForFinished(30000))
            m_oculo.kill();
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestStatusNotifierItem test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statusnotifieritem.moc"
