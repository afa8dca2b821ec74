// The two rules that take the "Host" entry and the request-line path out of
// the endpoint URL. They are deliberately simple: only "http://" URLs are
// split, and whatever the caller wrote after the scheme is kept as written.
#pragma once

#include <string>
#include <string_view>

namespace nvx::http {

// Text between "http://" and the next "/" (port included); "localhost" when
// the URL does not start with "http://" (the scheme is matched without case).
std::string HostFromUrl(std::string_view url);

// Text from the first "/" after "http://" to the end, query included; "/"
// when there is none. Any other URL is returned whole (scheme letters
// lower-cased), so it goes out unchanged in the request line.
std::string PathFromUrl(std::string_view url);

}  // namespace nvx::http
