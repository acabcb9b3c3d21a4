// Hot keys on a Wayland session through the desktop portal's GlobalShortcuts interface: one portal
// session, in which every grabbed combination is bound as a shortcut of its own with the combination as
// its preferred trigger (the desktop may let the user choose another); the portal's Activated and
// Deactivated signals are the presses and releases. The keys the desktop reports for each shortcut (the
// bind answer's and ShortcutsChanged's trigger descriptions) are kept by combination. The portal answers
// asynchronously: a grab is accepted at once and bound when the session is ready. A portal that fails
// says so once in the log and reports nothing. Main thread only.
#pragma once

#include "hotkeybackend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVariantMap>

class PortalHotKeyBackend : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    explicit PortalHotKeyBackend(QDBusConnection bus, QObject* parent = nullptr);
    ~PortalHotKeyBackend() override;

    // Whether the session bus offers the portal's GlobalShortcuts interface.
    static bool isOffered(QDBusConnection bus);

    std::optional<quint32> grab(HotKeyCombination combination, HotKeyId id) override;
    void ungrab(quint32 reference) override;
    bool setEventHandler(EventHandler handler) override;
    QList<HotKeyCombination> grabbedByOtherClients(const QList<HotKeyCombination>&) override { return {}; }
    QString reportedTrigger(HotKeyCombination combination) const override;
    void setReportedTriggerHandler(std::function<void()> handler) override;

    // The trigger of a combination in the desktop's shortcut notation ("CTRL+SHIFT+2"): the modifiers,
    // then the name of the key the X key code types on a US layout; empty for a key code with no name.
    static QString triggerOf(HotKeyCombination combination);

private slots:
    void onSessionResponse(uint response, const QVariantMap& results);
    void onBindResponse(uint response, const QVariantMap& results);
    void onShortcutsChanged(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onDeactivated(const QDBusMessage& message);

private:
    struct Grab {
        HotKeyCombination combination;
        HotKeyId id;
    };

    void createSession();
    void scheduleBinding();
    void bind();
    void deliver(const QDBusMessage& message, HotKeyEventKind kind);
    void takeTriggers(const QVariant& shortcuts);
    QString listen(const QString& token, const char* slot);
    void fail(const QString& why);

    QDBusConnection m_bus;
    QMap<quint32, Grab> m_grabs;
    quint32 m_references = 0;
    EventHandler m_handler;
    std::function<void()> m_reportedTriggerHandler;
    QMap<QString, QString> m_reportedTriggers; // by the combination's own trigger (triggerOf)
    QString m_session;                         // the session's object path once the portal made it
    QString m_sessionRequest;
    QString m_bindRequest;
    bool m_bindingScheduled = false;
    bool m_failed = false;
    int m_tokens = 0;
};
