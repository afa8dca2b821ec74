#include "runtime/soaptk/client/call_arguments.h"

#include <oleauto.h>

#include "base/common/variant.h"
#include "runtime/soaptk/client/complex_argument.h"
#include "runtime/soaptk/client/xsd_lexical.h"

namespace nvx::soaptk {
namespace {

// How many arguments a call needs: up to the last part that must appear.
size_t RequiredCount(const std::vector<PartDescription>& inputs)
{
    for (size_t count = inputs.size(); count > 0; --count)
        if (inputs[count - 1].minOccurs > 0) return count;
    return 0;
}

bool IsOmitted(const VARIANT& value)
{
    return value.vt == VT_EMPTY || (value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND);
}

// A value the part's type can take, in that type: strings are read in the
// type's lexical form (the locale plays no part), other values converted as
// automation converts them.
HRESULT TextForPart(VARIANT& value, const PartDescription& part, std::wstring* text)
{
    if (part.variantType == VT_BSTR || value.vt == part.variantType) return XsdTextOf(value, text);
    Variant typed;
    HRESULT hr = value.vt == VT_BSTR ? ValueFromXsdText(std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal)),
                                                        part.variantType, typed.Get())
                                     : VariantChangeTypeEx(typed.Get(), &value, LOCALE_INVARIANT, 0, part.variantType);
    if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    return XsdTextOf(*typed, text);
}

HRESULT ReadArgument(const VARIANT& argument, const PartDescription& part, ArgumentValue* value)
{
    // By reference, possibly to a VARIANT that holds the value by reference
    // again; VariantCopyInd takes one level, the VARIANT reference another.
    const VARIANT& outer = argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal ? *argument.pvarVal : argument;
    Variant direct;
    // VariantCopyInd only reads its source, whatever its signature says.
    if (FAILED(VariantCopyInd(direct.Get(), const_cast<VARIANT*>(&outer)))) return DISP_E_TYPEMISMATCH;
    if (IsOmitted(*direct)) {
        value->kind = ArgumentValue::Kind::Empty;
        return S_OK;
    }
    if (direct->vt == VT_NULL) {
        value->kind = ArgumentValue::Kind::Nil;
        return S_OK;
    }
    if (part.variantType == VT_DISPATCH) {
        value->kind = ArgumentValue::Kind::Markup;
        return ComplexContent(*direct, part, &value->text);
    }
    value->kind = ArgumentValue::Kind::Text;
    return TextForPart(*direct, part, &value->text);
}

}  // namespace

HRESULT ReadCallArguments(const DISPPARAMS& parameters, const std::vector<PartDescription>& inputs,
                          std::vector<ArgumentValue>* values, UINT* argumentError)
{
    if (parameters.cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    const size_t given = parameters.cArgs;
    if (given > inputs.size() || given < RequiredCount(inputs)) return DISP_E_BADPARAMCOUNT;
    if (given != 0 && !parameters.rgvarg) return E_INVALIDARG;
    values->assign(inputs.size(), ArgumentValue{});
    for (size_t index = 0; index < given; ++index) {
        const UINT position = static_cast<UINT>(given - 1 - index);
        const HRESULT hr = ReadArgument(parameters.rgvarg[position], inputs[index], &(*values)[index]);
        if (FAILED(hr)) {
            if (argumentError) *argumentError = position;
            return hr;
        }
    }
    return S_OK;
}

}  // namespace nvx::soaptk
