// The gateway WSDL reader: its own (empty) enumeration, and loads that fetch a
// WSDL through the real gateway and hand it to the toolkit's reader.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "NvxWebSvc.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::test::ServiceUrl;

const char kCacheFile[] = "c:\\temp\\mycache.dat";

ComPtr<IWSDLReader> NewReader()
{
    ComPtr<IWSDLReader> reader;
    reader = nvx::test::CreateInProcess<IWSDLReader>(CLSID_NvxWSDLReader);
    return reader;
}

// The names of the services a loaded reader offers; empty when it offers none.
std::wstring ServiceNames(IWSDLReader* reader)
{
    ComPtr<IEnumWSDLService> services;
    if (FAILED(reader->GetSoapServices(services.GetAddressOf())) || !services) return {};
    std::wstring names;
    for (int guard = 0; guard < 100; ++guard) {
        ComPtr<IWSDLService> service;
        long fetched = 0;
        if (services->Next(1, service.GetAddressOf(), &fetched) != S_OK || !service) break;
        Bstr name;
        service->get_name(name.Put());
        names += std::wstring(name.View()) + L";";
    }
    return names;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TEST(GatewayWsdlReader, AFreshReaderHasNothingToEnumerate)
{
    ComApartment apartment;
    ComPtr<IWSDLReader> reader = NewReader();
    ComPtr<IEnumWSDLService> own;
    ASSERT_HR(S_OK, reader.As(&own));
    IWSDLService* service = reinterpret_cast<IWSDLService*>(0xdeadbeef);
    long fetched = 7;
    EXPECT_HR(S_OK, own->Next(1, &service, &fetched));
    EXPECT_EQ(nullptr, service);
    EXPECT_EQ(0, fetched);
    EXPECT_HR(E_POINTER, own->Next(1, nullptr, &fetched));
    EXPECT_HR(S_OK, own->Skip(3));
    EXPECT_HR(S_OK, own->Reset());
    Bstr name(L"SampleService");
    EXPECT_HR(E_FAIL, own->Find(name.Get(), &service));
    EXPECT_HR(E_POINTER, own->Find(name.Get(), nullptr));
    IEnumWSDLService* clone = nullptr;
    EXPECT_HR(E_NOTIMPL, own->Clone(&clone));
    EXPECT_HR(E_POINTER, own->Clone(nullptr));

    IWSDLPort* port = nullptr;
    IWSDLOperation* operation = nullptr;
    EXPECT_HR(E_NOTIMPL, reader->ParseRequest(nullptr, &port, &operation));
    EXPECT_HR(E_POINTER, reader->ParseRequest(nullptr, nullptr, &operation));
    VARIANT value;
    VariantInit(&value);
    EXPECT_HR(E_NOTIMPL, reader->setProperty(name.Get(), value));
    IEnumWSDLService* services = nullptr;
    EXPECT_HR(E_NOTIMPL, reader->GetSoapServices(&services)) << "nothing loaded yet";
    EXPECT_HR(E_POINTER, reader->GetSoapServices(nullptr));
}

class GatewayWsdlLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string gateway = nvx::test::GatewayAddress();
        ASSERT_FALSE(gateway.empty()) << "the gateway is not running";
        SetEnvironmentVariableA("NXCOMM_GATEWAY", gateway.c_str());
    }
    void TearDown() override { SetEnvironmentVariableA("NXCOMM_GATEWAY", nullptr); }

    ComApartment apartment_;
};

TEST_F(GatewayWsdlLoadTest, TheCallersReaderFetchesOverTheGatewayIntoTheCacheFile)
{
    ComPtr<IComWebSvc> caller;
    caller = nvx::test::CreateInProcess<IComWebSvc>(CLSID_ComWebSvc);
    ASSERT_TRUE(caller);
    caller->put_Timeout(10000);
    ComPtr<IDispatch> handedOut;
    ASSERT_HR(S_OK, caller->get_WSDLReader(&handedOut));
    ComPtr<IWSDLReader> reader;
    ASSERT_HR(S_OK, handedOut.As(&reader));

    const Bstr location(ServiceUrl("sample", L"/?wsdl"));
    const Bstr noWsml(L"");
    ASSERT_HR(S_OK, reader->Load(location.Get(), noWsml.Get()));
    EXPECT_EQ(L"SampleService;", ServiceNames(reader.Get()));

    const std::string cached = FileBytes(kCacheFile);
    EXPECT_NE(std::string::npos, cached.find("SampleService"));
    EXPECT_NE(std::string::npos, cached.find("\r\n")) << "text mode: line feeds are written as CR LF";
    for (size_t at = cached.find('\n'); at != std::string::npos; at = cached.find('\n', at + 1))
        ASSERT_EQ('\r', cached[at - 1]) << "no bare line feed at " << at;

    const char* directory = std::getenv("NVX_SERVICE_DIR");
    ASSERT_NE(nullptr, directory);
    EXPECT_NE(std::string::npos, FileBytes(std::string(directory) + "\\gateway.log").find("?wsdl"))
        << "the WSDL came through the gateway";
}

TEST_F(GatewayWsdlLoadTest, WithoutTheCacheFolderTheLoadSucceedsAndOffersNothing)
{
    ASSERT_TRUE(MoveFileA("c:\\temp", "c:\\temp-moved-away"));
    ComPtr<IWSDLReader> reader = NewReader();
    const Bstr location(ServiceUrl("sample", L"/?wsdl"));
    const Bstr noWsml(L"");
    const HRESULT loaded = reader->Load(location.Get(), noWsml.Get());
    IEnumWSDLService* services = nullptr;
    const HRESULT enumerated = reader->GetSoapServices(&services);
    MoveFileA("c:\\temp-moved-away", "c:\\temp");
    EXPECT_HR(S_OK, loaded);
    EXPECT_HR(E_NOTIMPL, enumerated);
}

// Two readers on two threads load different WSDLs at the same time, again and
// again: each must end up with its own services, never the other's.
TEST_F(GatewayWsdlLoadTest, OverlappingLoadsKeepTheirOwnWsdl)
{
    const struct {
        std::wstring url;
        std::wstring services;
    } loads[] = {
        {ServiceUrl("sample", L"/?wsdl"), L"SampleService;"},
        {ServiceUrl("canned", L"/other"), L"OtherService;"},
    };
    const std::string gateway = nvx::test::GatewayAddress();
    int mixedUp[2] = {0, 0};
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
        threads[t] = std::thread([&, t] {
            SetEnvironmentVariableA("NXCOMM_GATEWAY", gateway.c_str());
            ComApartment apartment;
            for (int round = 0; round < 8; ++round) {
                ComPtr<IWSDLReader> reader = NewReader();
                const Bstr location(loads[t].url);
                const Bstr noWsml(L"");
                reader->Load(location.Get(), noWsml.Get());
                if (ServiceNames(reader.Get()) != loads[t].services) ++mixedUp[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(0, mixedUp[0]);
    EXPECT_EQ(0, mixedUp[1]);
}

}  // namespace
