// Response loading with de-chunking and inflating, on arbitrary received text.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/http/inflate.h"
#include "base/http/response_message.h"
#include "fuzz_check.h"

using nvx::http::HttpResponseMessage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto length = static_cast<std::uint32_t>(size);
    // An exactly sized copy, so that reading past the text is caught.
    std::unique_ptr<char[]> text(new char[size]);
    std::memcpy(text.get(), data, size);
    const std::string_view input(text.get(), size);

    HttpResponseMessage message;
    message.Load(text.get(), length);
    FUZZ_CHECK(std::memcmp(text.get(), data, size) == 0);  // the caller's bytes stay as they were
    FUZZ_CHECK(message.Length() == length);
    FUZZ_CHECK(message.HeaderLength() <= length);
    FUZZ_CHECK(message.BodyLength() <= nvx::http::kMaxInflatedBodySize);
    FUZZ_CHECK(message.View().substr(0, message.HeaderLength()) == input.substr(0, message.HeaderLength()));
    if (!input.starts_with("HTTP")) {
        FUZZ_CHECK(message.Body().View() == input);
    }

    std::unique_ptr<char[]> body;
    const std::uint32_t copied = message.CopyBody(body, 0);
    FUZZ_CHECK(copied == message.BodyLength());
    FUZZ_CHECK(copied == 0 || std::memcmp(body.get(), message.Body().View().data(), copied) == 0);

    // Loading is a function of the text alone.
    HttpResponseMessage again;
    again.Load(text.get(), length);
    FUZZ_CHECK(again.Body().View() == message.Body().View());
    return 0;
}
