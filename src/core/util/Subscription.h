#pragma once
// Subscriptions that end with their owner: whoever watches something (the bus, a slot)
// keeps the handle that Add gives, and the subscription ends when the handle goes. The
// list is called over a copy, so a callback may add or end subscriptions, its own included;
// one ended meanwhile is not called. A handle may outlive the list it came from.

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> end) : end_(std::move(end)) {}
    ~Subscription() { Reset(); }
    Subscription(Subscription&& other) noexcept : end_(std::exchange(other.end_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            end_ = std::exchange(other.end_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // Ends the subscription now; a handle that holds none does nothing.
    void Reset() {
        if (end_)
            std::exchange(end_, nullptr)();
    }

private:
    std::function<void()> end_;
};

template <typename... Args> class Subscribers {
public:
    using Callback = std::function<void(Args...)>;

    [[nodiscard]] Subscription Add(Callback callback) {
        auto entry = std::make_shared<Entry>(Entry{std::move(callback), true});
        list_->push_back(entry);
        return Subscription(
            [weakList = std::weak_ptr<List>(list_), weakEntry = std::weak_ptr<Entry>(entry)] {
                const auto e = weakEntry.lock();
                if (!e)
                    return;
                e->alive = false;
                if (const auto list = weakList.lock())
                    std::erase(*list, e);
            });
    }

    void Call(Args... args) const {
        if (list_->empty())
            return;
        const List copy = *list_;
        for (const auto& e : copy)
            if (e->alive)
                e->callback(args...);
    }

    std::size_t Count() const { return list_->size(); }

private:
    struct Entry {
        Callback callback;
        bool alive;
    };
    using List = std::vector<std::shared_ptr<Entry>>;
    std::shared_ptr<List> list_ = std::make_shared<List>();
};
