#include "gateway_harness.h"

#include <gtest/gtest.h>

#include <boost/asio/post.hpp>

#include <vector>

namespace gwtest {

nxcommd::GatewayConfig test_config()
{
    nxcommd::GatewayConfig config{nxcommd::HostPort{"127.0.0.1", 0}, {}, {}, {}, std::nullopt};
    config.allow.add("127.0.0.1");
    config.limits.idle_timeout = 3000ms;
    config.limits.default_timeout = 3000ms;
    config.limits.max_timeout = 10000ms;
    return config;
}

GatewayRunner::GatewayRunner(nxcommd::GatewayConfig config)
    : server_(std::make_unique<nxcommd::Server>(io_, std::move(config))),
      port_(server_->local_endpoint().port())
{
    server_->start();
    thread_ = std::thread([this] { io_.run(); });
}

GatewayRunner::~GatewayRunner()
{
    boost::asio::post(io_, [this] { server_->stop(); });
    thread_.join();
}

int Answer::status() const
{
    return response.size() >= 12 ? std::stoi(response.substr(9, 3)) : 0;
}

std::string Answer::heading() const
{
    const auto open = response.find("<h1>");
    const auto close = response.find("</h1>");
    if (open == std::string::npos || close == std::string::npos || close < open)
        return {};
    return response.substr(open + 4, close - open - 4);
}

FrameClient::FrameClient(std::uint16_t gateway_port) : fd_(connect_loopback(gateway_port)) {}

std::string FrameClient::frame(std::uint32_t id, const std::string& http, std::uint32_t timeout_ms,
                               std::uint16_t service, std::uint16_t mode)
{
    const auto as_bytes = [](std::string_view text) {
        return nxcomm::Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    std::vector<nxcomm::Bytes> pieces;
    const auto head_end = http.find("\r\n\r\n");
    if (head_end == std::string::npos) {
        pieces.push_back(as_bytes(http));
    } else {
        const std::string_view text(http);
        pieces = {as_bytes(text.substr(0, head_end + 2)), as_bytes(text.substr(head_end + 2, 2)),
                  as_bytes(text.substr(head_end + 4))};
    }
    const auto bytes =
        nxcomm::encode_frame(nxcomm::FrameHeader{id, service, mode, timeout_ms, 0}, pieces);
    return std::string(bytes.begin(), bytes.end());
}

Answer FrameClient::receive(Millis limit)
{
    Answer answer;
    const auto head = receive_exact(fd_.get(), nxcomm::kHeaderSize, limit);
    if (!head) {
        ADD_FAILURE() << "no answer frame within " << limit.count() << " ms";
        return answer;
    }
    answer.header = nxcomm::decode_header(std::span<const std::uint8_t, nxcomm::kHeaderSize>(
        reinterpret_cast<const std::uint8_t*>(head->data()), nxcomm::kHeaderSize));
    const auto payload = receive_exact(fd_.get(), answer.header.payload_length, limit);
    if (!payload) {
        ADD_FAILURE() << "answer frame cut short";
        return answer;
    }
    const auto parsed = nxcomm::parse_serialized(
        nxcomm::Bytes(reinterpret_cast<const std::uint8_t*>(payload->data()), payload->size()));
    EXPECT_EQ(parsed.error, nxcomm::BufferError::none);
    for (nxcomm::Bytes piece : parsed.pieces)
        answer.response.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    return answer;
}

Answer FrameClient::exchange(const std::string& http, std::uint32_t timeout_ms)
{
    const std::uint32_t id = next_id_++;
    EXPECT_TRUE(send_request(id, http, timeout_ms));
    Answer answer = receive();
    EXPECT_EQ(answer.header.request_id, id);
    return answer;
}

std::string post(std::uint16_t port, const std::string& path, const std::string& body)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

std::string get(std::uint16_t port, const std::string& path)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
}

}  // namespace gwtest
