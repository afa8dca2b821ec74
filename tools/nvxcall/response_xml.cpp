#include "tools/nvxcall/response_xml.h"

#include <msxml2.h>

#include "tools/nvxcall/com_text.h"

// MinGW's header declares these interfaces without their ids.
__CRT_UUID_DECL(ISAXXMLReader, 0xa4f96ed0, 0xf829, 0x476e, 0x81, 0xc0, 0xcd, 0xc7, 0xbd, 0x2a, 0x08, 0x02)
__CRT_UUID_DECL(ISAXContentHandler, 0x1545cdfa, 0x9e4e, 0x4497, 0xa8, 0xa4, 0x2b, 0xf7, 0xd0, 0x11, 0x2c, 0x44)
__CRT_UUID_DECL(IXMLDOMDocument2, 0x2933bf95, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60)
__CRT_UUID_DECL(IMXWriter, 0x4d7ff4ba, 0x1565, 0x4ea8, 0x94, 0xe1, 0x6e, 0x72, 0x4a, 0x46, 0xf9, 0x8d)

namespace nvxcall {
namespace {

template <typename Interface>
HRESULT CreateByProgId(const wchar_t* progId, Interface** object)
{
    CLSID clsid;
    const HRESULT hr = CLSIDFromProgID(progId, &clsid);
    return FAILED(hr) ? hr
                      : CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                         reinterpret_cast<void**>(object));
}

HRESULT WriteThrough(ISAXXMLReader* reader, IMXWriter* writer, const std::string& xml, std::string* indented)
{
    ISAXContentHandler* handler = nullptr;
    HRESULT hr = writer->QueryInterface(__uuidof(ISAXContentHandler), reinterpret_cast<void**>(&handler));
    if (FAILED(hr)) return hr;
    hr = reader->putContentHandler(handler);
    handler->Release();
    if (SUCCEEDED(hr)) hr = writer->put_indent(VARIANT_TRUE);
    if (SUCCEEDED(hr)) hr = writer->put_omitXMLDeclaration(VARIANT_TRUE);
    Variant input;
    V_VT(input.Get()) = VT_BSTR;
    V_BSTR(input.Get()) = SysAllocString(Wide(xml).c_str());
    if (SUCCEEDED(hr)) hr = reader->parse(input.Ref());
    Variant output;
    if (SUCCEEDED(hr)) hr = writer->get_output(output.Get());
    if (SUCCEEDED(hr)) *indented = TextOf(output.Ref());
    return hr;
}

}  // namespace

HRESULT IndentXml(const std::string& xml, std::string* indented)
{
    ISAXXMLReader* reader = nullptr;
    IMXWriter* writer = nullptr;
    HRESULT hr = CreateByProgId(L"Msxml2.SAXXMLReader.3.0", &reader);
    if (SUCCEEDED(hr)) hr = CreateByProgId(L"Msxml2.MXXMLWriter.3.0", &writer);
    if (SUCCEEDED(hr)) hr = WriteThrough(reader, writer, xml, indented);
    if (writer) writer->Release();
    if (reader) reader->Release();
    return hr;
}

bool IsSoapFault(const std::string& xml)
{
    IXMLDOMDocument2* document = nullptr;
    if (FAILED(CreateByProgId(L"Msxml2.DOMDocument.3.0", &document))) return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    IXMLDOMNode* fault = nullptr;
    Variant language;
    V_VT(language.Get()) = VT_BSTR;
    V_BSTR(language.Get()) = SysAllocString(L"XPath");
    if (SUCCEEDED(document->loadXML(Bstr(xml).Get(), &loaded)) && loaded == VARIANT_TRUE &&
        SUCCEEDED(document->setProperty(Bstr("SelectionLanguage").Get(), language.Ref())))
        document->selectSingleNode(
            Bstr("/*[local-name()='Envelope']/*[local-name()='Body']/*[local-name()='Fault']").Get(), &fault);
    const bool isFault = fault != nullptr;
    if (fault) fault->Release();
    document->Release();
    return isFault;
}

}  // namespace nvxcall
