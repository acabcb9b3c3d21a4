// The presses and releases of one named shortcut, delivered as `event` signals for as long as the
// stream lives. Destroying the stream ends it: its entries leave the module and the hot key is
// unregistered when no other action or stream still uses the shortcut. Main thread only.
#pragma once

#include "globalshortcutsname.h"

#include <QObject>

#include <optional>

namespace GlobalShortcuts {

class EventStream : public QObject {
    Q_OBJECT
public:
    EventStream(const Name& name, std::optional<EventType> only);
    ~EventStream() override;
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    const Name& name() const { return m_name; }

signals:
    void event(GlobalShortcuts::EventType type);

private:
    Name m_name;
    quint64 m_id = 0;
};

} // namespace GlobalShortcuts
