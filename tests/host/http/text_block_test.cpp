// The owned byte block and CopyOut's buffer contract.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/http/text_block.h"

namespace nvx::http {
namespace {

HttpTextBlock BlockOf(const std::string& text)
{
    HttpTextBlock block;
    block.Load(text.data(), static_cast<std::uint32_t>(text.size()));
    return block;
}

TEST(TextBlock, LoadFromItsOwnBytesIsSafe)
{
    HttpTextBlock block = BlockOf("header:body");
    block.Load(block.View().data() + 7, 4);
    EXPECT_EQ(block.View(), "body");
}

TEST(CopyOut, EmptyBlockLeavesANullBufferNull)
{
    HttpTextBlock empty;
    std::unique_ptr<char[]> buffer;
    EXPECT_EQ(CopyOut(empty, buffer, 0), 0u);
    EXPECT_EQ(buffer, nullptr);
}

TEST(CopyOut, ReplacesABufferThatIsTooSmall)
{
    const HttpTextBlock block = BlockOf("0123456789");
    auto buffer = std::make_unique<char[]>(4);
    const char* const small = buffer.get();
    EXPECT_EQ(CopyOut(block, buffer, 4), 10u);
    EXPECT_NE(buffer.get(), small);
    EXPECT_EQ(std::string(buffer.get(), 10), "0123456789");
}

TEST(CopyOut, ReusesABufferThatIsLargeEnough)
{
    const HttpTextBlock block = BlockOf("abc");
    auto buffer = std::make_unique<char[]>(8);
    std::memcpy(buffer.get(), "........", 8);
    const char* const original = buffer.get();
    EXPECT_EQ(CopyOut(block, buffer, 8), 3u);
    EXPECT_EQ(buffer.get(), original);
    EXPECT_EQ(std::string(buffer.get(), 8), "abc.....");
}

}  // namespace
}  // namespace nvx::http
