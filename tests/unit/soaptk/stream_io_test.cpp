// Whole reads from a stream, whatever room the caller reserved and however
// the stream splits the bytes around the read chunk.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/soaptk/stream/stream_io.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::soaptk::ReadToEnd;

TEST(StreamIoTest, ReadToEndTakesEveryByteWhateverRoomWasReserved)
{
    for (const size_t size : {0, 1, 16383, 16384, 16385, 100000}) {
        const std::string content(size, 'x');
        for (const size_t reserved : {size_t{0}, size / 2, size, size + 1, size * 3}) {
            SCOPED_TRACE(std::to_string(size) + " bytes, " + std::to_string(reserved) + " reserved");
            const auto stream = nvx::test::NewMemoryStream(content);
            std::vector<char> bytes{'<'};
            bytes.reserve(reserved + 1);
            ASSERT_HR(S_OK, ReadToEnd(stream.Get(), size + 1, &bytes));
            EXPECT_EQ("<" + content, std::string(bytes.begin(), bytes.end()));
        }
    }
}

TEST(StreamIoTest, ReadToEndStopsBeyondTheLimit)
{
    const auto stream = nvx::test::NewMemoryStream(std::string(40000, 'x'));
    std::vector<char> bytes;
    EXPECT_HR(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), ReadToEnd(stream.Get(), 39999, &bytes));
}

}  // namespace
