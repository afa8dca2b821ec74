// The WSDL reader and its object model: what it makes of hand-written WSDL
// in the common styles, where it loads from, what it refuses, and how its
// enumerations behave.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "capture_server.h"
#include "late_call.h"
#include "mssoap.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::WsdlFixture;

constexpr int kMaxElements = 1000;

template <class Object, class Getter>
std::wstring Text(Object* object, Getter getter)
{
    Bstr text;
    EXPECT_HR(S_OK, (object->*getter)(text.Put()));
    return std::wstring(text.View());
}

// Every element an enumeration yields, read with Next(1) as the library does.
template <class Element, class Enumeration>
std::vector<ComPtr<Element>> All(Enumeration* enumeration)
{
    std::vector<ComPtr<Element>> elements;
    for (int i = 0; enumeration && i < kMaxElements; ++i) {
        ComPtr<Element> element;
        long fetched = -1;
        const HRESULT hr = enumeration->Next(1, &element, &fetched);
        if (hr != S_OK) {
            EXPECT_HR(S_FALSE, hr);
            EXPECT_EQ(element, nullptr);
            EXPECT_EQ(fetched, 0);
            break;
        }
        EXPECT_EQ(fetched, 1);
        elements.push_back(element);
    }
    return elements;
}

template <class Element>
std::vector<std::wstring> NamesOf(const std::vector<ComPtr<Element>>& elements)
{
    std::vector<std::wstring> names;
    for (const auto& element : elements) names.push_back(Text(element.Get(), &Element::get_name));
    return names;
}

ComPtr<IWSDLReader> NewReader() { return nvx::test::CreateInProcess<IWSDLReader>(CLSID_WSDLReader); }

std::vector<ComPtr<IWSDLService>> ServicesAt(const std::wstring& location)
{
    ComPtr<IWSDLReader> reader = NewReader();
    ComPtr<IEnumWSDLService> services;
    EXPECT_HR(S_OK, reader->Load(Bstr(location).Get(), Bstr(L"").Get()));
    EXPECT_HR(S_OK, reader->GetSoapServices(&services));
    return All<IWSDLService>(services.Get());
}

std::vector<ComPtr<IWSDLPort>> PortsOf(IWSDLService* service)
{
    ComPtr<IEnumWSDLPorts> ports;
    EXPECT_HR(S_OK, service->GetSoapPorts(&ports));
    return All<IWSDLPort>(ports.Get());
}

std::vector<ComPtr<IWSDLOperation>> OperationsOf(IWSDLPort* port)
{
    ComPtr<IEnumWSDLOperations> operations;
    EXPECT_HR(S_OK, port->GetSoapOperations(&operations));
    return All<IWSDLOperation>(operations.Get());
}

std::vector<ComPtr<ISoapMapper>> PartsOf(IWSDLOperation* operation)
{
    ComPtr<IEnumSoapMappers> parts;
    EXPECT_HR(S_OK, operation->GetOperationParts(&parts));
    return All<ISoapMapper>(parts.Get());
}

// The operation of that name in the first port of the first service.
ComPtr<IWSDLOperation> OperationAt(const std::wstring& location, const wchar_t* name)
{
    const auto services = ServicesAt(location);
    if (services.empty()) return nullptr;
    const auto ports = PortsOf(services.front().Get());
    if (ports.empty()) return nullptr;
    ComPtr<IEnumWSDLOperations> operations;
    EXPECT_HR(S_OK, ports.front()->GetSoapOperations(&operations));
    ComPtr<IWSDLOperation> operation;
    EXPECT_HR(S_OK, operations->Find(Bstr(name).Get(), &operation));
    return operation;
}

struct ExpectedPart {
    const wchar_t* name;
    VARTYPE type;
    const wchar_t* typeName;
    const wchar_t* xmlNamespace;
    long minOccurs;
    long input;
    long callIndex;
};

void ExpectParts(IWSDLOperation* operation, const std::vector<ExpectedPart>& expected)
{
    ASSERT_TRUE(operation);
    const auto parts = PartsOf(operation);
    std::wstring names;
    for (const auto& part : parts) names += Text(part.Get(), &ISoapMapper::get_elementName) + L" ";
    ASSERT_EQ(parts.size(), expected.size()) << std::string(names.begin(), names.end());
    for (size_t index = 0; index < parts.size(); ++index) {
        const ExpectedPart& want = expected[index];
        ISoapMapper* part = parts[index].Get();
        SCOPED_TRACE(testing::Message() << "part " << index);
        EXPECT_EQ(Text(part, &ISoapMapper::get_elementName), want.name);
        EXPECT_EQ(Text(part, &ISoapMapper::get_elementType), want.typeName);
        EXPECT_EQ(Text(part, &ISoapMapper::get_xmlNameSpace), want.xmlNamespace);
        long number = -99;
        EXPECT_HR(S_OK, part->get_variantType(&number));
        EXPECT_EQ(number, want.type);
        EXPECT_HR(S_OK, part->get_minOccurs(&number));
        EXPECT_EQ(number, want.minOccurs);
        EXPECT_HR(S_OK, part->get_isInput(&number));
        EXPECT_EQ(number, want.input);
        EXPECT_HR(S_OK, part->get_callIndex(&number));
        EXPECT_EQ(number, want.callIndex);
        VARIANT_BOOL complex = 7;
        EXPECT_HR(S_OK, part->get_isComplex(&complex));
        EXPECT_EQ(complex, want.type == VT_DISPATCH ? VARIANT_TRUE : VARIANT_FALSE);
    }
}

class WsdlReaderTest : public ::testing::Test {
protected:
    nvx::test::ComApartment apartment_;
};

TEST_F(WsdlReaderTest, ReadsAWrappedDocumentLiteralService)
{
    const auto services = ServicesAt(WsdlFixture(L"aspnet_wrapped.wsdl"));
    ASSERT_EQ(NamesOf(services), std::vector<std::wstring>{L"Inventory"});
    EXPECT_EQ(Text(services[0].Get(), &IWSDLService::get_documentation), L"Items in stock.");
    // The SOAP 1.2 port is no port of this reader.
    const auto ports = PortsOf(services[0].Get());
    ASSERT_EQ(NamesOf(ports), std::vector<std::wstring>{L"InventorySoap"});
    IWSDLPort* port = ports[0].Get();
    EXPECT_EQ(Text(port, &IWSDLPort::get_address), L"http://127.0.0.1:9/inventory.asmx");
    EXPECT_EQ(Text(port, &IWSDLPort::get_bindStyle), L"document");
    EXPECT_EQ(Text(port, &IWSDLPort::get_transport), L"http://schemas.xmlsoap.org/soap/http");

    const auto operations = OperationsOf(port);
    ASSERT_EQ(NamesOf(operations), (std::vector<std::wstring>{L"UpdateItem", L"HelloWorld", L"Ping"}));
    IWSDLOperation* update = operations[0].Get();
    EXPECT_EQ(Text(update, &IWSDLOperation::get_soapAction), L"http://example.org/inventory/UpdateItem");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_style), L"document");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_documentation), L"Stores an item.");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_inputNamespace), L"http://example.org/inventory/");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_inputElement), L"UpdateItem");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_outputNamespace), L"http://example.org/inventory/");
    EXPECT_EQ(Text(update, &IWSDLOperation::get_outputElement), L"UpdateItemResponse");
    ExpectParts(operations[1].Get(),
                {{L"HelloWorldResult", VT_BSTR, L"string", L"http://example.org/inventory/", 0, 0, -1}});
    ExpectParts(operations[2].Get(), {});
}

TEST_F(WsdlReaderTest, MapsSchemaTypesToVariantTypes)
{
    constexpr wchar_t kInventory[] = L"http://example.org/inventory/";
    ExpectParts(OperationAt(WsdlFixture(L"aspnet_wrapped.wsdl"), L"UpdateItem").Get(),
                {
                    {L"id", VT_I4, L"int", kInventory, 1, 1, 1},
                    {L"big", VT_I8, L"long", kInventory, 1, 1, 2},
                    {L"small", VT_I2, L"short", kInventory, 1, 1, 3},
                    {L"ratio", VT_R8, L"double", kInventory, 1, 1, 4},
                    {L"weight", VT_R4, L"float", kInventory, 1, 1, 5},
                    {L"active", VT_BOOL, L"boolean", kInventory, 1, 1, 6},
                    {L"price", VT_DECIMAL, L"decimal", kInventory, 1, 1, 7},
                    {L"when", VT_DATE, L"dateTime", kInventory, 1, 1, 8},
                    {L"note", VT_BSTR, L"string", kInventory, 0, 1, 9},
                    {L"day", VT_BSTR, L"date", kInventory, 0, 1, 10},
                    {L"code", VT_BSTR, L"Code", kInventory, 0, 1, 11},
                    {L"level", VT_I4, L"Level", kInventory, 0, 1, 12},
                    {L"colour", VT_I2, L"", kInventory, 0, 1, 13},
                    {L"Item", VT_DISPATCH, L"ItemType", L"http://example.org/catalog/", 0, 1, 14},
                    {L"extra", VT_DISPATCH, L"anyType", kInventory, 0, 1, 15},
                    {L"local", VT_BSTR, L"string", L"", 0, 1, 16},
                    {L"UpdateItemResult", VT_DISPATCH, L"", kInventory, 0, 0, -1},
                });
}

TEST_F(WsdlReaderTest, ReadsAnRpcService)
{
    const std::wstring location = WsdlFixture(L"rpc_style.wsdl");
    const ComPtr<IWSDLOperation> multiply = OperationAt(location, L"Multiply");
    ASSERT_TRUE(multiply);
    EXPECT_EQ(Text(multiply.Get(), &IWSDLOperation::get_style), L"rpc");
    EXPECT_EQ(Text(multiply.Get(), &IWSDLOperation::get_soapAction), L"urn:calc#Multiply");
    EXPECT_EQ(Text(multiply.Get(), &IWSDLOperation::get_inputNamespace), L"urn:calc");
    EXPECT_EQ(Text(multiply.Get(), &IWSDLOperation::get_inputElement), L"Multiply");
    EXPECT_EQ(Text(multiply.Get(), &IWSDLOperation::get_outputElement), L"MultiplyResponse");
    ExpectParts(multiply.Get(), {{L"x", VT_I4, L"int", L"", 1, 1, 1},
                                 {L"y", VT_R8, L"double", L"", 1, 1, 2},
                                 {L"return", VT_R8, L"double", L"", 1, 0, -1}});
    ExpectParts(OperationAt(location, L"Label").Get(), {{L"text", VT_BSTR, L"string", L"", 1, 1, 1},
                                                        {L"stamp", VT_DATE, L"dateTime", L"", 1, 1, 2},
                                                        {L"label", VT_BSTR, L"string", L"", 1, 0, -1}});
}

TEST_F(WsdlReaderTest, KeepsEveryServiceAndPortThatOffersAnOperation)
{
    const auto services = ServicesAt(WsdlFixture(L"two_services.wsdl"));
    ASSERT_EQ(NamesOf(services), (std::vector<std::wstring>{L"First", L"Second"}));
    const auto first = PortsOf(services[0].Get());
    const auto second = PortsOf(services[1].Get());
    ASSERT_EQ(NamesOf(first), (std::vector<std::wstring>{L"A", L"B"}));
    ASSERT_EQ(NamesOf(second), std::vector<std::wstring>{L"C"});
    const struct {
        IWSDLPort* port;
        const wchar_t* address;
    } cases[] = {{first[0].Get(), L"http://127.0.0.1:9/a"},
                 {first[1].Get(), L"http://127.0.0.1:9/b"},
                 {second[0].Get(), L"http://127.0.0.1:9/c"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.port, &IWSDLPort::get_address), c.address);
        EXPECT_EQ(NamesOf(OperationsOf(c.port)), std::vector<std::wstring>{L"Echo"});
    }
}

TEST_F(WsdlReaderTest, RefusesWhatIsNoReadableWsdl)
{
    const std::wstring locations[] = {
        WsdlFixture(L"broken.wsdl"),
        WsdlFixture(L"external_entity.wsdl"),
        WsdlFixture(L"not_wsdl.xml"),
        WsdlFixture(L"missing.wsdl"),
        L"",
        L"http://127.0.0.1:" + std::to_wstring(nvx::test::UnusedPort()) + L"/?wsdl",
    };
    for (const std::wstring& location : locations) {
        SCOPED_TRACE(testing::Message() << std::string(location.begin(), location.end()));
        ComPtr<IWSDLReader> reader = NewReader();
        // A good load first: a failed one must not leave its services behind.
        ASSERT_HR(S_OK, reader->Load(Bstr(WsdlFixture(L"rpc_style.wsdl")).Get(), nullptr));
        EXPECT_TRUE(FAILED(reader->Load(Bstr(location).Get(), nullptr)));
        ComPtr<IEnumWSDLService> services;
        EXPECT_HR(E_UNEXPECTED, reader->GetSoapServices(&services));
        EXPECT_EQ(services, nullptr);
    }
}

TEST_F(WsdlReaderTest, LoadsFromPathsAndUrls)
{
    const std::wstring path = WsdlFixture(L"rpc_style.wsdl");
    wchar_t previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(WsdlFixture(L"").c_str()));
    constexpr wchar_t kCopy[] = L"c:\\temp\\soaptk_wsdl_reader_test.dat";
    ASSERT_TRUE(CreateDirectoryW(L"c:\\temp", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CopyFileW(path.c_str(), kCopy, FALSE));

    const std::wstring locations[] = {path, L"rpc_style.wsdl", L"file:///" + path, kCopy};
    for (const std::wstring& location : locations) {
        SCOPED_TRACE(testing::Message() << std::string(location.begin(), location.end()));
        EXPECT_EQ(NamesOf(ServicesAt(location)), std::vector<std::wstring>{L"CalculatorService"});
    }
    DeleteFileW(kCopy);
    SetCurrentDirectoryW(previous);
}

TEST_F(WsdlReaderTest, FetchesOverHttp)
{
    std::string wsdl = "<definitions xmlns='http://schemas.xmlsoap.org/wsdl/'><service name='Served'/></definitions>";
    nvx::test::CaptureServer server("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                    std::to_string(wsdl.size()) + "\r\nConnection: close\r\n\r\n" + wsdl);
    EXPECT_EQ(NamesOf(ServicesAt(server.Url(L"/service.asmx?WSDL"))), std::vector<std::wstring>{L"Served"});
    const std::string request = server.Request();
    EXPECT_EQ(request.rfind("GET /service.asmx?WSDL HTTP/1.1\r\n", 0), 0u) << request;

    nvx::test::CaptureServer missing("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    ComPtr<IWSDLReader> reader = NewReader();
    EXPECT_HR(MAKE_HRESULT(SEVERITY_ERROR, 25, 404), reader->Load(Bstr(missing.Url(L"/")).Get(), nullptr));
}

TEST_F(WsdlReaderTest, BoundsAFetchByItsTimeout)
{
    if (nvx::test::ServiceUrl("canned").empty()) GTEST_SKIP() << "services not running";
    ComPtr<IWSDLReader> reader = NewReader();
    nvx::Variant timeout;
    timeout->vt = VT_BSTR;
    timeout->bstrVal = SysAllocString(L"500");
    ASSERT_HR(S_OK, reader->setProperty(Bstr(L"timeout").Get(), *timeout));
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(reader->Load(Bstr(nvx::test::ServiceUrl("canned", L"/silent")).Get(), nullptr)));
    // Not a measurement: only that it did not wait for the default 30 s.
    EXPECT_LT(GetTickCount64() - start, 8000u);

    const struct {
        const wchar_t* name;
        nvx::test::OwnedVariant value;
    } refused[] = {
        {L"Timeout", nvx::test::OwnedVariant::I4(0)},
        {L"Timeout", nvx::test::OwnedVariant::String(L"soon")},
        {L"ProxyServer", nvx::test::OwnedVariant::String(L"proxy:80\r\nX: y")},
        {L"NoSuchProperty", nvx::test::OwnedVariant::I4(1)},
    };
    for (const auto& c : refused) EXPECT_HR(E_INVALIDARG, reader->setProperty(Bstr(c.name).Get(), *c.value.Get()));
}

TEST_F(WsdlReaderTest, ReadsTheSampleServicesWsdl)
{
    const std::wstring url = nvx::test::ServiceUrl("sample", L"/?WSDL");
    if (url.empty()) GTEST_SKIP() << "services not running";
    constexpr wchar_t kSample[] = L"http://www.norvexa.com/webservices/";
    ExpectParts(OperationAt(url, L"Describe").Get(), {{L"count", VT_I4, L"int", kSample, 0, 1, 1},
                                                      {L"ratio", VT_R8, L"double", kSample, 0, 1, 2},
                                                      {L"flag", VT_BOOL, L"boolean", kSample, 0, 1, 3},
                                                      {L"when", VT_DATE, L"dateTime", kSample, 0, 1, 4},
                                                      {L"name", VT_BSTR, L"string", kSample, 0, 1, 5},
                                                      {L"DescribeResult", VT_BSTR, L"string", kSample, 0, 0, -1}});
    ExpectParts(OperationAt(url, L"Scale").Get(), {{L"value", VT_I8, L"long", kSample, 1, 1, 1},
                                                   {L"factor", VT_I2, L"short", kSample, 1, 1, 2},
                                                   {L"ScaleResult", VT_I8, L"long", kSample, 0, 0, -1}});
    ExpectParts(OperationAt(url, L"GetTable").Get(), {{L"rows", VT_I4, L"int", kSample, 1, 1, 1},
                                                      {L"GetTableResult", VT_DISPATCH, L"DataSet", kSample, 0, 0, -1}});
    ExpectParts(OperationAt(url, L"Join").Get(), {{L"values", VT_DISPATCH, L"stringArray", kSample, 0, 1, 1},
                                                  {L"JoinResult", VT_BSTR, L"string", kSample, 0, 0, -1}});
}

TEST_F(WsdlReaderTest, EnumeratesLikeTheToolkit)
{
    const auto services = ServicesAt(WsdlFixture(L"two_services.wsdl"));
    ASSERT_EQ(services.size(), 2u);
    ComPtr<IEnumWSDLPorts> ports;
    ASSERT_HR(S_OK, services[0]->GetSoapPorts(&ports));

    ComPtr<IWSDLPort> port;
    EXPECT_HR(E_INVALIDARG, ports->Next(0, &port, nullptr));
    EXPECT_HR(E_POINTER, ports->Next(1, nullptr, nullptr));
    // More than one asked for, one given; the fetched count may be left out.
    ASSERT_HR(S_OK, ports->Next(5, &port, nullptr));
    EXPECT_EQ(Text(port.Get(), &IWSDLPort::get_name), L"A");

    ComPtr<IEnumWSDLPorts> clone;
    ASSERT_HR(S_OK, ports->Clone(&clone));
    EXPECT_HR(S_FALSE, ports->Skip(5));
    EXPECT_EQ(All<IWSDLPort>(ports.Get()).size(), 0u);
    EXPECT_EQ(NamesOf(All<IWSDLPort>(clone.Get())), std::vector<std::wstring>{L"B"});
    EXPECT_HR(S_OK, clone->Reset());
    EXPECT_HR(S_OK, clone->Skip(1));
    EXPECT_EQ(NamesOf(All<IWSDLPort>(clone.Get())), std::vector<std::wstring>{L"B"});

    ComPtr<IWSDLPort> found;
    EXPECT_HR(S_OK, ports->Find(Bstr(L"B").Get(), &found));
    EXPECT_EQ(Text(found.Get(), &IWSDLPort::get_name), L"B");
    EXPECT_HR(E_FAIL, ports->Find(Bstr(L"b").Get(), &found));
    EXPECT_EQ(found, nullptr);

    // Every enumeration hands out the same objects.
    ComPtr<IEnumWSDLPorts> again;
    ASSERT_HR(S_OK, services[0]->GetSoapPorts(&again));
    ComPtr<IWSDLPort> first;
    ASSERT_HR(S_OK, again->Next(1, &first, nullptr));
    EXPECT_EQ(first.Get(), port.Get());
}

TEST_F(WsdlReaderTest, ObjectsOutliveTheirReader)
{
    ComPtr<IWSDLOperation> operation = OperationAt(WsdlFixture(L"rpc_style.wsdl"), L"Multiply");
    ASSERT_TRUE(operation);
    // The reader and every enumeration are gone; the operation still reads.
    EXPECT_EQ(Text(operation.Get(), &IWSDLOperation::get_name), L"Multiply");
    EXPECT_EQ(PartsOf(operation.Get()).size(), 3u);
}

}  // namespace

namespace {

// Public WSDLs of the corpus, each read from its files as it is written
// (imports and includes followed, older schema namespaces, types extended
// from others, QNames whose prefix is declared on the element), and one of
// the 1999 schema draft.
TEST_F(WsdlReaderTest, ReadsTheCorpusAsItIsWritten)
{
    const std::wstring corpus = WsdlFixture(L"..\\..\\..\\fixtures\\corpus\\");
    constexpr wchar_t kQuotes[] = L"http://example.com/stockquote.xsd";
    constexpr wchar_t kTempuri[] = L"http://tempuri.org/";
    constexpr wchar_t kAfip[] = L"http://wsaa.view.sua.dvadac.desein.afip.gov";
    constexpr wchar_t kBar[] = L"http://example.com/bar/xsd";
    constexpr wchar_t kDummy[] = L"http://www.dummy.com/Types";
    const struct {
        std::wstring file;
        const wchar_t* operation;
        std::vector<ExpectedPart> parts;
    } cases[] = {
        {corpus + L"stockquote_header.wsdl",
         L"GetLastTradePrice",
         {{L"tickerSymbol", VT_BSTR, L"string", L"", 1, 1, 1},
          {L"Authentication", VT_DISPATCH, L"", kQuotes, 1, 1, 2},
          {L"Authentication2", VT_DISPATCH, L"", kQuotes, 1, 1, 3},
          {L"price", VT_R4, L"float", L"", 1, 0, -1}}},
        {corpus + L"stockquote_2000.wsdl",
         L"GetLastTradePrice",
         {{L"tickerSymbol", VT_BSTR, L"string", L"", 1, 1, 1}, {L"price", VT_R4, L"float", L"", 1, 0, -1}}},
        {corpus + L"hello_rpc.wsdl",
         L"sayHello",
         {{L"firstName", VT_BSTR, L"string", L"", 1, 1, 1}, {L"greeting", VT_BSTR, L"string", L"", 1, 0, -1}}},
        {corpus + L"asmx_nodes.wsdl", L"GetNodes", {{L"GetNodesResult", VT_DISPATCH, L"Node", kTempuri, 0, 0, -1}}},
        {corpus + L"axis_logincms.wsdl",
         L"loginCms",
         {{L"in0", VT_BSTR, L"string", kAfip, 1, 1, 1}, {L"loginCmsReturn", VT_BSTR, L"string", kAfip, 1, 0, -1}}},
        {corpus + L"axis_rpc_encoded.wsdl",
         L"eOrderRelationUpdateNotify",
         {{L"eOrderRelationUpdateNotifyRequest", VT_DISPATCH, L"EOrderRelationUpdateNotifyReq", L"", 1, 1, 1},
          {L"eOrderRelationUpdateNotifyResponse", VT_DISPATCH, L"EOrderRelationUpdateNotifyRsp", L"", 1, 0, -1}}},
        {corpus + L"gsoap_soap12_rpc.wsdl",
         L"pullFile",
         {{L"params", VT_DISPATCH, L"pullFileParams", L"", 1, 1, 1}, {L"result", VT_BOOL, L"boolean", L"", 1, 0, -1}}},
        {corpus + L"cxf_split\\main.wsdl", L"getLatestVersion", {{L"return", VT_I8, L"long", L"", 0, 0, -1}}},
        {corpus + L"zeep_import\\main.wsdl",
         L"GetLastTradePrice",
         {{L"tickerSymbol", VT_BSTR, L"string", L"", 1, 1, 1},
          {L"account", VT_DISPATCH, L"account", L"", 0, 1, 2},
          {L"country", VT_DISPATCH, L"", kQuotes, 1, 1, 3},
          {L"price", VT_R4, L"float", L"", 1, 0, -1}}},
        {corpus + L"extension_base\\main.wsdl",
         L"fooOp",
         {{L"Name", VT_DISPATCH, L"NameType", kBar, 1, 1, 1}, {L"Name", VT_DISPATCH, L"NameType", kBar, 1, 0, -1}}},
        {corpus + L"xsd_include\\main.wsdl",
         L"Dummy",
         {{L"ID", VT_BSTR, L"IdType", kDummy, 1, 1, 1},
          {L"Name", VT_BSTR, L"NameType", kDummy, 1, 1, 2},
          {L"Result", VT_BSTR, L"DummyList", kDummy, 1, 0, -1}}},
        {corpus + L"wcf_farequote\\main.wsdl",
         L"RetrieveFareQuoteDateRange",
         {{L"RetrieveFareQuoteDateRangeRequest", VT_DISPATCH, L"RetrieveFareQuoteByDateRange", kTempuri, 0, 1, 1},
          {L"RetrieveFareQuoteDateRangeResult", VT_BSTR, L"ViewFareQuote", kTempuri, 0, 0, -1}}},
        {WsdlFixture(L"schema_1999.wsdl"),
         L"getQuote",
         {{L"symbol", VT_BSTR, L"string", L"", 1, 1, 1},
          {L"when", VT_DATE, L"timeInstant", L"", 1, 1, 2},
          {L"count", VT_I4, L"int", L"", 1, 1, 3},
          {L"return", VT_DISPATCH, L"Quote", L"", 1, 0, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.file.begin(), c.file.end()));
        ExpectParts(OperationAt(c.file, c.operation).Get(), c.parts);
    }

    // One port per service: SOAP 1.1 where a service has it beside 1.2.
    const struct {
        std::wstring file;
        const wchar_t* port;
    } ports[] = {{corpus + L"blz_service.wsdl", L"BLZServiceSOAP11port_http"},
                 {corpus + L"asmx_nodes.wsdl", L"Service1Soap"},
                 {corpus + L"gsoap_soap12_rpc.wsdl", L"RpcExample"}};
    for (const auto& c : ports) {
        const auto services = ServicesAt(c.file);
        ASSERT_EQ(services.size(), 1u);
        EXPECT_EQ(NamesOf(PortsOf(services.front().Get())), std::vector<std::wstring>{c.port});
    }
}

}  // namespace
