// What an HTTP answer's status says about it: whether the SOAP reader can take
// its body, and the words that name the status in an error text.
#pragma once

#include <string>
#include <string_view>

namespace nvx::http {

struct AnswerStatus {
    int code = 0;                  // 0 when the text does not begin with a status line
    std::string_view reason;       // the status line's reason phrase
    std::string_view contentType;  // the "Content-Type" value, empty when there is none
};

// The status of a raw answer ("HTTP/1.1 401 Unauthorized\r\n..."); views into `answer`.
AnswerStatus ReadAnswerStatus(std::string_view answer);

// An answer that stands for a failure rather than for a SOAP message: a
// refused authentication, or a status outside 2xx whose body is not XML (a
// SOAP fault comes with status 500 and an XML body, and is an answer).
bool IsFailedAnswer(int code, std::string_view contentType);

bool IsAuthenticationFailure(int code);

// "HTTP status 401 Unauthorized".
std::string DescribeStatus(int code, std::string_view reason);

}  // namespace nvx::http
