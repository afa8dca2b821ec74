// An answer as it goes back to the client: the frame header, the serialized
// buffer's prefix and one piece holding the whole response. The head is kept
// apart from the response so both leave in one gathered write without a copy.
#pragma once

#include <nxcomm/frame.h>

#include <array>
#include <cstdint>
#include <string>

namespace nxcommd {

struct AnswerFrame {
    static constexpr std::size_t kHeadSize = nxcomm::kSinglePieceOverhead;

    std::array<std::uint8_t, kHeadSize> head{};
    std::string response;
};

// Answers `request` (same id, same service) with `response`, which must fit
// a 32-bit length together with the head.
AnswerFrame make_answer(const nxcomm::FrameHeader& request, std::string response,
                        std::uint16_t mode = nxcomm::kAnswerMode);

}  // namespace nxcommd
