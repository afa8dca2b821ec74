#include "src/wsdl/table_result.h"

#include <string>
#include <vector>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/safearray.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "src/wsdl/result_grid.h"

namespace nvx::wsdl {
namespace {

constexpr wchar_t kChoiceElement[] = L"xs:choice";
constexpr wchar_t kNameAttribute[] = L"name";

// A new in-process MSXML 3.0 document holding the XML text of `node`, or null
// when the text does not parse.
ComPtr<IXMLDOMDocument> DocumentOf(IXMLDOMNode* node)
{
    Bstr xml;
    if (!node || FAILED(node->get_xml(xml.Put()))) return nullptr;
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.GetAddressOf()))))
        return nullptr;
    document->put_async(VARIANT_FALSE);
    document->put_resolveExternals(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    VARIANT_BOOL parsed = VARIANT_FALSE;
    if (FAILED(document->loadXML(xml.Get(), &parsed)) || parsed != VARIANT_TRUE) return nullptr;
    return document;
}

std::wstring Attribute(IXMLDOMNode* node, const wchar_t* name)
{
    ComPtr<IXMLDOMElement> element;
    if (!node || FAILED(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.GetAddressOf()))))
        return {};
    const Bstr attributeName(name);
    Variant value;
    if (element->getAttribute(attributeName.Get(), value.Get()) != S_OK || V_VT(value.Get()) != VT_BSTR) return {};
    return std::wstring(ViewOf(V_BSTR(value.Get())));
}

ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node)
{
    ComPtr<IXMLDOMNode> child;
    if (node) node->get_firstChild(child.GetAddressOf());
    return child;
}

// The elements named `name` (prefix included) below `node`, in document order.
// Walked by hand: getElementsByTagName does not match prefixed names in every
// MSXML implementation.
void FindElements(IXMLDOMNode* node, const std::wstring& name, std::vector<ComPtr<IXMLDOMNode>>* found)
{
    ComPtr<IXMLDOMNodeList> children;
    node->get_childNodes(children.GetAddressOf());
    for (const auto& child : Items(children.Get())) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type != NODE_ELEMENT) continue;
        if (NodeName(child.Get()) == name) found->push_back(child);
        FindElements(child.Get(), name, found);
    }
}

std::vector<ComPtr<IXMLDOMNode>> ElementsNamed(IXMLDOMDocument* document, const std::wstring& name)
{
    std::vector<ComPtr<IXMLDOMNode>> found;
    ComPtr<IXMLDOMNode> root;
    if (SUCCEEDED(document->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(root.GetAddressOf()))))
        FindElements(root.Get(), name, &found);
    return found;
}

struct Schema {
    std::wstring rowElement;
    std::vector<std::wstring> columns;
};

// The row element and its columns, from the schema's first "xs:choice".
Schema ReadSchema(IXMLDOMDocument* document)
{
    Schema schema;
    const auto found = ElementsNamed(document, kChoiceElement);
    if (found.empty()) return schema;
    const ComPtr<IXMLDOMNode> rowDeclaration = FirstChild(found.front().Get());
    schema.rowElement = Attribute(rowDeclaration.Get(), kNameAttribute);
    const ComPtr<IXMLDOMNode> columnList = FirstChild(FirstChild(rowDeclaration.Get()).Get());
    if (!columnList) return schema;
    ComPtr<IXMLDOMNodeList> declarations;
    columnList->get_childNodes(declarations.GetAddressOf());
    for (const auto& declaration : Items(declarations.Get())) {
        std::wstring name = Attribute(declaration.Get(), kNameAttribute);
        if (name.empty()) name = L"Column" + std::to_wstring(schema.columns.size() + 1);
        schema.columns.push_back(std::move(name));
    }
    return schema;
}

std::vector<Row> ReadRows(IXMLDOMDocument* document, const std::wstring& rowElement)
{
    std::vector<Row> rows;
    if (rowElement.empty()) return rows;
    for (const auto& record : ElementsNamed(document, rowElement)) {
        ComPtr<IXMLDOMNodeList> cells;
        record->get_childNodes(cells.GetAddressOf());
        Row row;
        for (const auto& cell : Items(cells.Get())) row.push_back(NodeText(cell.Get()));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

HRESULT ConvertToTable(IDispatch* result, VARIANT* table)
{
    ComPtr<IXMLDOMNodeList> nodes;
    if (!result || FAILED(result->QueryInterface(IID_IXMLDOMNodeList, reinterpret_cast<void**>(nodes.GetAddressOf()))))
        return S_OK;
    const auto items = Items(nodes.Get());
    if (items.size() < 2) return S_OK;
    const ComPtr<IXMLDOMDocument> schemaDocument = DocumentOf(items[0].Get());
    const ComPtr<IXMLDOMDocument> dataDocument = DocumentOf(items[1].Get());
    if (!schemaDocument) return S_OK;
    const Schema schema = ReadSchema(schemaDocument.Get());
    if (schema.columns.empty()) return S_OK;
    const std::vector<Row> rows = dataDocument ? ReadRows(dataDocument.Get(), schema.rowElement) : std::vector<Row>{};

    return ReturnArray(rows.empty() ? TextRow(schema.columns) : TextGrid(schema.columns, rows), table);
}

}  // namespace nvx::wsdl
