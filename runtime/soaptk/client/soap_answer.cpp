#include "runtime/soaptk/client/soap_answer.h"

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/client/multi_ref.h"
#include "runtime/soaptk/client/xsd_lexical.h"
#include "runtime/soaptk/reader/child_elements.h"
#include "runtime/soaptk/reader/xml_document.h"
#include "runtime/soaptk/wsdl/dom_values.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kRpcStyle[] = L"rpc";
const ElementName kAnyElement{L"", std::nullopt};

using ReaderPart = HRESULT (STDMETHODCALLTYPE ISoapReader::*)(IDispatch**);

ComPtr<IXMLDOMElement> ElementFrom(ISoapReader* reader, ReaderPart part)
{
    ComPtr<IDispatch> object;
    ComPtr<IXMLDOMElement> element;
    if (SUCCEEDED((reader->*part)(&object)) && object) object.As(&element);
    return element;
}

std::wstring TextOf(ISoapReader* reader, ReaderPart part)
{
    const ComPtr<IXMLDOMElement> element = ElementFrom(reader, part);
    return element ? ElementText(element.Get()) : std::wstring();
}

bool IsNil(IXMLDOMElement* element)
{
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    ComPtr<IXMLDOMNode> nil;
    if (FAILED(element->get_attributes(&attributes)) || !attributes ||
        attributes->getQualifiedItem(Bstr(L"nil").Get(), Bstr(toolkit::kXsiNamespace).Get(), &nil) != S_OK || !nil)
        return false;
    Bstr value;
    return SUCCEEDED(nil->get_text(value.Put())) && (value.View() == L"true" || value.View() == L"1");
}

ComPtr<IXMLDOMElement> ChildNamed(IXMLDOMElement* parent, const ElementName& name)
{
    ComPtr<IXMLDOMElement> child;
    if (parent) FindChildElement(parent, name, &child);
    return child;
}

// Where the result stands: inside the response element (found by its name,
// or as the body's first entry), by the result part's name; an rpc accessor
// of another name is taken by position. Without a wrapper, in the body.
ComPtr<IXMLDOMElement> ResultElement(IXMLDOMElement* body, const OperationDescription& operation)
{
    const PartDescription& result = operation.result;
    if (operation.outputElement.empty()) return ChildNamed(body, {result.elementName, std::nullopt});
    ComPtr<IXMLDOMElement> response = ChildNamed(body, {operation.outputElement, std::nullopt});
    if (!response) response = ChildNamed(body, kAnyElement);
    ComPtr<IXMLDOMElement> element = ChildNamed(response.Get(), {result.elementName, std::nullopt});
    if (!element && operation.style == kRpcStyle) element = ChildNamed(response.Get(), kAnyElement);
    return element;
}

}  // namespace

std::optional<SoapFault> FaultOf(ISoapReader* reader)
{
    if (!ElementFrom(reader, &ISoapReader::get_Fault)) return std::nullopt;
    SoapFault fault{TextOf(reader, &ISoapReader::get_FaultCode),
                    TextOf(reader, &ISoapReader::get_FaultString),
                    TextOf(reader, &ISoapReader::get_FaultActor),
                    {}};
    if (const ComPtr<IXMLDOMElement> detail = ElementFrom(reader, &ISoapReader::get_FaultDetail))
        fault.detail = ChildrenMarkup(detail.Get());
    return fault;
}

HRESULT ResultOf(ISoapReader* reader, const OperationDescription& operation, VARIANT* result, std::wstring* text)
{
    VariantInit(result);
    if (!operation.hasResult) return S_OK;
    const ComPtr<IXMLDOMElement> body = ElementFrom(reader, &ISoapReader::get_Body);
    const ComPtr<IXMLDOMElement> accessor = body ? ResultElement(body.Get(), operation) : nullptr;
    if (!accessor) return S_OK;
    ComPtr<IXMLDOMElement> element;
    HRESULT hr = WithReferencesResolved(accessor.Get(), body.Get(), &element);
    if (FAILED(hr)) return hr;
    if (IsNil(element.Get())) {
        result->vt = VT_NULL;
        return S_OK;
    }
    if (operation.result.variantType == VT_DISPATCH) {
        ComPtr<IXMLDOMNodeList> children;
        if (FAILED(hr = element->get_childNodes(&children))) return hr;
        // IXMLDOMNodeList is dual: its pointer is the dispatch one.
        result->vt = VT_DISPATCH;
        result->pdispVal = children.Detach();
        return S_OK;
    }
    *text = ElementText(element.Get());
    return ValueFromXsdText(*text, operation.result.variantType, result);
}

}  // namespace nvx::soaptk
