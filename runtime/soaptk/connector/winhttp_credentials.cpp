#include "runtime/soaptk/connector/winhttp_credentials.h"

namespace nvx::soaptk {
namespace {

// Strongest first: a server that offers several gets the best it takes.
constexpr DWORD kSchemesByStrength[] = {WINHTTP_AUTH_SCHEME_NEGOTIATE, WINHTTP_AUTH_SCHEME_NTLM,
                                        WINHTTP_AUTH_SCHEME_DIGEST, WINHTTP_AUTH_SCHEME_BASIC};
constexpr DWORD kConnectionSchemes = WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM;

}  // namespace

HRESULT CredentialOffer::OfferBasic(HINTERNET request)
{
    offered_ |= WINHTTP_AUTH_SCHEME_BASIC;
    if (WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC, credentials_.user.c_str(),
                              credentials_.password.c_str(), nullptr))
        return S_OK;
    return HRESULT_FROM_WIN32(GetLastError());
}

CredentialOffer::Answer CredentialOffer::AnswerChallenge(HINTERNET request, bool connectionKept)
{
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request, &supported, &first, &target)) return Answer::None;
    for (const DWORD scheme : kSchemesByStrength) {
        if (!(supported & scheme) || (offered_ & scheme)) continue;
        if ((scheme & kConnectionSchemes) && !connectionKept) return Answer::NeedsKeptConnection;
        offered_ |= scheme;
        return WinHttpSetCredentials(request, target, scheme, credentials_.user.c_str(), credentials_.password.c_str(),
                                     nullptr)
                   ? Answer::Offered
                   : Answer::None;
    }
    return Answer::None;
}

}  // namespace nvx::soaptk
