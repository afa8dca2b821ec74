// Endpoint URLs and heads with credentials: whatever the input, credentials
// are either found or not, removing them leaves none behind, and hiding them
// leaves nothing more to hide.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/http/answer_status.h"
#include "base/http/credentials.h"
#include "base/http/url.h"
#include "fuzz_check.h"

using namespace nvx::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::string stripped = UrlWithoutCredentials(input);
    FUZZ_CHECK(stripped.size() <= input.size());
    FUZZ_CHECK(!CredentialsFromUrl(stripped));
    FUZZ_CHECK(UrlWithoutCredentials(stripped) == stripped);
    FUZZ_CHECK(HostFromUrl(input) == HostFromUrl(stripped));
    FUZZ_CHECK(PathFromUrl(input) == PathFromUrl(stripped));
    if (const auto credentials = CredentialsFromUrl(input)) {
        // Decoding only ever shortens.
        FUZZ_CHECK(credentials->user.size() + credentials->password.size() < input.size());
        FUZZ_CHECK(BasicAuthorization(credentials->user, credentials->password).starts_with("Basic "));
    }

    const std::string hidden = WithCredentialsHidden(input);
    FUZZ_CHECK(WithCredentialsHidden(hidden) == hidden);

    const AnswerStatus status = ReadAnswerStatus(input);
    FUZZ_CHECK(status.code >= 0 && status.code <= 999);
    FUZZ_CHECK(status.reason.size() <= input.size() && status.contentType.size() <= input.size());
    return 0;
}
