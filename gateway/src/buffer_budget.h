// The process-wide bound on the bytes the gateway holds for its clients:
// requests being relayed, responses being received and answers not yet
// written. Each client connection has an account. While the total is over
// the limit, an account holding at least an equal share of it is asked to
// wait: its connection takes no new frames and its relays stop reading from
// their upstreams until bytes are released. One relay of a waiting account
// may still finish its response when the account has no answer waiting to
// be written, so that a client whose bytes are all half-received responses
// is not stalled for ever.
#pragma once

#include <boost/asio/any_io_executor.hpp>

#include <cstddef>
#include <functional>
#include <list>
#include <memory>

namespace nxcommd {

class BudgetAccount;

class BufferBudget {
public:
    BufferBudget(boost::asio::any_io_executor executor, std::size_t limit);

    std::size_t held() const { return held_; }
    std::size_t limit() const { return limit_; }

private:
    friend class BudgetAccount;

    struct Waiter {
        std::weak_ptr<void> owner;  // the waiter is forgotten once its owner is gone
        std::function<bool()> ready;
        std::function<void()> resume;
    };

    void wake_ready();

    boost::asio::any_io_executor executor_;
    std::size_t limit_;
    std::size_t held_ = 0;
    std::size_t holders_ = 0;  // accounts holding anything
    std::list<Waiter> waiters_;
};

class BudgetAccount {
public:
    explicit BudgetAccount(std::shared_ptr<BufferBudget> budget);
    ~BudgetAccount();
    BudgetAccount(const BudgetAccount&) = delete;
    BudgetAccount& operator=(const BudgetAccount&) = delete;

    void charge(std::size_t bytes);
    void release(std::size_t bytes);
    std::size_t held() const { return held_; }

    // The budget is spent and this account holds at least an equal share of it.
    bool over_share() const;
    // Whether `relay` may receive more: not over share, or it is the one relay
    // let through while no answer of this account waits to be written.
    bool may_receive(const void* relay);
    void relay_finished(const void* relay);
    void set_answers_waiting(bool waiting);

    // Runs `resume` (posted, once) when `ready` turns true after a release,
    // unless `owner` has gone by then.
    void wait(std::weak_ptr<void> owner, std::function<bool()> ready, std::function<void()> resume);

private:
    std::shared_ptr<BufferBudget> budget_;
    std::size_t held_ = 0;
    bool answers_waiting_ = false;
    const void* let_through_ = nullptr;
};

}  // namespace nxcommd
