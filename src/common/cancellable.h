// A token that keeps one subscription alive: the subscription ends when the token is cancelled or
// destroyed. Main thread only, like everything it subscribes to.
#pragma once

#include <functional>
#include <utility>
#include <vector>

class Cancellable {
public:
    Cancellable() = default;
    explicit Cancellable(std::function<void()> cancel)
        : m_cancel(std::move(cancel))
    {}
    Cancellable(Cancellable&& other) noexcept
        : m_cancel(std::exchange(other.m_cancel, {}))
    {}
    Cancellable& operator=(Cancellable&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Cancellable(const Cancellable&) = delete;
    Cancellable& operator=(const Cancellable&) = delete;
    ~Cancellable() { cancel(); }

    void cancel()
    {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }
    bool isActive() const { return static_cast<bool>(m_cancel); }

private:
    std::function<void()> m_cancel;
};

// The tokens an owner keeps for the subscriptions that last as long as it does.
using Cancellables = std::vector<Cancellable>;
