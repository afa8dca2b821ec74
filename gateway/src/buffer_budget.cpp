#include "gateway/src/buffer_budget.h"

#include <boost/asio/post.hpp>

#include <algorithm>

namespace nxcommd {

BufferBudget::BufferBudget(boost::asio::any_io_executor executor, std::size_t limit)
    : executor_(std::move(executor)), limit_(limit)
{
}

// Resumes are posted, never run here: a release happens in the middle of
// other work (an answer written, a relay finishing).
void BufferBudget::wake_ready()
{
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        if (it->owner.expired()) {
            it = waiters_.erase(it);
        } else if (it->ready()) {
            boost::asio::post(executor_, std::move(it->resume));
            it = waiters_.erase(it);
        } else {
            ++it;
        }
    }
}

BudgetAccount::BudgetAccount(std::shared_ptr<BufferBudget> budget) : budget_(std::move(budget)) {}

BudgetAccount::~BudgetAccount()
{
    release(held_);
}

void BudgetAccount::charge(std::size_t bytes)
{
    if (bytes == 0)
        return;
    if (held_ == 0)
        ++budget_->holders_;
    held_ += bytes;
    budget_->held_ += bytes;
}

void BudgetAccount::release(std::size_t bytes)
{
    bytes = std::min(bytes, held_);
    if (bytes == 0)
        return;
    held_ -= bytes;
    budget_->held_ -= bytes;
    if (held_ == 0)
        --budget_->holders_;
    budget_->wake_ready();
}

bool BudgetAccount::over_share() const
{
    // held / holders is the equal share; multiplied out to stay exact.
    return budget_->held_ > budget_->limit_ && held_ * budget_->holders_ >= budget_->limit_;
}

bool BudgetAccount::may_receive(const void* relay)
{
    if (!over_share() || let_through_ == relay)
        return true;
    if (answers_waiting_ || let_through_ != nullptr)
        return false;
    let_through_ = relay;
    return true;
}

void BudgetAccount::relay_finished(const void* relay)
{
    if (let_through_ != relay)
        return;
    let_through_ = nullptr;
    budget_->wake_ready();
}

void BudgetAccount::set_answers_waiting(bool waiting)
{
    const bool drained = answers_waiting_ && !waiting;
    answers_waiting_ = waiting;
    if (drained)
        budget_->wake_ready();
}

void BudgetAccount::wait(std::weak_ptr<void> owner, std::function<bool()> ready,
                         std::function<void()> resume)
{
    budget_->waiters_.push_back({std::move(owner), std::move(ready), std::move(resume)});
}

}  // namespace nxcommd
