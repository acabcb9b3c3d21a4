// Named global shortcuts: the shortcut picked for each name is kept in the user defaults under
// "GlobalShortcuts_" + name (its JSON text, or false once the user removed it), actions run on the
// press and the release of a name's shortcut, and the system-wide hot keys follow what is stored. A
// shortcut is registered once however many names use it; a press re-reads the stored shortcuts, so a
// shortcut moved to another name needs no re-registration. Main thread only; nothing here reports an
// error: an unreadable stored value is no shortcut, a refused hot key is the hot-key center's matter.
#pragma once

#include "globalshortcutsname.h"
#include "shortcut.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class HotKeyCenter;
class UserDefaults;

namespace GlobalShortcuts {

class EventStream;
using Action = std::function<void()>;

// Posted after every write through setShortcut, with the Name under "name" in the user info.
inline const QString shortcutByNameDidChange = QStringLiteral("GlobalShortcuts_shortcutByNameDidChange");
inline const QString keyPrefix = QStringLiteral("GlobalShortcuts_");
// Posted after the desktop reported other keys for a shortcut (see reportedTrigger), without user info.
inline const QString reportedTriggerDidChange = QStringLiteral("GlobalShortcuts_reportedTriggerDidChange");

// The store and the hot keys the module works with; set by the application before the first name is
// declared. Without a store nothing is stored or read; without a center nothing is grabbed.
void setUserDefaults(UserDefaults* userDefaults);
void setHotKeyCenter(HotKeyCenter* center);

std::optional<Shortcut> getShortcut(const Name& name);
// Stores, registers and announces a shortcut; none removes the stored one (false is written).
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
// The keys the desktop reports for the name's shortcut, in its own words, where the desktop binds the
// shortcuts itself (through its portal, letting the user pick other keys); empty where it reports none,
// and without a hot-key center.
QString reportedTrigger(const Name& name);
void reset(const QList<Name>& names);

void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
// Drops every action and the hot keys only actions used; open event streams keep working.
void removeAllHandlers();

void enable(const Name& name);
// Unregisters the name's hot key; what is stored stays.
void disable(const Name& name);

bool userDefaultsContains(const Name& name);

// The name's presses and releases for as long as the returned stream lives.
std::unique_ptr<EventStream> events(const Name& name);
std::unique_ptr<EventStream> events(const Name& name, EventType only);

// True while a recorder records; no action runs then, and the keys are not grabbed, so that the
// recorder sees every combination, the registered ones included.
bool isPaused();
void setPaused(bool paused);

// The shortcuts registered as hot keys now.
QSet<Shortcut> registeredShortcuts();
// Forgets every action, stream entry and registration without touching the hot keys (tests start
// from a clean module with it).
void resetModuleState();

namespace detail {
using StreamAction = std::function<void(EventType)>;
quint64 addStream(const Name& name, StreamAction action);
void removeStream(const Name& name, quint64 id);
} // namespace detail

} // namespace GlobalShortcuts
