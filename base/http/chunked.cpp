#include "base/http/chunked.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace nvx::http {
namespace {

constexpr std::size_t kMaxSizeCharacters = 9;
constexpr std::string_view kLineEnd = "\r\n";

bool IsLeadingSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f'; }

// Reads the number the way a "%x" scan does for the text servers send:
// white space first, then hexadecimal digits up to the first other byte.
std::uint32_t ParseChunkSize(std::string_view text) noexcept
{
    while (!text.empty() && IsLeadingSpace(text.front())) {
        text.remove_prefix(1);
    }
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

const char* ReadChunkSize(const char* position, const char* end, std::uint32_t& size)
{
    const std::string_view rest(position, static_cast<std::size_t>(end - position));
    const std::size_t sizeLength = rest.substr(0, kMaxSizeCharacters).find('\r');
    const std::string_view sizeText = rest.substr(0, sizeLength);
    if (sizeText.empty()) {
        size = 0;
        return position;
    }
    size = ParseChunkSize(sizeText);
    const std::size_t lineEnd = rest.find(kLineEnd);
    return lineEnd == std::string_view::npos ? end : position + lineEnd + kLineEnd.size();
}

std::uint32_t DechunkInPlace(char* start, std::uint32_t length)
{
    if (start == nullptr) {
        return 0;
    }
    const char* const end = start + length;
    const char* read = start;
    char* write = start;
    // Every pass moves `read` forward by at least the size line it consumed.
    while (read < end) {
        std::uint32_t size = 0;
        const char* data = ReadChunkSize(read, end, size);
        if (size == 0) {
            break;
        }
        const std::size_t available = static_cast<std::size_t>(end - data);
        const std::size_t taken = std::min<std::size_t>(size, available);
        std::memmove(write, data, taken);
        write += taken;
        if (taken < size) {
            break;
        }
        const char* chunkEnd = data + size;
        read = chunkEnd + std::min<std::size_t>(kLineEnd.size(), static_cast<std::size_t>(end - chunkEnd));
    }
    return static_cast<std::uint32_t>(write - start);
}

}  // namespace nvx::http
