#include "src/transport/error_reply.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "base/http/answer_status.h"
#include "nxapi.h"

namespace nvx::transport {
namespace {

constexpr char kReplyStart[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                               "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                               "<SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>";
constexpr char kReplyMiddle[] = "</faultstring><detail><errorInfo>";
constexpr char kReplyEnd[] = "</errorInfo></detail></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";

// Code points of the bytes 0x80-0x9F in Windows-1252 (0 where it has none).
constexpr char16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of the UTF-8 sequence at `at`, or 0 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    size_t length = lead < 0x80                   ? 1
                    : lead >= 0xC2 && lead < 0xE0 ? 2
                    : lead >= 0xE0 && lead < 0xF0 ? 3
                    : lead >= 0xF0 && lead < 0xF5 ? 4
                                                  : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

bool IsValidUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::string Utf8FromWindows1252(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<uint8_t>(c);
        const char32_t code = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
        if (code) AppendUtf8(out, code);
    }
    return out;
}

// Escapes markup and drops the control characters XML 1.0 cannot hold.
std::string EscapedText(std::string_view utf8)
{
    std::string out;
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            if (static_cast<uint8_t>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out.push_back(c);
        }
    }
    return out;
}

constexpr char kCauseSeparator[] = ": ";
constexpr char kGatewayVariable[] = "NXCOMM_GATEWAY";

std::string WithCause(std::string_view text, std::string_view cause)
{
    return std::string(text).append(kCauseSeparator).append(cause);
}

// The gateway's address when the environment names one.
std::string GatewayAddress()
{
    char address[256];
    const DWORD length = GetEnvironmentVariableA(kGatewayVariable, address, sizeof address);
    if (length == 0 || length >= sizeof address) return {};
    return std::string(" (") + kGatewayVariable + "=" + std::string(address, length) + ")";
}

// What a gateway library error code means.
std::string GatewayLibraryCause(int code)
{
    switch (code) {
    case NXAPI_E_CONNECTION_LOST: return "the connection to the gateway was lost";
    case NXAPI_E_MESSAGE_TOO_LARGE: return "the answer is larger than the receive area";
    case NXAPI_E_MALFORMED_FRAME: return "the gateway broke the frame format";
    case NXAPI_E_NOT_CONNECTED: return "not connected to the gateway";
    case NXAPI_E_BAD_ARGUMENTS: return "the gateway library refused its arguments";
    case NXAPI_E_GATEWAY_ADDRESS: return "the gateway address is not host:port" + GatewayAddress();
    case NXAPI_E_CONNECT_FAILED: return "the gateway cannot be reached" + GatewayAddress();
    case NXAPI_E_SEND_FAILED: return "the request could not be sent to the gateway";
    case NXAPI_E_OUT_OF_MEMORY: return "out of memory";
    default: return "gateway library error";
    }
}

}  // namespace

std::string ErrorReply(std::string_view text)
{
    const bool utf8Text = IsValidUtf8(text);
    if (text.size() > kMaxErrorText) {
        size_t cut = kMaxErrorText;
        // A cut never splits a UTF-8 sequence.
        while (utf8Text && cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
        text = text.substr(0, cut);
    }
    const std::string utf8 = utf8Text ? std::string(text) : Utf8FromWindows1252(text);
    const std::string escaped = EscapedText(utf8);
    return std::string(kReplyStart) + escaped + kReplyMiddle + escaped + kReplyEnd;
}

std::string GatewayErrorText(int code)
{
    char text[32];
    std::snprintf(text, sizeof text, "NXComm Error[%d]", code);
    return WithCause(text, GatewayLibraryCause(code));
}

std::string TimeoutText(long milliseconds)
{
    return WithCause(kTimeoutText, "no answer within " + std::to_string(milliseconds) + " ms");
}

std::string SocketExceptionText(int sendResult)
{
    if (sendResult < 0) return WithCause(kSocketExceptionText, GatewayLibraryCause(sendResult));
    return WithCause(kSocketExceptionText,
                     sendResult == 0 ? "no request was sent to the gateway" : "the connection to the gateway failed");
}

std::optional<std::string> FailedAnswerText(std::string_view answer, bool htmlErrorPage)
{
    const http::AnswerStatus status = http::ReadAnswerStatus(answer);
    if (!http::IsFailedAnswer(status.code, status.contentType)) return std::nullopt;
    if (htmlErrorPage && !http::IsAuthenticationFailure(status.code)) return std::nullopt;
    return http::DescribeStatus(status.code, status.reason);
}

}  // namespace nvx::transport
