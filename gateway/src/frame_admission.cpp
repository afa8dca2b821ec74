#include "gateway/src/frame_admission.h"

#include <algorithm>

namespace nxcommd {
namespace {

std::variant<std::string, Failure> join_pieces(const ReceivedFrame& frame,
                                               const GatewayLimits& limits)
{
    const nxcomm::ParsedBuffer parsed = nxcomm::parse_serialized(frame.payload);
    if (parsed.error != nxcomm::BufferError::none)
        return Failure{status::bad_request, std::string("malformed serialized buffer: ") +
                                                nxcomm::describe(parsed.error)};
    if (parsed.data_length > limits.max_request_bytes)
        return Failure{status::payload_too_large,
                       "request exceeds " + std::to_string(limits.max_request_bytes) + " bytes"};
    std::string raw;
    raw.reserve(parsed.data_length);
    for (nxcomm::Bytes piece : parsed.pieces)
        raw.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    return raw;
}

Millis request_timeout(const nxcomm::FrameHeader& header, const GatewayLimits& limits)
{
    if (header.timeout_ms == 0)
        return limits.default_timeout;
    return std::min(Millis(header.timeout_ms), limits.max_timeout);
}

}  // namespace

std::size_t max_frame_payload(const GatewayLimits& limits)
{
    return limits.max_request_bytes + nxcomm::kSerializedPrefixSize +
           nxcomm::kPieceLengthSize * std::size_t{nxcomm::kMaxPieceCount};
}

std::variant<Admitted, Failure> admit_frame(const ReceivedFrame& frame, const GatewayConfig& config)
{
    const nxcomm::FrameHeader& header = frame.header;
    if (frame.oversized)
        return Failure{status::payload_too_large,
                       "request frame of " + std::to_string(header.payload_length) +
                           " bytes exceeds the limit of " +
                           std::to_string(max_frame_payload(config.limits)) + " bytes"};
    if (header.service != nxcomm::kHttpRelayService)
        return Failure{status::bad_request, "unknown service " + std::to_string(header.service)};
    if (header.mode != nxcomm::kRequestAnswerMode)
        return Failure{status::bad_request, "unsupported mode " + std::to_string(header.mode)};
    auto raw = join_pieces(frame, config.limits);
    if (auto* failure = std::get_if<Failure>(&raw))
        return std::move(*failure);
    auto request =
        read_relay_request(std::move(std::get<std::string>(raw)), config.limits.max_header_bytes);
    if (auto* failure = std::get_if<Failure>(&request))
        return std::move(*failure);
    auto& relay = std::get<RelayRequest>(request);
    if (!config.allow.allows(relay.target))
        return Failure{status::forbidden,
                       "target " + relay.target.text() + " is not on the allow-list"};
    return Admitted{std::move(relay), request_timeout(header, config.limits)};
}

}  // namespace nxcommd
