#include "support/compression.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace nvx::http::testing {
namespace {

int WindowBits(Wrapper wrapper)
{
    switch (wrapper) {
    case Wrapper::Raw: return -MAX_WBITS;
    case Wrapper::Zlib: return MAX_WBITS;
    case Wrapper::Gzip: return MAX_WBITS + 16;
    }
    throw std::invalid_argument("unknown wrapper");
}

constexpr std::size_t kOutputStep = 64 * 1024;
constexpr int kMemLevel = 8;

}  // namespace

std::string CompressRepeated(std::string_view piece, std::size_t times, Wrapper wrapper, int level)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, WindowBits(wrapper), kMemLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out;
    // zpipe's loop: feed each piece, drain while deflate fills the output.
    for (std::size_t round = 0; round < std::max<std::size_t>(times, 1); ++round) {
        const int flush = round + 1 >= times ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = times == 0 ? 0 : static_cast<uInt>(piece.size());
        do {
            const std::size_t used = out.size();
            out.resize(used + kOutputStep);
            stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            stream.avail_out = static_cast<uInt>(kOutputStep);
            deflate(&stream, flush);
            out.resize(used + kOutputStep - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

std::string SampleXml(std::size_t size)
{
    std::string text;
    text.reserve(size + 128);
    for (unsigned item = 0; text.size() < size; ++item) {
        text += "<item id=\"" + std::to_string(item) + "\"><price>" +
                std::to_string((item * 7919u) % 100000u) + "</price><name>Article " +
                std::to_string(item * 31u) + "</name></item>\n";
    }
    text.resize(size);
    return text;
}

}  // namespace nvx::http::testing
