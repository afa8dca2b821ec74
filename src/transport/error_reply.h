#pragma once
// The SOAP message that takes an answer's place when the gateway exchange
// fails: a SOAP 1.1 Fault whose faultstring is the error text, so that the
// caller always reads a SOAP response.
#include <string>
#include <string_view>

namespace nvx::transport {

// Texts of the failures the exchange knows.
inline constexpr char kTimeoutText[] = "Norvexa Timeout";
inline constexpr char kSocketExceptionText[] = "Norvexa Socket Exception";
inline constexpr char kUnknownGatewayErrorText[] = "Unknown NXComm Gateway Error";

// The longest error text a reply carries, in bytes; longer texts are cut.
inline constexpr size_t kMaxErrorText = 511;

// The fault envelope (UTF-8) for `text`. The text is taken as UTF-8 when it is
// valid UTF-8 and as Windows-1252 otherwise; characters XML cannot carry are
// dropped and markup is escaped.
std::string ErrorReply(std::string_view text);

// "NXComm Error[<code>]".
std::string GatewayErrorText(int code);

}  // namespace nvx::transport
