#include "globalshortcuts.h"

#include "hotkeycenter.h"
#include "notificationcenter.h"
#include "shortcuteventstream.h"
#include "shortcutslogging.h"
#include "userdefaults.h"

#include <QMap>
#include <QVariant>

namespace GlobalShortcuts {

namespace {

// A map from names to values that keeps the order in which names were first added, so that actions of
// different names run in a fixed order.
template <typename Value> class NameMap {
public:
    Value& operator[](const Name& name)
    {
        for (auto& entry : m_entries) {
            if (entry.first == name)
                return entry.second;
        }
        m_entries.append({name, Value()});
        return m_entries.last().second;
    }
    void remove(const Name& name)
    {
        m_entries.removeIf([&name](const auto& entry) { return entry.first == name; });
    }
    bool contains(const Name& name) const
    {
        return std::any_of(m_entries.cbegin(), m_entries.cend(),
                           [&name](const auto& entry) { return entry.first == name; });
    }
    QList<Name> names() const
    {
        QList<Name> names;
        for (const auto& entry : m_entries)
            names.append(entry.first);
        return names;
    }
    const QList<std::pair<Name, Value>>& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

private:
    QList<std::pair<Name, Value>> m_entries;
};

using StreamActions = QMap<quint64, detail::StreamAction>;

struct State {
    UserDefaults* userDefaults = nullptr;
    HotKeyCenter* hotKeyCenter = nullptr;
    QSet<Shortcut> registeredShortcuts;
    NameMap<QList<Action>> keyDownHandlers;
    NameMap<QList<Action>> keyUpHandlers;
    NameMap<StreamActions> streamKeyDownHandlers;
    NameMap<StreamActions> streamKeyUpHandlers;
    quint64 lastStreamId = 0;
    bool isPaused = false;
};

State& state()
{
    static State instance;
    return instance;
}

QString keyOf(const Name& name)
{
    return keyPrefix + name.rawValue;
}

void dispatch(EventType type, const Shortcut& fired)
{
    State& s = state();
    if (s.isPaused)
        return;
    // Copies: an action may attach or remove actions and streams while it runs.
    const auto handlers = type == EventType::keyDown ? s.keyDownHandlers : s.keyUpHandlers;
    for (const auto& [name, actions] : handlers.entries()) {
        if (getShortcut(name) == fired) {
            for (const Action& action : actions)
                action();
        }
    }
    const auto streams = type == EventType::keyDown ? s.streamKeyDownHandlers : s.streamKeyUpHandlers;
    for (const auto& [name, actions] : streams.entries()) {
        if (getShortcut(name) == fired) {
            for (const detail::StreamAction& action : actions)
                action(type);
        }
    }
}

// The system-wide hot key itself. While paused the keys are not grabbed: a grab would take a press
// before the recorder could see it.
void grab(const Shortcut& shortcut)
{
    State& s = state();
    if (!s.hotKeyCenter) {
        qCDebug(lcShortcuts) << "No hot-key center to register" << shortcut << "with";
        return;
    }
    s.hotKeyCenter->registerHotKey(
        shortcut, [](const Shortcut& fired) { dispatch(EventType::keyDown, fired); },
        [](const Shortcut& fired) { dispatch(EventType::keyUp, fired); });
}

void ungrab(const Shortcut& shortcut)
{
    if (HotKeyCenter* center = state().hotKeyCenter)
        center->unregisterHotKey(shortcut);
}

void registerShortcut(const Shortcut& shortcut)
{
    State& s = state();
    if (!s.isPaused)
        grab(shortcut);
    s.registeredShortcuts.insert(shortcut);
}

void unregisterShortcut(const Shortcut& shortcut)
{
    State& s = state();
    if (!s.isPaused)
        ungrab(shortcut);
    s.registeredShortcuts.remove(shortcut);
}

void registerIfNeeded(const Name& name)
{
    const std::optional<Shortcut> shortcut = getShortcut(name);
    if (shortcut && !state().registeredShortcuts.contains(*shortcut))
        registerShortcut(*shortcut);
}

void postChange(const Name& name)
{
    NotificationCenter::defaultCenter().post(shortcutByNameDidChange,
                                             {{QStringLiteral("name"), QVariant::fromValue(name)}});
}

bool isUsedByAnyHandler(const Shortcut& shortcut)
{
    const State& s = state();
    QList<Name> names = s.keyDownHandlers.names() + s.keyUpHandlers.names() +
                        s.streamKeyDownHandlers.names() + s.streamKeyUpHandlers.names();
    return std::any_of(names.cbegin(), names.cend(),
                       [&shortcut](const Name& name) { return getShortcut(name) == shortcut; });
}

} // namespace

Name::Name(QString rawValue, std::optional<Shortcut> defaultShortcut)
    : rawValue(std::move(rawValue))
    , defaultShortcut(std::move(defaultShortcut))
{
    if (this->defaultShortcut && !userDefaultsContains(*this))
        setShortcut(this->defaultShortcut, *this);
}

void setUserDefaults(UserDefaults* userDefaults)
{
    state().userDefaults = userDefaults;
}

void setHotKeyCenter(HotKeyCenter* center)
{
    // The registrations belong to the center that made them.
    State& s = state();
    if (s.hotKeyCenter != center)
        s.registeredShortcuts.clear();
    s.hotKeyCenter = center;
    // The center detaches the announcement from its backend when it goes.
    if (center) {
        center->setReportedTriggerHandler(
            [] { NotificationCenter::defaultCenter().post(reportedTriggerDidChange); });
    }
}

std::optional<Shortcut> getShortcut(const Name& name)
{
    const UserDefaults* defaults = state().userDefaults;
    if (!defaults)
        return std::nullopt;
    const std::optional<QString> json = defaults->stringForKey(keyOf(name));
    if (!json)
        return std::nullopt;
    return Shortcut::fromJson(json->toUtf8());
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name)
{
    State& s = state();
    if (!s.userDefaults)
        return;
    const std::optional<Shortcut> old = getShortcut(name);
    if (shortcut) {
        const QString json = QString::fromUtf8(shortcut->toJson());
        // Unregistered even when another name uses the same shortcut; that name gets its hot key back
        // when it is enabled or given an action.
        if (old)
            unregisterShortcut(*old);
        if (!s.registeredShortcuts.contains(*shortcut))
            registerShortcut(*shortcut);
        s.userDefaults->setString(keyOf(name), json);
    } else {
        if (!old)
            return;
        s.userDefaults->setBool(keyOf(name), false);
        unregisterShortcut(*old);
    }
    postChange(name);
}

QString reportedTrigger(const Name& name)
{
    const HotKeyCenter* center = state().hotKeyCenter;
    const std::optional<Shortcut> shortcut = getShortcut(name);
    return center && shortcut ? center->reportedTrigger(*shortcut) : QString();
}

void reset(const QList<Name>& names)
{
    for (const Name& name : names)
        setShortcut(name.defaultShortcut, name);
}

void onKeyDown(const Name& name, Action action)
{
    state().keyDownHandlers[name].append(std::move(action));
    registerIfNeeded(name);
}

void onKeyUp(const Name& name, Action action)
{
    state().keyUpHandlers[name].append(std::move(action));
    registerIfNeeded(name);
}

void removeAllHandlers()
{
    State& s = state();
    QSet<Shortcut> actionShortcuts;
    for (const Name& name : s.keyDownHandlers.names() + s.keyUpHandlers.names()) {
        if (const auto shortcut = getShortcut(name))
            actionShortcuts.insert(*shortcut);
    }
    for (const Name& name : s.streamKeyDownHandlers.names() + s.streamKeyUpHandlers.names()) {
        if (const auto shortcut = getShortcut(name))
            actionShortcuts.remove(*shortcut);
    }
    for (const Shortcut& shortcut : std::as_const(actionShortcuts))
        unregisterShortcut(shortcut);
    s.keyDownHandlers.clear();
    s.keyUpHandlers.clear();
}

void enable(const Name& name)
{
    registerIfNeeded(name);
}

void disable(const Name& name)
{
    if (const std::optional<Shortcut> shortcut = getShortcut(name))
        unregisterShortcut(*shortcut);
}

bool userDefaultsContains(const Name& name)
{
    const UserDefaults* defaults = state().userDefaults;
    return defaults && defaults->contains(keyOf(name));
}

std::unique_ptr<EventStream> events(const Name& name)
{
    return std::make_unique<EventStream>(name, std::nullopt);
}

std::unique_ptr<EventStream> events(const Name& name, EventType only)
{
    return std::make_unique<EventStream>(name, only);
}

bool isPaused()
{
    return state().isPaused;
}

void setPaused(bool paused)
{
    State& s = state();
    if (s.isPaused == paused)
        return;
    s.isPaused = paused;
    // The registered shortcuts stay registered; only their grabs go while paused and come back after.
    for (const Shortcut& shortcut : std::as_const(s.registeredShortcuts)) {
        if (paused)
            ungrab(shortcut);
        else
            grab(shortcut);
    }
}

QSet<Shortcut> registeredShortcuts()
{
    return state().registeredShortcuts;
}

void resetModuleState()
{
    State& s = state();
    s.registeredShortcuts.clear();
    s.keyDownHandlers.clear();
    s.keyUpHandlers.clear();
    s.streamKeyDownHandlers.clear();
    s.streamKeyUpHandlers.clear();
    s.isPaused = false;
}

namespace detail {

quint64 addStream(const Name& name, StreamAction action)
{
    State& s = state();
    const quint64 id = ++s.lastStreamId;
    s.streamKeyDownHandlers[name].insert(id, [action](EventType) { action(EventType::keyDown); });
    s.streamKeyUpHandlers[name].insert(id, [action](EventType) { action(EventType::keyUp); });
    registerIfNeeded(name);
    return id;
}

void removeStream(const Name& name, quint64 id)
{
    State& s = state();
    for (NameMap<StreamActions>* map : {&s.streamKeyDownHandlers, &s.streamKeyUpHandlers}) {
        if (!map->contains(name))
            continue;
        StreamActions& actions = (*map)[name];
        actions.remove(id);
        if (actions.isEmpty())
            map->remove(name);
    }
    const std::optional<Shortcut> shortcut = getShortcut(name);
    if (shortcut && !isUsedByAnyHandler(*shortcut))
        unregisterShortcut(*shortcut);
}

} // namespace detail

} // namespace GlobalShortcuts
