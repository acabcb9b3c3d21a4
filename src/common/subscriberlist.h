// The list of subscribers behind a Subject or a Published property. A subscriber is held either by a
// token (Cancellable) or by an owner object; it is dropped when the token goes or the owner is destroyed.
// Delivery works on a snapshot, so a handler may subscribe or cancel (itself or others) while it runs.
// Main thread only.
#pragma once

#include "cancellable.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace detail {

template <typename T> class SubscriberList : public std::enable_shared_from_this<SubscriberList<T>> {
public:
    using Handler = std::function<void(const T&)>;

    quint64 add(QObject* owner, Handler handler)
    {
        const quint64 id = m_nextId++;
        m_entries.push_back({id, owner != nullptr, owner, std::make_shared<Handler>(std::move(handler))});
        if (owner) {
            std::weak_ptr<SubscriberList> weak = this->shared_from_this();
            QObject::connect(owner, &QObject::destroyed, owner, [weak, id] {
                if (auto list = weak.lock())
                    list->remove(id);
            });
        }
        return id;
    }

    Cancellable token(quint64 id)
    {
        std::weak_ptr<SubscriberList> weak = this->shared_from_this();
        return Cancellable([weak, id] {
            if (auto list = weak.lock())
                list->remove(id);
        });
    }

    void remove(quint64 id)
    {
        std::erase_if(m_entries, [id](const Entry& entry) { return entry.id == id; });
    }

    void deliver(const T& value)
    {
        // Keep the list alive even if a handler destroys the object that holds it.
        auto self = this->shared_from_this();
        const std::vector<Entry> snapshot = m_entries;
        for (const Entry& entry : snapshot) {
            if (!contains(entry.id))
                continue;
            if (entry.owned && !entry.owner) {
                remove(entry.id);
                continue;
            }
            (*entry.handler)(value);
        }
    }

    std::size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        quint64 id;
        bool owned;
        QPointer<QObject> owner;
        std::shared_ptr<Handler> handler;
    };

    bool contains(quint64 id) const
    {
        return std::any_of(m_entries.begin(), m_entries.end(),
                           [id](const Entry& entry) { return entry.id == id; });
    }

    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};

} // namespace detail
