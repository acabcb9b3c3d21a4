#include "shortcuteventstream.h"

#include "globalshortcuts.h"

namespace GlobalShortcuts {

EventStream::EventStream(const Name& name, std::optional<EventType> only)
    : m_name(name)
{
    m_id = detail::addStream(m_name, [this, only](EventType type) {
        if (!only || *only == type)
            emit event(type);
    });
}

EventStream::~EventStream()
{
    detail::removeStream(m_name, m_id);
}

} // namespace GlobalShortcuts
