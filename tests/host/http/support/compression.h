// Compressed test data for the decoding tests, fuzzers and benchmarks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nvx::http::testing {

enum class Wrapper { Raw, Zlib, Gzip };

// `piece` repeated `times` times, compressed as one stream with the 32 KB window.
std::string CompressRepeated(std::string_view piece, std::size_t times, Wrapper wrapper,
                             int level = 6);

inline std::string Compress(std::string_view data, Wrapper wrapper, int level = 6)
{
    return CompressRepeated(data, 1, wrapper, level);
}

// Text that compresses like SOAP: repeated markup with varying numbers.
std::string SampleXml(std::size_t size);

}  // namespace nvx::http::testing
