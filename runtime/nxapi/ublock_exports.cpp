// The UBlock* entry points: argument checks around UBlock.
#include "nxapi.h"
#include "runtime/nxapi/guarded_call.h"
#include "runtime/nxapi/ublock.h"

using nxapi::GuardedCall;
using nxapi::UBlock;

namespace {

// Non-zero results of the buffer functions.
constexpr int kFailed = 1;

}  // namespace

extern "C" NXUBLOCK WINAPI UBlockCreate(void)
{
    return GuardedCall<NXUBLOCK>(nullptr, [] { return (new UBlock)->Handle(); });
}

extern "C" int WINAPI UBlockAppend(NXUBLOCK buffer, int length, const void* bytes)
{
    UBlock* block = UBlock::FromHandle(buffer);
    if (!block || length < 0 || (length > 0 && !bytes)) return kFailed;
    return GuardedCall(kFailed, [&] {
        const nxcomm::Bytes view(static_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(length));
        return block->Append(view) ? 0 : kFailed;
    });
}

extern "C" int WINAPI UBlockTotalSize(NXUBLOCK buffer)
{
    const UBlock* block = UBlock::FromHandle(buffer);
    return block ? static_cast<int>(block->DataLength()) : 0;
}

extern "C" int WINAPI UBlockRewind(NXUBLOCK buffer)
{
    UBlock* block = UBlock::FromHandle(buffer);
    if (!block) return kFailed;
    block->Content().Rewind();
    return 0;
}

extern "C" int WINAPI UBlockNextSize(NXUBLOCK buffer)
{
    UBlock* block = UBlock::FromHandle(buffer);
    return block ? static_cast<int>(block->Content().NextSize()) : -1;
}

extern "C" int WINAPI UBlockRead(NXUBLOCK buffer, int* length, void* destination)
{
    if (!length) return kFailed;
    const int room = *length;
    *length = 0;
    UBlock* block = UBlock::FromHandle(buffer);
    if (!block || room < 0 || !destination) return kFailed;
    const std::uint32_t count =
        block->Content().Read(static_cast<std::uint8_t*>(destination), static_cast<std::uint32_t>(room));
    *length = static_cast<int>(count);
    return count > 0 ? 0 : kFailed;
}

extern "C" void WINAPI UBlockLoad(NXUBLOCK buffer, const void* serialized)
{
    UBlock* block = UBlock::FromHandle(buffer);
    if (!block) return;
    GuardedCall(false, [&] {
        block->Load(static_cast<const std::uint8_t*>(serialized));
        return true;
    });
}

extern "C" void WINAPI UBlockRelease(NXUBLOCK buffer) { delete UBlock::FromHandle(buffer); }
