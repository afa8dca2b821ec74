// Throughput of the body decoders against their baselines, in the same run:
// InflateBody against zlib's own inflate loop (as in zpipe.c, appending each
// 32 KB of output to a growing buffer), and DechunkInPlace against a plain
// memcpy of the same number of bytes.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/http/chunked.h"
#include "base/http/inflate.h"
#include "support/compression.h"

namespace {

using Clock = std::chrono::steady_clock;
using nvx::http::InflateBody;
using nvx::http::testing::Compress;
using nvx::http::testing::SampleXml;
using nvx::http::testing::Wrapper;

constexpr std::size_t kBodySize = 16u * 1024u * 1024u;
constexpr std::size_t kChunkSize = 8192;
constexpr int kRounds = 15;
constexpr std::size_t kZpipeChunk = 32768;

struct Throughput {
    double measured;
    double baseline;
};

double Seconds(const std::function<void()>& prepare, const std::function<void()>& work)
{
    prepare();
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of kRounds for each, in MB/s of `bytes`, the two taking turns so that
// a busy moment of the machine does not favour one of them. `prepare` runs
// untimed before each timed call.
Throughput Compare(std::size_t bytes, const std::function<void()>& prepare,
                   const std::function<void()>& measured, const std::function<void()>& baseline)
{
    double bestMeasured = 1e30;
    double bestBaseline = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        bestMeasured = std::min(bestMeasured, Seconds(prepare, measured));
        bestBaseline = std::min(bestBaseline, Seconds(prepare, baseline));
    }
    const auto megabytes = static_cast<double>(bytes) / 1e6;
    return {megabytes / bestMeasured, megabytes / bestBaseline};
}

std::vector<char> ZpipeInflate(const std::string& compressed)
{
    z_stream stream{};
    inflateInit2(&stream, -MAX_WBITS);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<char> output;
    unsigned char area[kZpipeChunk];
    int result = Z_OK;
    do {
        stream.next_out = area;
        stream.avail_out = kZpipeChunk;
        result = inflate(&stream, Z_NO_FLUSH);
        output.insert(output.end(), area, area + (kZpipeChunk - stream.avail_out));
    } while (result == Z_OK);
    inflateEnd(&stream);
    return output;
}

std::string Chunked(const std::string& data)
{
    std::string body;
    char sizeLine[16];
    for (std::size_t at = 0; at < data.size(); at += kChunkSize) {
        const std::size_t size = std::min(kChunkSize, data.size() - at);
        std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", size);
        body.append(sizeLine).append(data, at, size).append("\r\n");
    }
    return body.append("0\r\n\r\n");
}

void Report(const char* what, const char* baselineName, Throughput throughput)
{
    std::printf("%-14s %9.1f MB/s   %-20s %9.1f MB/s   ratio %.2f\n", what, throughput.measured,
                baselineName, throughput.baseline, throughput.measured / throughput.baseline);
}

void BenchInflate(const std::string& plain)
{
    const std::string compressed = Compress(plain, Wrapper::Raw);
    std::size_t sink = 0;
    const Throughput throughput = Compare(
        plain.size(), [] {},
        [&] {
            sink += InflateBody(compressed.data(), static_cast<std::uint32_t>(compressed.size()))
                        ->size();
        },
        [&] { sink += ZpipeInflate(compressed).size(); });
    std::printf("inflate: %zu bytes from %zu compressed (output MB/s)\n", plain.size(),
                compressed.size());
    Report("InflateBody", "zlib inflate loop", throughput);
    if (sink == 0) {
        std::puts("no output");
    }
}

void BenchDechunk(const std::string& plain)
{
    const std::string chunked = Chunked(plain);
    std::string buffer;
    std::vector<char> target(plain.size());
    std::size_t sink = 0;
    const Throughput throughput = Compare(
        plain.size(), [&] { buffer = chunked; },
        [&] {
            sink +=
                nvx::http::DechunkInPlace(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        },
        [&] {
            std::memcpy(target.data(), buffer.data(), plain.size());
            sink += static_cast<unsigned char>(target[plain.size() / 2]);
        });
    std::printf("dechunk: %zu bytes in %zu-byte chunks (decoded MB/s)\n", plain.size(), kChunkSize);
    Report("DechunkInPlace", "memcpy", throughput);
    if (sink == 0) {
        std::puts("no output");
    }
}
}  // namespace

int main()
{
    const std::string plain = SampleXml(kBodySize);
    BenchInflate(plain);
    BenchDechunk(plain);
    return 0;
}
