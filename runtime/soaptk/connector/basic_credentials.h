#pragma once
// HTTP basic authentication, sent with the request rather than after a
// challenge, so that an exchange never needs a second round trip.
#include <string>
#include <string_view>

namespace nvx::soaptk {

// The "Authorization" header line, CR LF included, for `user` and `password`
// (taken as UTF-8).
std::wstring BasicAuthorizationHeader(std::wstring_view user, std::wstring_view password);

}  // namespace nvx::soaptk
