#include "src/wsdl/structured_result.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/variant.h"
#include "src/wsdl/result_grid.h"

namespace nvx::wsdl {
namespace {

using Nodes = std::vector<ComPtr<IXMLDOMNode>>;

Nodes ElementsAmong(const Nodes& nodes)
{
    Nodes elements;
    for (const auto& node : nodes) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT) elements.push_back(node);
    }
    return elements;
}

Nodes ChildElements(IXMLDOMNode* node)
{
    ComPtr<IXMLDOMNodeList> children;
    node->get_childNodes(children.GetAddressOf());
    return ElementsAmong(Items(children.Get()));
}

std::wstring LocalName(IXMLDOMNode* node)
{
    Bstr name;
    node->get_baseName(name.Put());
    return std::wstring(name.View());
}

std::wstring Lowered(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

bool NamedLikeAnArray(const std::wstring& typeName)
{
    const std::wstring name = Lowered(typeName);
    return name.starts_with(L"arrayof") || (name.size() > 5 && name.ends_with(L"array"));
}

// SOAP encoding marks an array on its element: arrayType="xsd:string[3]" or a
// type named like an array.
bool MarkedAsArray(IXMLDOMNode* element)
{
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    long count = 0;
    if (!element || FAILED(element->get_attributes(attributes.GetAddressOf())) || !attributes ||
        FAILED(attributes->get_length(&count)))
        return false;
    for (long index = 0; index < count; ++index) {
        ComPtr<IXMLDOMNode> attribute;
        if (FAILED(attributes->get_item(index, attribute.GetAddressOf())) || !attribute) continue;
        const std::wstring name = LocalName(attribute.Get());
        if (name == L"arrayType" || name == L"itemType") return true;
        if (name != L"type") continue;
        std::wstring value = NodeText(attribute.Get());
        value = value.substr(value.find(L':') + 1);
        if (NamedLikeAnArray(value) || value == L"Array") return true;
    }
    return false;
}

bool AllNamedAlike(const Nodes& elements)
{
    for (const auto& element : elements)
        if (NodeName(element.Get()) != NodeName(elements.front().Get())) return false;
    return true;
}

bool IsSimple(IXMLDOMNode* element) { return ChildElements(element).empty(); }

std::wstring XmlOf(IXMLDOMNode* node)
{
    Bstr xml;
    node->get_xml(xml.Put());
    return std::wstring(xml.View());
}

// A field's cell: its text, or its XML when it holds elements; a field that
// comes more than once holds all of its occurrences' XML.
std::wstring CellOf(const Nodes& occurrences)
{
    if (occurrences.size() == 1 && IsSimple(occurrences.front().Get())) return NodeText(occurrences.front().Get());
    std::wstring xml;
    for (const auto& occurrence : occurrences) xml += XmlOf(occurrence.Get());
    return xml;
}

struct Fields {
    Row names;
    std::vector<Nodes> occurrences;  // per name

    void Add(const ComPtr<IXMLDOMNode>& field)
    {
        const std::wstring name = LocalName(field.Get());
        const auto found = std::find(names.begin(), names.end(), name);
        if (found != names.end()) {
            occurrences[found - names.begin()].push_back(field);
            return;
        }
        names.push_back(name);
        occurrences.push_back({field});
    }
};

Fields FieldsOf(const Nodes& elements)
{
    Fields fields;
    for (const auto& element : elements) fields.Add(element);
    return fields;
}

HRESULT StructureTable(const Nodes& fields, VARIANT* result)
{
    const Fields structure = FieldsOf(fields);
    Row row;
    for (const Nodes& occurrences : structure.occurrences) row.push_back(CellOf(occurrences));
    return ReturnArray(TextGrid(structure.names, {row}), result);
}

HRESULT ArrayOfStructures(const Nodes& items, VARIANT* result)
{
    Row columns;
    std::vector<Fields> records;
    for (const auto& item : items) {
        records.push_back(FieldsOf(ChildElements(item.Get())));
        for (const std::wstring& name : records.back().names)
            if (std::find(columns.begin(), columns.end(), name) == columns.end()) columns.push_back(name);
    }
    std::vector<Row> rows;
    for (const Fields& record : records) {
        Row row(columns.size());
        for (size_t field = 0; field < record.names.size(); ++field) {
            const size_t column = std::find(columns.begin(), columns.end(), record.names[field]) - columns.begin();
            row[column] = CellOf(record.occurrences[field]);
        }
        rows.push_back(std::move(row));
    }
    return ReturnArray(TextGrid(columns, rows), result);
}

HRESULT ArrayOf(const Nodes& items, VARIANT* result)
{
    if (!std::all_of(items.begin(), items.end(), [](const auto& item) { return IsSimple(item.Get()); }))
        return ArrayOfStructures(items, result);
    Row texts;
    for (const auto& item : items) texts.push_back(NodeText(item.Get()));
    return ReturnArray(TextRow(texts), result);
}

HRESULT TextOnly(const Nodes& nodes, VARIANT* result)
{
    std::wstring text;
    for (const auto& node : nodes) text += NodeText(node.Get());
    if (text.empty()) return S_OK;
    Variant value;
    V_VT(value.Get()) = VT_BSTR;
    V_BSTR(value.Get()) = Bstr(text).Detach();
    return VariantCopy(result, value.Get());
}

}  // namespace

HRESULT ConvertStructure(IDispatch* value, const std::wstring& typeName, VARIANT* result)
{
    ComPtr<IXMLDOMNodeList> list;
    if (!value || FAILED(value->QueryInterface(IID_IXMLDOMNodeList, reinterpret_cast<void**>(list.GetAddressOf()))))
        return S_OK;
    const Nodes nodes = Items(list.Get());
    const Nodes elements = ElementsAmong(nodes);
    // An array with no element is still an array: a script's UBound gives -1.
    if (elements.empty() && nodes.empty() && NamedLikeAnArray(typeName)) return ReturnArray(TextRow({}), result);
    if (elements.empty()) return TextOnly(nodes, result);
    ComPtr<IXMLDOMNode> parent;
    elements.front()->get_parentNode(parent.GetAddressOf());
    const bool array =
        (elements.size() > 1 && AllNamedAlike(elements)) || NamedLikeAnArray(typeName) || MarkedAsArray(parent.Get());
    return array ? ArrayOf(elements, result) : StructureTable(elements, result);
}

}  // namespace nvx::wsdl
