#pragma once
// The arguments of a late-bound call, as the request will carry them: one per
// input part, in the part's XML-schema lexical form, or as markup for a part
// of complex type.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

struct ArgumentValue {
    enum class Kind {
        Empty,  // omitted (VT_EMPTY, a missing optional argument): an empty element
        Nil,    // VT_NULL: an element marked xsi:nil
        Text,
        Markup,  // the content of a complex part (see ComplexContent), written as it is
    };
    Kind kind = Kind::Empty;
    std::wstring text;
};

// Reads the positional arguments of `parameters` (last argument first, as
// IDispatch::Invoke has them) for the operation's inputs, by value or by
// reference. Arguments may be left off at the end down to the last part that
// is required (minOccurs above 0); they count as omitted.
//   DISP_E_NONAMEDARGS   named arguments were given
//   DISP_E_BADPARAMCOUNT more arguments than inputs, or too few
//   DISP_E_TYPEMISMATCH  a value that the part's type cannot take (*argumentError
//                        is then its index in the argument array); a complex
//                        part takes what ComplexContent takes
//   DISP_E_OVERFLOW      a number beyond the part's type (*argumentError as above)
HRESULT ReadCallArguments(const DISPPARAMS& parameters, const std::vector<PartDescription>& inputs,
                          std::vector<ArgumentValue>* values, UINT* argumentError);

}  // namespace nvx::soaptk
