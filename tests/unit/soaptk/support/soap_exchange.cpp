#include "soap_exchange.h"

#include <gtest/gtest.h>

#include "base/common/bstr.h"
#include "base/common/variant.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace nvx::test {
namespace {

Bstr B(const wchar_t* text) { return Bstr(text); }

}  // namespace

SoapExchange::SoapExchange()
    : connector_(CreateInProcess<ISoapConnector>(CLSID_HttpConnector)),
      serializer_(CreateInProcess<ISoapSerializer>(CLSID_SoapSerializer)),
      reader_(CreateInProcess<ISoapReader>(CLSID_SoapReader))
{
}

HRESULT SoapExchange::Set(const wchar_t* property, const std::wstring& value)
{
    Variant text;
    text->vt = VT_BSTR;
    text->bstrVal = Bstr(value).Detach();
    return connector_->put_Property(B(property).Get(), *text);
}

void SoapExchange::WriteRequest(const wchar_t* method,
                                const std::vector<std::pair<const wchar_t*, std::wstring>>& arguments)
{
    ASSERT_HR(S_OK, connector_->BeginMessage());
    ComPtr<IStream> request;
    ASSERT_HR(S_OK, connector_->get_InputStream(&request));
    ASSERT_HR(S_OK, serializer_->Init(UnknownVariant(request.Get())));
    ASSERT_HR(S_OK, serializer_->startEnvelope(B(L"soap").Get(), nullptr, nullptr));
    ASSERT_HR(S_OK, serializer_->startBody(nullptr));
    ASSERT_HR(S_OK, serializer_->startElement(B(method).Get(), B(kSampleNamespace).Get(), nullptr, B(L"xs").Get()));
    for (const auto& [name, value] : arguments) {
        ASSERT_HR(S_OK, serializer_->startElement(B(name).Get(), B(kSampleNamespace).Get(), nullptr, B(L"xs").Get()));
        ASSERT_HR(S_OK, serializer_->writeString(Bstr(value).Get()));
        ASSERT_HR(S_OK, serializer_->endElement());
    }
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endBody());
    ASSERT_HR(S_OK, serializer_->endEnvelope());
}

void SoapExchange::WriteRaw(const std::string& body)
{
    ASSERT_HR(S_OK, connector_->BeginMessage());
    ComPtr<IStream> request;
    ASSERT_HR(S_OK, connector_->get_InputStream(&request));
    ULONG written = 0;
    ASSERT_HR(S_OK, request->Write(body.data(), static_cast<ULONG>(body.size()), &written));
}

HRESULT SoapExchange::Send() { return connector_->EndMessage(); }

std::string SoapExchange::Answer()
{
    ComPtr<IStream> answer;
    EXPECT_HR(S_OK, connector_->get_OutputStream(&answer));
    return answer ? StreamContent(answer.Get()) : std::string();
}

bool SoapExchange::ReaderAccepts()
{
    ComPtr<IStream> answer;
    EXPECT_HR(S_OK, connector_->get_OutputStream(&answer));
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_HR(S_OK, reader_->Load(UnknownVariant(answer.Get()), nullptr, &ok));
    return ok == VARIANT_TRUE;
}

}  // namespace nvx::test
