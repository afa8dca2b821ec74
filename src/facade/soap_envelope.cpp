#include "src/facade/soap_envelope.h"

#include <string>

#include "base/common/bstr.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "src/facade/array_element.h"
#include "src/facade/variant_string_list.h"

namespace nvx::facade {
namespace {

// Elements are qualified with this prefix when there is a namespace.
constexpr wchar_t kArgumentPrefix[] = L"xs";
constexpr wchar_t kEnvelopePrefix[] = L"soap";

bool HasText(BSTR text) { return text && SysStringLen(text) > 0; }

// The value's text by the platform's flag-free conversion; "" when it has none.
Bstr TextOf(const VARIANT& value)
{
    Variant text;
    if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return Bstr(L"");
    return Bstr::CopyOf(V_BSTR(text.Get()));
}

// Value i of the values: element i of the values array (read at index i
// itself), a script variable's array included; empty when there is none.
void ValueAt(const VARIANT& values, long i, Variant* out)
{
    const VARIANT* source = &values;
    if (V_VT(source) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(source)) source = V_VARIANTREF(source);
    SAFEARRAY* array = ArrayOf(*source);
    if (!array || SafeArrayGetDim(array) != 1) return;
    const VARTYPE elementType = V_VT(source) & VT_TYPEMASK;
    if (!HasReadableElements(array, elementType)) throw UnsendableArgument{};
    if (FAILED(ReadArrayElement(array, elementType, i, out))) VariantInit(out->Get());
}

class EnvelopeWriter {
public:
    EnvelopeWriter(ISoapSerializer* serializer, BSTR nameSpace)
        : serializer_(serializer), nameSpace_(HasText(nameSpace) ? nameSpace : nullptr),
          prefix_(nameSpace_ ? kArgumentPrefix : nullptr)
    {
    }

    void Begin(BSTR webMethod)
    {
        serializer_->startEnvelope(prefixEnvelope_.Get(), nullptr, nullptr);
        serializer_->startBody(nullptr);
        serializer_->startElement(webMethod, nameSpace_, nullptr, prefix_.Get());
    }

    void Argument(const char* name, const VARIANT& value)
    {
        const Bstr elementName(WideFromAnsi(name));
        serializer_->startElement(elementName.Get(), nameSpace_, nullptr, prefix_.Get());
        if (SAFEARRAY* array = ArrayOf(value))
            ArrayChildren(array, V_VT(&value) & VT_TYPEMASK);
        else if (V_VT(&value) == VT_BSTR)
            serializer_->writeString(V_BSTR(&value));
        else
            serializer_->writeString(TextOf(value).Get());
        serializer_->endElement();
    }

    void End()
    {
        serializer_->endElement();
        serializer_->endBody();
        serializer_->endEnvelope();
    }

private:
    // One child per element, named by the element's XML-schema type and begun
    // without a prefix (the serializer generates one when there is a namespace).
    void ArrayChildren(SAFEARRAY* array, VARTYPE elementType)
    {
        long lower = 0, upper = -1;
        if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
            FAILED(SafeArrayGetUBound(array, 1, &upper)))
            return;
        if (!HasReadableElements(array, elementType)) throw UnsendableArgument{};
        for (long index = lower; index <= upper; ++index) {
            Variant element;
            if (FAILED(ReadArrayElement(array, elementType, index, &element))) continue;
            const Bstr typeName(SchemaTypeName(V_VT(element.Get())));
            serializer_->startElement(typeName.Get(), nameSpace_, nullptr, nullptr);
            serializer_->writeString(TextOf(*element).Get());
            serializer_->endElement();
        }
    }

    ISoapSerializer* serializer_;
    BSTR nameSpace_;
    Bstr prefix_;
    Bstr prefixEnvelope_{kEnvelopePrefix};
};

}  // namespace

const wchar_t* SchemaTypeName(VARTYPE type)
{
    switch (type) {
    case VT_I2: return L"short";
    case VT_I4: return L"long";
    case VT_R4: return L"float";
    case VT_R8: return L"double";
    case VT_BOOL: return L"boolean";
    case VT_DECIMAL: return L"decimal";
    case VT_I1: return L"char";
    case VT_UI1: return L"unsignedByte";
    case VT_UI2: return L"unsignedShort";
    case VT_UI4: return L"unsignedInt";
    case VT_INT: return L"long";
    case VT_UINT: return L"unsignedInt";
    default: return L"string";
    }
}

BSTR SoapAction(BSTR nameSpace, BSTR webMethod)
{
    std::wstring action(ViewOf(nameSpace));
    if (!action.empty() && action.back() != L'/') action.push_back(L'/');
    action.append(ViewOf(webMethod));
    return Bstr(action).Detach();
}

void WriteRequestEnvelope(ISoapSerializer* serializer, BSTR nameSpace, BSTR webMethod, const VariantStringList& names,
                          const VARIANT& values)
{
    EnvelopeWriter writer(serializer, nameSpace);
    writer.Begin(webMethod);
    for (long i = 0; i < names.Count(); ++i) {
        if (!names.Name(i)) continue;
        try {
            Variant value;
            ValueAt(values, i, &value);
            writer.Argument(names.Name(i), *value);
        } catch (UnsendableArgument& refused) {
            refused.name = names.Name(i);
            throw;
        }
    }
    writer.End();
}

}  // namespace nvx::facade
