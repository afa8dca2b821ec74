#include "gateway/src/answer_frame.h"

namespace nxcommd {

AnswerFrame make_answer(const nxcomm::FrameHeader& request, std::string response,
                        std::uint16_t mode)
{
    AnswerFrame answer;
    const auto length = static_cast<std::uint32_t>(response.size());
    const nxcomm::FrameHeader header{
        request.request_id, request.service, mode, 0,
        static_cast<std::uint32_t>(nxcomm::kSerializedPrefixSize + nxcomm::kPieceLengthSize) +
            length};
    const nxcomm::MutableBytes head(answer.head);
    nxcomm::encode_header(header, head.first<nxcomm::kHeaderSize>());
    nxcomm::encode_serialized_prefix(
        length, 1, head.subspan(nxcomm::kHeaderSize).first<nxcomm::kSerializedPrefixSize>());
    nxcomm::put_u32(head, nxcomm::kHeaderSize + nxcomm::kSerializedPrefixSize, length);
    answer.response = std::move(response);
    return answer;
}

}  // namespace nxcommd
