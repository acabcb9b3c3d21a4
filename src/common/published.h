// A published property: every assignment is announced to the subscribers with the new value before it
// is stored, so a subscriber that reads the property itself still sees the old value. Subscribing
// delivers the current value at once, then every later assignment (equal values included). Main thread
// only.
#pragma once

#include "subscriberlist.h"

template <typename T> class Published {
public:
    using Handler = typename detail::SubscriberList<T>::Handler;

    explicit Published(T initial = T())
        : m_value(std::move(initial))
    {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& value() const { return m_value; }

    void set(T newValue)
    {
        m_subscribers->deliver(newValue);
        m_value = std::move(newValue);
    }

    // The subscription lasts as long as the owner (and this property).
    void subscribe(QObject* owner, Handler handler) const
    {
        const T current = m_value;
        auto shared = std::make_shared<Handler>(std::move(handler));
        m_subscribers->add(owner, [shared](const T& value) { (*shared)(value); });
        (*shared)(current);
    }

    // The subscription lasts as long as the returned token.
    [[nodiscard]] Cancellable subscribe(Handler handler) const
    {
        const T current = m_value;
        auto shared = std::make_shared<Handler>(std::move(handler));
        Cancellable token =
            m_subscribers->token(m_subscribers->add(nullptr, [shared](const T& value) { (*shared)(value); }));
        (*shared)(current);
        return token;
    }

    std::size_t subscriberCount() const { return m_subscribers->size(); }

private:
    T m_value;
    std::shared_ptr<detail::SubscriberList<T>> m_subscribers = std::make_shared<detail::SubscriberList<T>>();
};
