// HTTP Basic credentials, and keeping any credentials out of what is logged.
#pragma once

#include <string>
#include <string_view>

namespace nvx::http {

inline constexpr std::string_view kAuthorizationHeader = "Authorization";

// The "Authorization" value for `user` and `password` (bytes as given, UTF-8
// by convention): "Basic " and the base64 of "user:password".
std::string BasicAuthorization(std::string_view user, std::string_view password);

// `text` with the value of every "Authorization" and "Proxy-Authorization"
// header line after its scheme word replaced by a mark, so that a log shows
// that credentials went out but never what they were.
std::string WithCredentialsHidden(std::string_view text);

}  // namespace nvx::http
