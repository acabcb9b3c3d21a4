// A one-off event channel: it keeps no current value, so subscribers see only what is sent after they
// subscribed. Main thread only.
#pragma once

#include "subscriberlist.h"

template <typename T> class Subject {
public:
    using Handler = typename detail::SubscriberList<T>::Handler;

    Subject() = default;
    Subject(const Subject&) = delete;
    Subject& operator=(const Subject&) = delete;

    void send(const T& value) { m_subscribers->deliver(value); }

    // The subscription lasts as long as the owner (and this subject).
    void subscribe(QObject* owner, Handler handler) const { m_subscribers->add(owner, std::move(handler)); }

    // The subscription lasts as long as the returned token.
    [[nodiscard]] Cancellable subscribe(Handler handler) const
    {
        return m_subscribers->token(m_subscribers->add(nullptr, std::move(handler)));
    }

    std::size_t subscriberCount() const { return m_subscribers->size(); }

private:
    std::shared_ptr<detail::SubscriberList<T>> m_subscribers = std::make_shared<detail::SubscriberList<T>>();
};
