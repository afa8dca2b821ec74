#include "runtime/nxapi/ublock.h"

namespace nxapi {

namespace {

constexpr std::uint32_t kLiveSignature = 0x4b4c4255;  // "UBLK"

}  // namespace

UBlock::UBlock() : record_{{kLiveSignature, 0}, 0} {}

UBlock::~UBlock()
{
    // A handle used after release then fails the signature check instead of
    // passing for a buffer (as far as the freed memory still reads so).
    record_.reserved[0] = 0;
}

UBlock* UBlock::FromHandle(NXUBLOCK handle)
{
    if (!handle || handle->reserved[0] != kLiveSignature) return nullptr;
    return reinterpret_cast<UBlock*>(handle);
}

void UBlock::Recount()
{
    record_.data_length = pieces_.DataLength();
    record_.reserved[1] = pieces_.Count();
}

bool UBlock::Append(nxcomm::Bytes bytes)
{
    const bool appended = pieces_.Append(bytes);
    Recount();
    return appended;
}

void UBlock::Load(const std::uint8_t* serialized)
{
    try {
        pieces_.Load(serialized);
    } catch (...) {
        Recount();
        throw;
    }
    Recount();
}

}  // namespace nxapi
