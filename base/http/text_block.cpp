#include "base/http/text_block.h"

#include <cstring>
#include <new>

namespace nvx::http {

void HttpTextBlock::Load(const char* bytes, std::uint32_t length)
{
    if (bytes == nullptr || length == 0) {
        data_.clear();
        return;
    }
    try {
        // Built aside and swapped in, so loading from a range of this very
        // block is safe.
        std::vector<char> copy(bytes, bytes + length);
        data_.swap(copy);
    } catch (const std::bad_alloc&) {
        data_.clear();
    }
}

std::unique_ptr<char[]> HttpTextBlock::Copy() const
{
    if (data_.empty()) {
        return nullptr;
    }
    std::unique_ptr<char[]> copy(new (std::nothrow) char[data_.size()]);
    if (copy) {
        std::memcpy(copy.get(), data_.data(), data_.size());
    }
    return copy;
}

void HttpTextBlock::Clear() noexcept
{
    // Releases the memory, not only the content: a cleared response should
    // not keep a large body alive until the next answer.
    std::vector<char>().swap(data_);
}

std::uint32_t HttpTextBlock::Length() const noexcept { return static_cast<std::uint32_t>(data_.size()); }

std::string_view HttpTextBlock::View() const noexcept { return {data_.data(), data_.size()}; }

void HttpTextBlock::Assign(std::vector<char> bytes) noexcept { data_ = std::move(bytes); }

std::uint32_t CopyOut(const HttpTextBlock& block, std::unique_ptr<char[]>& buffer, std::uint32_t capacity)
{
    const std::uint32_t length = block.Length();
    if (length == 0) {
        return 0;
    }
    if (length > capacity || !buffer) {
        std::unique_ptr<char[]> larger(new (std::nothrow) char[length]);
        if (!larger) {
            return kCopyOutFailed;
        }
        buffer = std::move(larger);
    }
    std::memcpy(buffer.get(), block.View().data(), length);
    return length;
}

}  // namespace nvx::http
