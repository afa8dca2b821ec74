#include "base/http/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace nvx::http {
namespace {

// Raw deflate with the full 32 KB window: servers that send "deflate"
// without the zlib wrapper may refer back that far.
constexpr int kRawWindowBits = -MAX_WBITS;
// zlib reads the wrapper itself and accepts a zlib or a gzip header.
constexpr int kWrappedWindowBits = MAX_WBITS + 32;

constexpr unsigned char kGzipMagic0 = 0x1f;
constexpr unsigned char kGzipMagic1 = 0x8b;
constexpr unsigned kZlibHeaderCheck = 31;
constexpr unsigned kZlibMaxWindowCode = 7;

constexpr std::size_t kMinOutputArea = 32u * 1024u;
constexpr std::size_t kExpectedRatio = 4;
// One byte more than allowed, so that a stream producing exactly the limit
// is told apart from one that goes on.
constexpr std::size_t kOutputLimit = kMaxInflatedBodySize + 1;

enum class Outcome { Complete, Invalid, TooLarge };

// RFC 1950 header: deflate method, a window of at most 32 KB and the check
// bits. Like curl, anything else is taken for raw deflate.
bool HasZlibHeader(const unsigned char* in, std::size_t length) noexcept
{
    return length >= 2 && (in[0] & 0x0f) == Z_DEFLATED && (in[0] >> 4) <= kZlibMaxWindowCode &&
           ((static_cast<unsigned>(in[0]) << 8) | in[1]) % kZlibHeaderCheck == 0;
}

bool HasGzipHeader(const unsigned char* in, std::size_t length) noexcept
{
    return length >= 2 && in[0] == kGzipMagic0 && in[1] == kGzipMagic1;
}

// Owns one zlib stream so that inflateEnd runs exactly once on every path.
class Inflater {
public:
    explicit Inflater(int windowBits) : status_(inflateInit2(&stream_, windowBits))
    {
        if (status_ == Z_MEM_ERROR) {
            throw std::bad_alloc();
        }
    }
    ~Inflater()
    {
        if (status_ == Z_OK) {
            inflateEnd(&stream_);
        }
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    Outcome Run(const unsigned char* in, std::uint32_t length, std::vector<char>& out);

private:
    z_stream stream_{};
    int status_;
};

std::size_t NextOutputSize(std::size_t current) noexcept { return std::min(current * 2, kOutputLimit); }

Outcome Inflater::Run(const unsigned char* in, std::uint32_t length, std::vector<char>& out)
{
    if (status_ != Z_OK) {
        return Outcome::Invalid;
    }
    stream_.next_in = const_cast<unsigned char*>(in);  // zlib never writes its input
    stream_.avail_in = length;
    out.resize(std::clamp(std::size_t{length} * kExpectedRatio, kMinOutputArea, kOutputLimit));
    std::size_t produced = 0;
    int result = Z_OK;
    // Each call either makes progress or fails (Z_BUF_ERROR when the input
    // is used up), and the output is capped, so the loop ends.
    while (result == Z_OK) {
        if (produced == out.size()) {
            if (out.size() == kOutputLimit) {
                return Outcome::TooLarge;
            }
            out.resize(NextOutputSize(out.size()));
        }
        stream_.next_out = reinterpret_cast<unsigned char*>(out.data() + produced);
        stream_.avail_out = static_cast<uInt>(out.size() - produced);
        result = inflate(&stream_, Z_NO_FLUSH);
        produced = out.size() - stream_.avail_out;
    }
    if (result == Z_MEM_ERROR) {
        throw std::bad_alloc();
    }
    if (result != Z_STREAM_END) {
        return Outcome::Invalid;
    }
    if (produced > kMaxInflatedBodySize) {
        return Outcome::TooLarge;
    }
    out.resize(produced);
    return Outcome::Complete;
}

Outcome Inflate(const unsigned char* in, std::uint32_t length, int windowBits, std::vector<char>& out)
{
    Inflater inflater(windowBits);
    return inflater.Run(in, length, out);
}

}  // namespace

std::optional<std::vector<char>> InflateBody(const char* bytes, std::uint32_t length)
{
    if (bytes == nullptr) {
        length = 0;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    try {
        std::vector<char> out;
        Outcome outcome = Outcome::Invalid;
        if (HasZlibHeader(in, length) || HasGzipHeader(in, length)) {
            outcome = Inflate(in, length, kWrappedWindowBits, out);
        }
        // A raw stream may begin with two bytes that pass for a zlib header.
        if (outcome == Outcome::Invalid) {
            outcome = Inflate(in, length, kRawWindowBits, out);
        }
        switch (outcome) {
        case Outcome::Complete: return out;
        case Outcome::TooLarge: return std::nullopt;
        case Outcome::Invalid: break;
        }
        return std::vector<char>(bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace nvx::http
