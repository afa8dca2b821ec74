#include "gateway/src/upstream_pool.h"

#include <sys/socket.h>

#include <cerrno>

namespace nxcommd {
namespace {

// An idle HTTP connection has nothing to read: readable means the server
// closed it (or sent something unasked), either way it cannot be reused.
bool still_open(UpstreamConnection& connection)
{
    char byte = 0;
    const auto got = ::recv(connection.socket().native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace

UpstreamPool::UpstreamPool(const boost::asio::any_io_executor& executor, std::size_t max_idle,
                           Clock::duration max_age, const std::string& ca_file)
    : executor_(executor), tls_(make_tls_client_context(ca_file)), max_idle_(max_idle),
      max_age_(max_age), expiry_(executor)
{
}

UpstreamPool::Connection UpstreamPool::make(bool tls)
{
    return std::make_unique<UpstreamConnection>(executor_, tls ? &tls_ : nullptr);
}

UpstreamPool::Connection UpstreamPool::take(const std::string& key)
{
    drop_expired(Clock::now());
    for (auto it = idle_.end(); it != idle_.begin();) {
        --it;
        if (it->key != key)
            continue;
        Connection connection = std::move(it->connection);
        it = idle_.erase(it);
        if (still_open(*connection))
            return connection;
    }
    return nullptr;
}

void UpstreamPool::give_back(std::string key, Connection connection)
{
    const auto now = Clock::now();
    drop_expired(now);
    if (max_idle_ == 0)
        return;
    if (idle_.size() >= max_idle_)
        idle_.pop_front();
    idle_.push_back(Idle{std::move(key), std::move(connection), now});
    arm_expiry();
}

void UpstreamPool::close_all()
{
    idle_.clear();
    expiry_.cancel();
}

// One timer for the oldest connection; as the list is in age order, the
// next one is looked at when it fires.
void UpstreamPool::arm_expiry()
{
    if (expiry_armed_ || idle_.empty())
        return;
    expiry_armed_ = true;
    expiry_.expires_at(idle_.front().since + max_age_);
    expiry_.async_wait([this](const boost::system::error_code& ec) {
        expiry_armed_ = false;
        if (ec)
            return;
        drop_expired(Clock::now());
        arm_expiry();
    });
}

void UpstreamPool::drop_expired(Clock::time_point now)
{
    while (!idle_.empty() && now - idle_.front().since >= max_age_)
        idle_.pop_front();
}

}  // namespace nxcommd
