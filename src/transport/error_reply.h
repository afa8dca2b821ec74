#pragma once
// The SOAP message that takes an answer's place when the gateway exchange
// fails: a SOAP 1.1 Fault whose faultstring is the error text, so that the
// caller always reads a SOAP response.
#include <optional>
#include <string>
#include <string_view>

namespace nvx::transport {

// Texts of the failures the exchange knows. Each reply begins with one of
// them; what caused the failure follows after a colon.
inline constexpr char kTimeoutText[] = "Norvexa Timeout";
inline constexpr char kSocketExceptionText[] = "Norvexa Socket Exception";
inline constexpr char kUnknownGatewayErrorText[] = "Unknown NXComm Gateway Error";

// The longest error text a reply carries, in bytes; longer texts are cut.
inline constexpr size_t kMaxErrorText = 511;

// The fault envelope (UTF-8) for `text`. The text is taken as UTF-8 when it is
// valid UTF-8 and as Windows-1252 otherwise; characters XML cannot carry are
// dropped and markup is escaped.
std::string ErrorReply(std::string_view text);

// "NXComm Error[<code>]" and what the gateway library's code means.
std::string GatewayErrorText(int code);

// The time-out text with the time waited.
std::string TimeoutText(long milliseconds);

// The socket-exception text; `sendResult`, what sending the request gave (a
// request id, a gateway library's error code, or 0 when nothing was sent),
// names the cause.
std::string SocketExceptionText(int sendResult);

// The text that takes the place of an answer no SOAP reader can read (an
// authentication refused, or an error status without XML), naming its
// status; none for an answer that goes to the reader, and none for an HTML
// error page (`htmlErrorPage`), whose heading names its failure, unless it
// is about credentials.
std::optional<std::string> FailedAnswerText(std::string_view answer, bool htmlErrorPage);

}  // namespace nvx::transport
