#pragma once
// Credentials through WinHTTP's own authentication: Basic goes out with the
// first request (no second round trip for the common case), and a server
// that answers 401 asking for another scheme WinHTTP speaks (Negotiate, NTLM,
// Digest) gets the credentials in that scheme on the next attempt.
#include <windows.h>
#include <winhttp.h>

#include <string>

namespace nvx::soaptk {

struct Credentials {
    std::wstring user;
    std::wstring password;
};

class CredentialOffer {
public:
    explicit CredentialOffer(const Credentials& credentials) : credentials_(credentials) {}

    enum class Answer {
        None,                // no scheme left to offer: the 401 is the answer
        Offered,             // send the request again
        NeedsKeptConnection  // the scheme wants a request whose connection is kept
    };

    // Sets the Basic credentials for the request's first attempt.
    HRESULT OfferBasic(HINTERNET request);
    // After a 401: sets the credentials in the strongest scheme the server
    // asks for that was not offered yet. NTLM and Negotiate authenticate the
    // connection, so they are offered only on a request that keeps it.
    Answer AnswerChallenge(HINTERNET request, bool connectionKept);

private:
    const Credentials& credentials_;
    DWORD offered_ = 0;  // WINHTTP_AUTH_SCHEME_* already tried
};

}  // namespace nvx::soaptk
