// An owned run of bytes with no terminator: the base of the header block and
// of the response message, and the type of a decoded body.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace nvx::http {

class HttpTextBlock {
public:
    HttpTextBlock() = default;
    HttpTextBlock(const HttpTextBlock&) = delete;
    HttpTextBlock& operator=(const HttpTextBlock&) = delete;
    HttpTextBlock(HttpTextBlock&&) noexcept = default;
    HttpTextBlock& operator=(HttpTextBlock&&) noexcept = default;

    // Replaces the content with a copy of `length` bytes. When memory runs
    // out the block is left empty: nothing here reports errors, an empty
    // block is what the readers of a response understand.
    virtual void Load(const char* bytes, std::uint32_t length);
    virtual ~HttpTextBlock() = default;
    // A copy owned by the caller; null when the block is empty or the copy
    // cannot be allocated.
    virtual std::unique_ptr<char[]> Copy() const;
    virtual void Clear() noexcept;

    std::uint32_t Length() const noexcept;
    std::string_view View() const noexcept;
    // Takes over bytes produced elsewhere (an inflated body) without a copy.
    void Assign(std::vector<char> bytes) noexcept;

protected:
    char* MutableData() noexcept { return data_.data(); }

private:
    std::vector<char> data_;
};

// CopyOut's failure result: all 32 bits set.
inline constexpr std::uint32_t kCopyOutFailed = 0xFFFFFFFFu;

// Copies the block into the caller's buffer, which is replaced by a new array
// of exactly the block's length when `capacity` is smaller. Returns the
// length; an empty block returns 0 and leaves `buffer` as it was, so a null
// buffer stays null. Returns kCopyOutFailed, buffer untouched, when the new
// array cannot be allocated.
std::uint32_t CopyOut(const HttpTextBlock& block, std::unique_ptr<char[]>& buffer, std::uint32_t capacity);

}  // namespace nvx::http
