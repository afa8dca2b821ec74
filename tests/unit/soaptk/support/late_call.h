#pragma once
// Calling a toolkit object by name through IDispatch, as script clients do,
// and the WSDL fixture files the tests load.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "variants.h"

namespace nvx::test {

// EXCEPINFO whose strings are freed with it.
class ExceptionInfo {
public:
    ExceptionInfo() : value_{} {}
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo();

    EXCEPINFO* Get() { return &value_; }
    std::wstring Description() const;
    std::wstring Source() const;
    HRESULT Code() const { return value_.scode; }

private:
    EXCEPINFO value_;
};

// Looks `name` up and invokes it as a method with `arguments` in call order
// (laid out last first, as Invoke takes them).
HRESULT CallByName(IDispatch* object, const wchar_t* name, const std::vector<const OwnedVariant*>& arguments,
                   VARIANT* result, ExceptionInfo* exception = nullptr, UINT* argumentError = nullptr);

// The path of a WSDL file of the tests, as Windows sees it.
std::wstring WsdlFixture(const wchar_t* name);

}  // namespace nvx::test
