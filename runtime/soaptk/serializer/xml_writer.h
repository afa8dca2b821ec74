#pragma once
// Namespace-aware XML writing into a UTF-8 buffer. Every call either writes
// well-formed output or writes nothing and fails: names are checked, prefixes
// are declared where they are first bound, text is escaped, and only open
// elements can be ended.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/soaptk/serializer/namespace_scope.h"

namespace nvx::soaptk {

class XmlWriter {
public:
    void WriteDeclaration();

    // Begins an element in namespace `uri` ("" for none). With a prefix, the
    // prefix is declared unless that binding is in scope; without one, a
    // namespace gets a generated prefix. The start tag stays open for
    // attributes and declarations until content follows.
    HRESULT StartElement(std::wstring_view name, std::wstring_view uri, std::wstring_view prefix);
    // Adds an attribute to the open start tag; prefixes as for elements.
    HRESULT Attribute(std::wstring_view name, std::wstring_view uri, std::wstring_view prefix, std::wstring_view value);
    // Declares `prefix` ("" for the default namespace) on the open start tag.
    HRESULT DeclareNamespace(std::wstring_view prefix, std::wstring_view uri);
    HRESULT Text(std::wstring_view text);
    // Bytes the caller vouches for, written as they are.
    HRESULT Raw(std::string_view bytes);
    HRESULT EndElement();

    size_t Depth() const { return openTags_.size(); }
    bool StartTagOpen() const { return startTagOpen_; }
    // The output written so far and not yet taken by the owner.
    std::string& Output() { return output_; }

private:
    struct Resolution {
        std::wstring prefix;
        std::wstring uri;
        bool declare = false;  // the tag must carry xmlns[:prefix]="uri"
    };

    HRESULT Resolve(std::wstring_view uri, std::wstring_view prefix, bool forElement, Resolution* resolution) const;
    HRESULT ResolveInNamespace(std::wstring_view uri, std::wstring_view prefix, Resolution* resolution) const;
    HRESULT ResolveWithoutNamespace(std::wstring_view prefix, bool forElement, Resolution* resolution) const;
    void AppendQualifiedName(std::string& out, std::wstring_view prefix, std::wstring_view name) const;
    void AppendDeclaration(const Resolution& resolution);
    void CloseStartTag();

    struct ExpandedName {
        std::wstring uri;
        std::wstring name;
    };

    std::string output_;
    NamespaceScope scope_;
    std::vector<std::string> openTags_;              // qualified names, for the end tags
    std::vector<ExpandedName> attributesOfOpenTag_;  // to refuse duplicates
    bool startTagOpen_ = false;
};

}  // namespace nvx::soaptk
