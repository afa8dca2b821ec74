#pragma once
// Messages parsed into MSXML 3.0 documents. The documents are set up for
// input from the network: synchronous, not validated, no external resources,
// and a document that brings a DOCTYPE is refused, so that no definition of
// the sender's making reaches the caller.
#include <windows.h>
#include "base/common/msxml.h"

#include <span>
#include <string>
#include <string_view>

#include "base/common/com_ptr.h"

namespace nvx::soaptk {

// Each sets `*document` to the parsed document, or to null (still S_OK) when
// the input is no XML the reader accepts. A failure status means no document
// object could be made at all.

// Bytes in the encoding their XML declaration names (UTF-8 without one), or
// UTF-16 with its byte-order mark.
HRESULT DocumentFromBytes(std::span<const char> bytes, ComPtr<IXMLDOMDocument>* document);
HRESULT DocumentFromText(std::wstring_view text, ComPtr<IXMLDOMDocument>* document);
// A file path or URL, fetched by MSXML.
HRESULT DocumentFromLocation(BSTR location, ComPtr<IXMLDOMDocument>* document);

// The markup of the node's children, as the sender wrote them.
std::wstring ChildrenMarkup(IXMLDOMNode* node);

}  // namespace nvx::soaptk
