#pragma once
// Making the toolkit's objects and looking at what they produce.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/variant.h"
#include "mssoap.h"
#include "test_support.h"

namespace nvx::test {

ComPtr<IStream> NewMemoryStream(std::string_view content = {});
// Everything the stream holds; leaves it positioned at its start.
std::string StreamContent(IStream* stream);
// The stream's size, whatever its position.
ULONGLONG StreamSize(IStream* stream);

// A VARIANT holding the object as VT_UNKNOWN, as the library passes streams.
class UnknownVariant {
public:
    explicit UnknownVariant(IUnknown* object);
    operator VARIANT() const { return *value_; }

private:
    Variant value_;
};

// The text of an MSXML node handed out as IDispatch; "(null)" for none.
std::wstring NodeText(IDispatch* node);

}  // namespace nvx::test
