#include "runtime/soaptk/serializer/xml_writer.h"

#include <algorithm>

#include "runtime/soaptk/serializer/xml_names.h"
#include "runtime/soaptk/serializer/xml_text.h"

namespace nvx::soaptk {
namespace {

constexpr char kDeclaration[] = R"(<?xml version="1.0" encoding="UTF-8"?>)";
constexpr std::wstring_view kXmlPrefix = L"xml";
constexpr std::wstring_view kXmlnsPrefix = L"xmlns";

bool IsUsablePrefix(std::wstring_view prefix) { return IsNcName(prefix) && prefix != kXmlnsPrefix; }

}  // namespace

void XmlWriter::WriteDeclaration() { output_ += kDeclaration; }

HRESULT XmlWriter::ResolveInNamespace(std::wstring_view uri, std::wstring_view prefix, Resolution* resolution) const
{
    if (uri == kXmlnsNamespace) return E_INVALIDARG;
    if (uri == kXmlNamespace || prefix == kXmlPrefix) {
        if (uri != kXmlNamespace || (!prefix.empty() && prefix != kXmlPrefix)) return E_INVALIDARG;
        *resolution = {std::wstring(kXmlPrefix), std::wstring(uri), false};
        return S_OK;
    }
    if (prefix.empty()) {
        bool inScope = false;
        std::wstring generated = scope_.GeneratedPrefix(uri, &inScope);
        *resolution = {std::move(generated), std::wstring(uri), !inScope};
        return S_OK;
    }
    const std::wstring* bound = scope_.Find(prefix);
    if (bound && *bound == uri) {
        *resolution = {std::wstring(prefix), std::wstring(uri), false};
        return S_OK;
    }
    if (scope_.FixedHere(prefix)) return E_INVALIDARG;
    *resolution = {std::wstring(prefix), std::wstring(uri), true};
    return S_OK;
}

HRESULT XmlWriter::ResolveWithoutNamespace(std::wstring_view prefix, bool forElement, Resolution* resolution) const
{
    if (!prefix.empty()) {
        // A prefix cannot be bound to "no namespace"; it must be in scope.
        const std::wstring* bound = scope_.Find(prefix);
        if (!bound || bound->empty()) return E_INVALIDARG;
        *resolution = {std::wstring(prefix), *bound, false};
        return S_OK;
    }
    // An unprefixed element under a default namespace must undeclare it to
    // stay in no namespace; an unprefixed attribute is in none anyway.
    const std::wstring* defaultNamespace = scope_.Find(L"");
    *resolution = {L"", L"", forElement && defaultNamespace && !defaultNamespace->empty()};
    return S_OK;
}

HRESULT XmlWriter::Resolve(std::wstring_view uri, std::wstring_view prefix, bool forElement,
                           Resolution* resolution) const
{
    if (!prefix.empty() && !IsUsablePrefix(prefix)) return E_INVALIDARG;
    return uri.empty() ? ResolveWithoutNamespace(prefix, forElement, resolution)
                       : ResolveInNamespace(uri, prefix, resolution);
}

void XmlWriter::AppendQualifiedName(std::string& out, std::wstring_view prefix, std::wstring_view name) const
{
    if (!prefix.empty()) {
        AppendEscaped(out, prefix, TextContext::Attribute);
        out += ':';
    }
    AppendEscaped(out, name, TextContext::Attribute);
}

void XmlWriter::AppendDeclaration(const Resolution& resolution)
{
    output_ += " xmlns";
    if (!resolution.prefix.empty()) {
        output_ += ':';
        AppendEscaped(output_, resolution.prefix, TextContext::Attribute);
    }
    output_ += "=\"";
    AppendEscaped(output_, resolution.uri, TextContext::Attribute);
    output_ += '"';
}

void XmlWriter::CloseStartTag()
{
    if (!startTagOpen_) return;
    output_ += '>';
    startTagOpen_ = false;
}

HRESULT XmlWriter::StartElement(std::wstring_view name, std::wstring_view uri, std::wstring_view prefix)
{
    if (!IsNcName(name) || !IsXmlText(uri)) return E_INVALIDARG;
    // The new element's own bindings are what conflicts are judged against.
    scope_.EnterElement();
    Resolution resolution;
    const HRESULT hr = Resolve(uri, prefix, true, &resolution);
    if (FAILED(hr)) {
        scope_.LeaveElement();
        return hr;
    }
    scope_.Bind(resolution.prefix, resolution.uri);

    std::string tag;
    AppendQualifiedName(tag, resolution.prefix, name);
    CloseStartTag();
    output_ += '<';
    output_ += tag;
    if (resolution.declare) AppendDeclaration(resolution);
    openTags_.push_back(std::move(tag));
    attributesOfOpenTag_.clear();
    startTagOpen_ = true;
    return S_OK;
}

HRESULT XmlWriter::Attribute(std::wstring_view name, std::wstring_view uri, std::wstring_view prefix,
                             std::wstring_view value)
{
    if (!startTagOpen_) return E_UNEXPECTED;
    if (!IsNcName(name) || !IsXmlText(uri)) return E_INVALIDARG;
    if (prefix.empty() && uri.empty() && name == kXmlnsPrefix) return E_INVALIDARG;
    Resolution resolution;
    HRESULT hr = Resolve(uri, prefix, false, &resolution);
    if (FAILED(hr)) return hr;
    const bool duplicate =
        std::any_of(attributesOfOpenTag_.begin(), attributesOfOpenTag_.end(),
                    [&](const ExpandedName& other) { return other.uri == resolution.uri && other.name == name; });
    if (duplicate) return E_INVALIDARG;
    std::string text;
    if (!AppendEscaped(text, value, TextContext::Attribute)) return E_INVALIDARG;

    if (!resolution.prefix.empty() && !scope_.FixedHere(resolution.prefix))
        scope_.Bind(resolution.prefix, resolution.uri);
    if (resolution.declare) AppendDeclaration(resolution);
    output_ += ' ';
    AppendQualifiedName(output_, resolution.prefix, name);
    output_ += "=\"";
    output_ += text;
    output_ += '"';
    attributesOfOpenTag_.push_back({resolution.uri, std::wstring(name)});
    return S_OK;
}

HRESULT XmlWriter::DeclareNamespace(std::wstring_view prefix, std::wstring_view uri)
{
    if (!startTagOpen_) return E_UNEXPECTED;
    if (!IsXmlText(uri)) return E_INVALIDARG;
    if (!prefix.empty() && (!IsUsablePrefix(prefix) || uri.empty())) return E_INVALIDARG;
    if (uri == kXmlnsNamespace || (uri == kXmlNamespace) != (prefix == kXmlPrefix)) return E_INVALIDARG;
    const std::wstring* bound = scope_.Find(prefix);
    if (bound ? *bound == uri : uri.empty()) return S_OK;  // already so in scope
    if (scope_.FixedHere(prefix)) return E_INVALIDARG;
    scope_.Bind(prefix, uri);
    AppendDeclaration({std::wstring(prefix), std::wstring(uri), true});
    return S_OK;
}

HRESULT XmlWriter::Text(std::wstring_view text)
{
    if (openTags_.empty()) return E_UNEXPECTED;
    const size_t mark = output_.size();
    const bool tagWasOpen = startTagOpen_;
    CloseStartTag();
    if (!AppendEscaped(output_, text, TextContext::Content)) {
        output_.resize(mark);
        startTagOpen_ = tagWasOpen;
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT XmlWriter::Raw(std::string_view bytes)
{
    if (openTags_.empty()) return E_UNEXPECTED;
    CloseStartTag();
    output_.append(bytes);
    return S_OK;
}

HRESULT XmlWriter::EndElement()
{
    if (openTags_.empty()) return E_UNEXPECTED;
    if (startTagOpen_) {
        output_ += "/>";
        startTagOpen_ = false;
    } else {
        output_ += "</";
        output_ += openTags_.back();
        output_ += '>';
    }
    openTags_.pop_back();
    scope_.LeaveElement();
    return S_OK;
}

}  // namespace nvx::soaptk
