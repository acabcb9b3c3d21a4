#include "portalhotkeybackend.h"

#include "platformlogging.h"
#include "portalscreenshot.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QTimer>

#include <xkbcommon/xkbcommon.h>

#include <memory>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One shortcut as the portal takes it: its id and its description and preferred trigger.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QString shortcutId(quint32 reference)
{
    return QStringLiteral("oculo-%1").arg(reference);
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalHotKeyBackend::PortalHotKeyBackend(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Deactivated"), this,
                  SLOT(onDeactivated(QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("ShortcutsChanged"), this,
                  SLOT(onShortcutsChanged(QDBusMessage)));
}

PortalHotKeyBackend::~PortalHotKeyBackend()
{
    if (!m_session.isEmpty()) {
        m_bus.call(QDBusMessage::createMethodCall(portalService, m_session,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")),
                   QDBus::NoBlock);
    }
}

bool PortalHotKeyBackend::isOffered(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << shortcutsInterface << QStringLiteral("version");
    return bus.call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage;
}

QString PortalHotKeyBackend::triggerOf(HotKeyCombination combination)
{
    struct Deleter {
        void operator()(xkb_context* context) const { xkb_context_unref(context); }
        void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
        void operator()(xkb_state* state) const { xkb_state_unref(state); }
    };
    static const auto keymap = [] {
        std::unique_ptr<xkb_context, Deleter> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
        if (!context)
            return std::unique_ptr<xkb_keymap, Deleter>();
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        return std::unique_ptr<xkb_keymap, Deleter>(
            xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }();
    if (!keymap)
        return {};
    std::unique_ptr<xkb_state, Deleter> state(xkb_state_new(keymap.get()));
    const xkb_keysym_t symbol = state ? xkb_state_key_get_one_sym(state.get(), combination.keyCode) : 0;
    char name[64] = {};
    if (symbol == XKB_KEY_NoSymbol || xkb_keysym_get_name(symbol, name, sizeof name) <= 0)
        return {};
    QStringList parts;
    if (combination.modifiers & XModifier::control)
        parts.append(QStringLiteral("CTRL"));
    if (combination.modifiers & XModifier::mod1)
        parts.append(QStringLiteral("ALT"));
    if (combination.modifiers & XModifier::shift)
        parts.append(QStringLiteral("SHIFT"));
    if (combination.modifiers & XModifier::mod4)
        parts.append(QStringLiteral("LOGO"));
    parts.append(QString::fromLatin1(name));
    return parts.join(u'+');
}

std::optional<quint32> PortalHotKeyBackend::grab(HotKeyCombination combination, HotKeyId id)
{
    for (const Grab& existing : std::as_const(m_grabs)) {
        if (existing.combination == combination)
            return std::nullopt;
    }
    if (triggerOf(combination).isEmpty())
        return std::nullopt;
    const quint32 reference = ++m_references;
    m_grabs.insert(reference, {combination, id});
    scheduleBinding();
    return reference;
}

void PortalHotKeyBackend::ungrab(quint32 reference)
{
    if (m_grabs.remove(reference) > 0)
        scheduleBinding();
}

bool PortalHotKeyBackend::setEventHandler(EventHandler handler)
{
    m_handler = std::move(handler);
    return true;
}

void PortalHotKeyBackend::scheduleBinding()
{
    if (m_bindingScheduled || m_failed)
        return;
    m_bindingScheduled = true;
    // The grabs of one change go to the portal together.
    QTimer::singleShot(0, this, [this] {
        m_bindingScheduled = false;
        if (m_session.isEmpty())
            createSession();
        else
            bind();
    });
}

QString PortalHotKeyBackend::listen(const QString& token, const char* slot)
{
    const QString path = PortalScreenshot::requestPath(m_bus.baseService(), token);
    m_bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), this, slot);
    return path;
}

void PortalHotKeyBackend::createSession()
{
    if (!m_sessionRequest.isEmpty())
        return;
    const QString token = QStringLiteral("oculo%1").arg(++m_tokens);
    m_sessionRequest = listen(token, SLOT(onSessionResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                       QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("oculo")}};
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        fail(QStringLiteral("the desktop portal made no shortcut session: ") + reply.errorMessage());
}

void PortalHotKeyBackend::onSessionResponse(uint response, const QVariantMap& results)
{
    m_bus.disconnect(portalService, m_sessionRequest, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onSessionResponse(uint, QVariantMap)));
    m_sessionRequest.clear();
    const QString session = results.value(QStringLiteral("session_handle")).toString();
    if (response != 0 || session.isEmpty()) {
        fail(QStringLiteral("the desktop portal refused a shortcut session"));
        return;
    }
    m_session = session;
    bind();
}

void PortalHotKeyBackend::bind()
{
    if (m_session.isEmpty() || m_failed)
        return;
    QList<PortalShortcut> shortcuts;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        shortcuts.append({shortcutId(it.key()),
                          {{QStringLiteral("description"), QStringLiteral("Start Text Capture")},
                           {QStringLiteral("preferred_trigger"), triggerOf(it->combination)}}});
    }
    const QString token = QStringLiteral("oculo%1").arg(++m_tokens);
    if (!m_bindRequest.isEmpty())
        m_bus.disconnect(portalService, m_bindRequest, requestInterface, QStringLiteral("Response"), this,
                         SLOT(onBindResponse(uint, QVariantMap)));
    m_bindRequest = listen(token, SLOT(onBindResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    m_bus.asyncCall(call);
}

void PortalHotKeyBackend::onBindResponse(uint response, const QVariantMap& results)
{
    if (response != 0) {
        qCWarning(lcPlatform) << "The desktop did not bind Oculo's shortcuts (answer" << response << ")";
        return;
    }
    takeTriggers(results.value(QStringLiteral("shortcuts")));
}

void PortalHotKeyBackend::onShortcutsChanged(const QDBusMessage& message)
{
    // (session handle, shortcuts)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() ||
        qdbus_cast<QDBusObjectPath>(arguments.at(0)).path() != m_session)
        return;
    takeTriggers(arguments.at(1));
}

void PortalHotKeyBackend::takeTriggers(const QVariant& shortcuts)
{
    if (!shortcuts.canConvert<QDBusArgument>())
        return;
    bool changed = false;
    for (const PortalShortcut& shortcut : qdbus_cast<QList<PortalShortcut>>(shortcuts)) {
        const QString description =
            shortcut.properties.value(QStringLiteral("trigger_description")).toString();
        for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
            if (shortcutId(it.key()) != shortcut.id)
                continue;
            const QString key = triggerOf(it->combination);
            changed = changed || m_reportedTriggers.value(key) != description;
            m_reportedTriggers.insert(key, description);
        }
    }
    qCDebug(lcPlatform) << "The desktop reports the shortcuts' keys as" << m_reportedTriggers;
    if (changed && m_reportedTriggerHandler) {
        // A copy: the handler may replace itself.
        const std::function<void()> handler = m_reportedTriggerHandler;
        handler();
    }
}

QString PortalHotKeyBackend::reportedTrigger(HotKeyCombination combination) const
{
    return m_reportedTriggers.value(triggerOf(combination));
}

void PortalHotKeyBackend::setReportedTriggerHandler(std::function<void()> handler)
{
    m_reportedTriggerHandler = std::move(handler);
}

void PortalHotKeyBackend::onActivated(const QDBusMessage& message)
{
    deliver(message, HotKeyEventKind::pressed);
}

void PortalHotKeyBackend::onDeactivated(const QDBusMessage& message)
{
    deliver(message, HotKeyEventKind::released);
}

void PortalHotKeyBackend::deliver(const QDBusMessage& message, HotKeyEventKind kind)
{
    // (session handle, shortcut id, timestamp, options)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || !m_handler)
        return;
    if (qdbus_cast<QDBusObjectPath>(arguments.at(0)).path() != m_session)
        return;
    const QString shortcut = arguments.at(1).toString();
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (shortcutId(it.key()) == shortcut) {
            const HotKeyEvent event{kind, it->id};
            // A copy: the handler may change the grabs.
            const EventHandler handler = m_handler;
            handler(event);
            return;
        }
    }
}

void PortalHotKeyBackend::fail(const QString& why)
{
    if (m_failed)
        return;
    m_failed = true;
    qCWarning(lcPlatform).noquote() << "Global shortcuts are unavailable:" << why
                                    << "- bind the command \"oculo --capture\" to a key in the desktop's "
                                       "keyboard settings instead.";
}
