#pragma once
// A WSDL as it is written: the document at the caller's location and every
// document it brings in by wsdl:import, xsd:import, xsd:include or
// xsd:redefine, each fetched once, however the documents refer to each other.
#include <windows.h>
#include "base/common/msxml.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/common/com_ptr.h"

namespace nvx::soaptk {

struct SourceDocument {
    std::wstring location;
    ComPtr<IXMLDOMElement> root;  // wsdl:definitions or xsd:schema
    // The target namespace a schema without its own takes: that of the schema
    // that includes it; "" otherwise.
    std::wstring includedInto;
};

// Fetches the bytes of the document at an absolute location.
using FetchDocument = std::function<HRESULT(const std::wstring& location, std::vector<char>* bytes)>;

// How far the references are followed. A reference beyond them is left out,
// as is one that cannot be fetched or is no WSDL or schema: the rest of the
// description may still be usable, and a part that loses its type travels as
// text.
struct DocumentLimits {
    size_t maxDepth = 8;
    size_t maxDocuments = 64;
    size_t maxTotalBytes = 32u * 1024u * 1024u;
};

// The documents of the WSDL at `location`, the first one its own. A copy of a
// WSDL names the location of the original in `standsFor`: the references in
// it are read against that ("" when `location` is the original). Fails with
// the fetch's status when the first one cannot be had, and with kNotWsdl when
// it is no WSDL 1.1 definitions.
HRESULT LoadDocumentSet(std::wstring_view location, std::wstring_view standsFor, const FetchDocument& fetch,
                        const DocumentLimits& limits, std::vector<SourceDocument>* documents);

// `reference` read against the location of the document that holds it: a URL
// or absolute path as it is, anything else relative to the folder of `base`.
std::wstring ResolveLocation(std::wstring_view base, std::wstring_view reference);

}  // namespace nvx::soaptk
