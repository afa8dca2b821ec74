#pragma once
// The namespace prefixes in scope at the current point of a message being
// written, element by element.
#include <string>
#include <string_view>
#include <vector>

namespace nvx::soaptk {

inline constexpr std::wstring_view kXmlNamespace = L"http://www.w3.org/XML/1998/namespace";
inline constexpr std::wstring_view kXmlnsNamespace = L"http://www.w3.org/2000/xmlns/";

class NamespaceScope {
public:
    NamespaceScope();

    void EnterElement();
    void LeaveElement();

    // The namespace bound to `prefix` ("" is the default namespace), or null.
    const std::wstring* Find(std::wstring_view prefix) const;
    // Whether the innermost element binds or uses `prefix` already; such a
    // prefix cannot be bound to another namespace on that element.
    bool FixedHere(std::wstring_view prefix) const;
    // Records that the innermost element binds `prefix` to `uri`, by its own
    // declaration or by relying on an inherited one.
    void Bind(std::wstring_view prefix, std::wstring_view uri);

    // The prefix that is generated for `uri` where the caller gave none:
    // "SOAPSDK1", or the first "SOAPSDKn" that is free or already bound to
    // `uri`. Sets `*inScope` when that binding already holds.
    std::wstring GeneratedPrefix(std::wstring_view uri, bool* inScope) const;

private:
    struct Binding {
        std::wstring prefix;
        std::wstring uri;
        size_t depth;
    };

    std::vector<Binding> bindings_;
    size_t depth_ = 0;
};

}  // namespace nvx::soaptk
