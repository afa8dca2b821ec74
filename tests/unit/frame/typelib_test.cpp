// The type library embedded in NvxWebSvc.dll, read back through ITypeLib and
// ITypeInfo: every fact clients bind to.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "NvxWebSvc.h"
#include "test_support.h"

namespace {

using nvx::test::ComApartment;

struct LibraryFixture : ::testing::Test {
    void SetUp() override
    {
        const std::wstring path = nvx::test::ProgramDirectory() + L"NvxWebSvc.dll";
        ASSERT_HR(S_OK, LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library));
    }
    void TearDown() override
    {
        if (library) library->Release();
    }

    ITypeInfo* Type(const wchar_t* name)
    {
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            ITypeInfo* info = nullptr;
            library->GetTypeInfo(i, &info);
            BSTR found = nullptr;
            info->GetDocumentation(MEMBERID_NIL, &found, nullptr, nullptr, nullptr);
            const bool match = found && std::wstring(found) == name;
            SysFreeString(found);
            if (match) return info;
            info->Release();
        }
        ADD_FAILURE() << "no type description named " << std::string(name, name + wcslen(name));
        return nullptr;
    }

    ComApartment apartment;
    ITypeLib* library = nullptr;
};

std::wstring Text(BSTR text)
{
    std::wstring value = text ? text : L"";
    SysFreeString(text);
    return value;
}

std::wstring HelpString(ITypeInfo* info, MEMBERID member)
{
    BSTR doc = nullptr;
    info->GetDocumentation(member, nullptr, &doc, nullptr, nullptr);
    return Text(doc);
}

TEST_F(LibraryFixture, LibraryAttributes)
{
    TLIBATTR* attr = nullptr;
    ASSERT_HR(S_OK, library->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_NVXWEBSVCLib, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    EXPECT_EQ(0u, attr->lcid);
    EXPECT_EQ(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, attr->syskind);
    EXPECT_EQ(0, attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE) << "no library flags of its own";
    library->ReleaseTLibAttr(attr);

    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    DWORD context = 1;
    ASSERT_HR(S_OK, library->GetDocumentation(-1, &name, &doc, &context, &helpFile));
    EXPECT_EQ(L"NVXWEBSVCLib", Text(name));
    EXPECT_EQ(L"Norvexa COM/WebService", Text(doc));
    EXPECT_EQ(L"", Text(helpFile));
    EXPECT_EQ(0u, context);
}

TEST_F(LibraryFixture, SeventeenTypeDescriptionsInOrder)
{
    const struct {
        const wchar_t* name;
        TYPEKIND kind;
    } expected[] = {
        {L"ComWebSvc", TKIND_COCLASS},
        {L"INvxTracer", TKIND_INTERFACE},
        {L"IComWebSvc", TKIND_DISPATCH},
        {L"_HTTPCOMPRESSION_", TKIND_ENUM},
        {L"_SOAPTRANSPORT_", TKIND_ENUM},
        {L"NvxHTTPConnector", TKIND_COCLASS},
        {L"INvxHTTPConnector", TKIND_DISPATCH},
        {L"NvxWSDLReader", TKIND_COCLASS},
        {L"INvxWSDLReader", TKIND_DISPATCH},
        {L"NvxUBlockStream", TKIND_COCLASS},
        {L"INvxUBlockStream", TKIND_INTERFACE},
        {L"IStream", TKIND_INTERFACE},
        {L"ISequentialStream", TKIND_INTERFACE},
        {L"_LARGE_INTEGER", TKIND_RECORD},
        {L"_ULARGE_INTEGER", TKIND_RECORD},
        {L"tagSTATSTG", TKIND_RECORD},
        {L"_FILETIME", TKIND_RECORD},
    };
    ASSERT_EQ(std::size(expected), library->GetTypeInfoCount());
    for (UINT i = 0; i < std::size(expected); ++i) {
        BSTR name = nullptr;
        DWORD context = 1;
        library->GetDocumentation(i, &name, nullptr, &context, nullptr);
        EXPECT_EQ(expected[i].name, Text(name)) << "type " << i;
        EXPECT_EQ(0u, context);
        TYPEKIND kind;
        library->GetTypeInfoType(i, &kind);
        EXPECT_EQ(expected[i].kind, kind) << "type " << i;

        ITypeInfo* info = nullptr;
        library->GetTypeInfo(i, &info);
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_EQ(0, attr->wMajorVerNum);
        EXPECT_EQ(0, attr->wMinorVerNum);
        info->ReleaseTypeAttr(attr);
        ITypeInfo2* info2 = nullptr;
        if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) {
            CUSTDATA custom{};
            info2->GetAllCustData(&custom);
            EXPECT_EQ(0u, custom.cCustData) << "no custom data on type " << i;
            ClearCustData(&custom);
            info2->Release();
        }
        info->Release();
    }
}

TEST_F(LibraryFixture, EnumerationsAndTheirHelpStrings)
{
    static_assert(sizeof(_HTTPCOMPRESSION_) == 4 && sizeof(_SOAPTRANSPORT_) == 4, "4-byte int members");
    const struct {
        const wchar_t* type;
        const wchar_t* member;
        int value;
        const wchar_t* help;
    } expected[] = {
        {L"_HTTPCOMPRESSION_", L"None", 0, L"No Compression (*DEFAULT*)"},
        {L"_HTTPCOMPRESSION_", L"GZip", 1, L"GZIP Compression"},
        {L"_SOAPTRANSPORT_", L"SoapOverNXComm", 0, L"Norvexa NXComm Protocol (*DEFAULT*)"},
        {L"_SOAPTRANSPORT_", L"SoapOverHTTP", 1, L"Standard SOAP/HTTP"},
    };
    for (const auto& row : expected) {
        ITypeInfo* info = Type(row.type);
        ASSERT_NE(nullptr, info);
        const UINT index = static_cast<UINT>(row.value);
        VARDESC* var = nullptr;
        ASSERT_HR(S_OK, info->GetVarDesc(index, &var));
        EXPECT_EQ(0x40000000 + row.value, var->memid);
        EXPECT_EQ(VAR_CONST, var->varkind);
        const VARTYPE type = V_VT(var->lpvarValue);
        EXPECT_TRUE(type == VT_I4 || type == VT_INT) << type;
        EXPECT_EQ(row.value, V_I4(var->lpvarValue));
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(var->memid, &name, 1, &count);
        EXPECT_EQ(row.member, Text(name));
        EXPECT_EQ(row.help, HelpString(info, var->memid));
        info->ReleaseVarDesc(var);
        info->Release();
    }
}

struct MemberRow {
    const wchar_t* type;
    UINT slot;  // vtable slot of the member, counted over the whole vtable
    const wchar_t* name;
    INVOKEKIND kind;
    MEMBERID dispid;
    std::vector<const wchar_t*> parameterNames;  // after the member name
    std::vector<USHORT> parameterFlags;
    SHORT optionalCount;
    const wchar_t* help;
};

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr USHORT kOpt = PARAMFLAG_FOPT;

const std::vector<MemberRow>& Members()
{
    static const std::vector<MemberRow> rows = {
        {L"INvxTracer",
         3,
         L"OutputFile",
         INVOKE_PROPERTYGET,
         0x60010000,
         {L"pVal"},
         {kRetval},
         0,
         L"property OutputFile"},
        {L"INvxTracer", 4, L"OutputFile", INVOKE_PROPERTYPUT, 0x60010000, {}, {kIn}, 0, L"property OutputFile"},
        {L"IComWebSvc", 7, L"Compression", INVOKE_PROPERTYGET, 1, {L"pVal"}, {kRetval}, 0, L"property Compression"},
        {L"IComWebSvc", 8, L"Compression", INVOKE_PROPERTYPUT, 1, {}, {kIn}, 0, L"property Compression"},
        {L"IComWebSvc", 9, L"NameSpace", INVOKE_PROPERTYGET, 2, {L"pVal"}, {kRetval}, 0, L"property NameSpace"},
        {L"IComWebSvc", 10, L"NameSpace", INVOKE_PROPERTYPUT, 2, {}, {kIn}, 0, L"property NameSpace"},
        {L"IComWebSvc",
         11,
         L"SoapTransportProtocol",
         INVOKE_PROPERTYGET,
         3,
         {L"pVal"},
         {kRetval},
         0,
         L"property SoapTransportProtocol"},
        {L"IComWebSvc",
         12,
         L"SoapTransportProtocol",
         INVOKE_PROPERTYPUT,
         3,
         {},
         {kIn},
         0,
         L"property SoapTransportProtocol"},
        {L"IComWebSvc", 13, L"Timeout", INVOKE_PROPERTYGET, 4, {L"pVal"}, {kRetval}, 0, L"property Timout"},
        {L"IComWebSvc", 14, L"Timeout", INVOKE_PROPERTYPUT, 4, {}, {kIn}, 0, L"property Timout"},
        {L"IComWebSvc", 15, L"WSDLReader", INVOKE_PROPERTYGET, 5, {L"pVal"}, {kRetval}, 0, L"property WSDLReader"},
        {L"IComWebSvc",
         16,
         L"Execute",
         INVOKE_PROPERTYGET,
         6,
         {L"EndPointURL", L"WebMethod", L"ArgNames", L"ArgValues", L"pVal"},
         {0, 0, kOpt, kOpt, kRetval},
         2,
         L"property Execute"},
        {L"IComWebSvc",
         17,
         L"Execute2",
         INVOKE_PROPERTYGET,
         7,
         {L"EndPointURL", L"WebMethod", L"ArgNames", L"ArgValues", L"pVal"},
         {0, 0, kOpt, kOpt, kRetval},
         2,
         L"property Execute2"},
        {L"IComWebSvc",
         18,
         L"Execute3",
         INVOKE_PROPERTYGET,
         8,
         {L"EndPointURL", L"WebMethod", L"ArgNames", L"ArgValues", L"pVal"},
         {0, 0, kOpt, kOpt, kRetval},
         2,
         L"property Execute3"},
        {L"IComWebSvc",
         19,
         L"AnonymousCall",
         INVOKE_PROPERTYGET,
         9,
         {L"WSDLFile", L"Method", L"ArgNames", L"ArgValues", L"pVal"},
         {0, 0, 0, 0, kRetval},
         0,
         L"property AnonymousCall"},
        {L"IComWebSvc",
         20,
         L"UseDefaultProxy",
         INVOKE_PROPERTYGET,
         10,
         {L"pVal"},
         {kRetval},
         0,
         L"property UseDefaultProxy"},
        {L"IComWebSvc", 21, L"UseDefaultProxy", INVOKE_PROPERTYPUT, 10, {}, {kIn}, 0, L"property UseDefaultProxy"},
        {L"INvxHTTPConnector",
         7,
         L"XMLResponse",
         INVOKE_PROPERTYGET,
         1,
         {L"pVal"},
         {kRetval},
         0,
         L"property XMLResponse"},
        {L"INvxHTTPConnector", 8, L"Request", INVOKE_PROPERTYPUT, 2, {}, {kIn}, 0, L"property Request"},
        {L"INvxWSDLReader", 7, L"Compression", INVOKE_PROPERTYPUT, 1, {}, {kIn}, 0, L"property Compression"},
        {L"INvxWSDLReader", 8, L"Timeout", INVOKE_PROPERTYPUT, 2, {}, {kIn}, 0, L"property Timeout"},
        {L"INvxUBlockStream",
         14,
         L"NXCommBuffer",
         INVOKE_PROPERTYGET,
         0x60030000,
         {L"pVal"},
         {kRetval},
         0,
         L"property NXCommBuffer"},
        {L"INvxUBlockStream", 15, L"Timeout", INVOKE_PROPERTYPUT, 0x60030001, {}, {kIn}, 0, L"property Timeout"},
        {L"INvxUBlockStream",
         16,
         L"NXCommBufferWithHTTPHeader",
         INVOKE_PROPERTYGET,
         0x60030002,
         {L"pVal"},
         {kRetval},
         0,
         L"property NXCommBufferWithHTTPHeader"},
        {L"ISequentialStream", 3, L"RemoteRead", INVOKE_FUNC, 0x60010000, {L"pv", L"cb", L"pcbRead"}, {}, 0, L""},
        {L"ISequentialStream", 4, L"RemoteWrite", INVOKE_FUNC, 0x60010001, {L"pv", L"cb", L"pcbWritten"}, {}, 0, L""},
        {L"IStream",
         5,
         L"RemoteSeek",
         INVOKE_FUNC,
         0x60020000,
         {L"dlibMove", L"dwOrigin", L"plibNewPosition"},
         {},
         0,
         L""},
        {L"IStream", 12, L"Stat", INVOKE_FUNC, 0x60020007, {L"pstatstg", L"grfStatFlag"}, {}, 0, L""},
        {L"IStream", 13, L"Clone", INVOKE_FUNC, 0x60020008, {L"ppstm"}, {}, 0, L""},
    };
    return rows;
}

// The vtable side of an interface: for a dual interface, its interface part.
ITypeInfo* VtableSide(ITypeInfo* info)
{
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    const bool dispatch = attr->typekind == TKIND_DISPATCH;
    info->ReleaseTypeAttr(attr);
    if (!dispatch) return info;
    HREFTYPE href = 0;
    ITypeInfo* vtable = nullptr;
    if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &href))) info->GetRefTypeInfo(href, &vtable);
    info->Release();
    return vtable;
}

TEST_F(LibraryFixture, MembersSlotsDispidsParametersAndHelpStrings)
{
    for (const auto& row : Members()) {
        SCOPED_TRACE(std::string(row.type, row.type + wcslen(row.type)) + "." +
                     std::string(row.name, row.name + wcslen(row.name)));
        ITypeInfo* info = VtableSide(Type(row.type));
        ASSERT_NE(nullptr, info);
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        const FUNCDESC* found = nullptr;
        FUNCDESC* function = nullptr;
        for (UINT i = 0; i < attr->cFuncs && !found; ++i) {
            info->GetFuncDesc(i, &function);
            if (function->oVft == static_cast<SHORT>(row.slot * sizeof(void*)))
                found = function;
            else
                info->ReleaseFuncDesc(function);
        }
        info->ReleaseTypeAttr(attr);
        ASSERT_NE(nullptr, found) << "no member in slot " << row.slot;

        EXPECT_EQ(row.dispid, found->memid);
        EXPECT_EQ(row.kind, found->invkind);
        EXPECT_EQ(CC_STDCALL, found->callconv);
        EXPECT_EQ(row.optionalCount, found->cParamsOpt);
        for (size_t p = 0; p < row.parameterFlags.size() && p < static_cast<size_t>(found->cParams); ++p)
            EXPECT_EQ(row.parameterFlags[p], found->lprgelemdescParam[p].paramdesc.wParamFlags) << "parameter " << p;

        BSTR names[8] = {};
        UINT count = 0;
        info->GetNames(found->memid, names, 8, &count);
        std::vector<std::wstring> actual;
        for (UINT i = 0; i < count; ++i) actual.push_back(Text(names[i]));
        ASSERT_FALSE(actual.empty());
        EXPECT_EQ(row.name, actual[0]);
        if (row.kind != INVOKE_PROPERTYPUT) {
            std::vector<std::wstring> expectedNames(row.parameterNames.begin(), row.parameterNames.end());
            EXPECT_EQ(expectedNames, std::vector<std::wstring>(actual.begin() + 1, actual.end()));
        }
        EXPECT_EQ(row.help, HelpString(info, found->memid));
        info->ReleaseFuncDesc(function);
        info->Release();
    }
}

// Clients call a member at the vtable offset its library records, counted in
// the caller's pointers: in both libraries the module carries, every member
// of every interface fills one of the slots that end its vtable.
TEST(TypeLibraryLayout, EveryMemberSitsInASlotOfThisBuildsPointerSize)
{
    ComApartment apartment;
    for (const wchar_t* module : {L"NvxWebSvc.dll", L"mssoap1.dll"}) {
        ITypeLib* library = nullptr;
        ASSERT_HR(S_OK, LoadTypeLibEx((nvx::test::ProgramDirectory() + module).c_str(), REGKIND_NONE, &library));
        UINT interfaces = 0;
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            ITypeInfo* info = nullptr;
            library->GetTypeInfo(i, &info);
            info = VtableSide(info);
            if (!info) continue;  // a dispinterface has no vtable of its own
            TYPEATTR* attr = nullptr;
            info->GetTypeAttr(&attr);
            std::vector<size_t> offsets;
            for (UINT f = 0; attr->typekind == TKIND_INTERFACE && f < attr->cFuncs; ++f) {
                FUNCDESC* function = nullptr;
                info->GetFuncDesc(f, &function);
                offsets.push_back(static_cast<size_t>(function->oVft));
                info->ReleaseFuncDesc(function);
            }
            std::sort(offsets.begin(), offsets.end());
            const size_t end = attr->cbSizeVft;
            for (size_t k = 0; k < offsets.size(); ++k)
                EXPECT_EQ(end - (offsets.size() - k) * sizeof(void*), offsets[k]) << "type " << i << ", member " << k;
            EXPECT_EQ(0u, end % sizeof(void*)) << "type " << i;
            interfaces += attr->typekind == TKIND_INTERFACE ? 1 : 0;
            info->ReleaseTypeAttr(attr);
            info->Release();
        }
        EXPECT_LT(0u, interfaces);
        library->Release();
    }
}

TEST_F(LibraryFixture, InterfaceAttributes)
{
    const struct {
        const wchar_t* name;
        const IID* iid;
        bool dual;
        UINT slots;
        const wchar_t* help;
    } expected[] = {
        {L"INvxTracer", &IID_INvxTracer, false, 5, L"INvxTracer Interface"},
        {L"IComWebSvc", &IID_IComWebSvc, true, 22, L"IComWebSvc Interface"},
        {L"INvxHTTPConnector", &IID_INvxHTTPConnector, true, 9, L"INvxHTTPConnector Interface"},
        {L"INvxWSDLReader", &IID_INvxWSDLReader, true, 9, L"INvxWSDLReader Interface"},
        {L"INvxUBlockStream", &IID_INvxUBlockStream, false, 17, L"INvxUBlockStream Interface"},
    };
    for (const auto& row : expected) {
        ITypeInfo* info = Type(row.name);
        ASSERT_NE(nullptr, info);
        EXPECT_EQ(row.help, HelpString(info, MEMBERID_NIL));
        info = VtableSide(info);
        ASSERT_NE(nullptr, info);
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_TRUE(IsEqualGUID(*row.iid, attr->guid));
        EXPECT_EQ(row.slots * sizeof(void*), attr->cbSizeVft);
        const WORD automation = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION;
        EXPECT_EQ(row.dual ? automation : 0, attr->wTypeFlags & automation);
        info->ReleaseTypeAttr(attr);
        info->Release();
    }
}

TEST_F(LibraryFixture, CoclassesAndTheirDefaultInterfaces)
{
    const struct {
        const wchar_t* name;
        const CLSID* clsid;
        std::vector<std::pair<const wchar_t*, int>> interfaces;
        const wchar_t* help;
    } expected[] = {
        {L"ComWebSvc",
         &CLSID_ComWebSvc,
         {{L"INvxTracer", 0}, {L"IComWebSvc", IMPLTYPEFLAG_FDEFAULT}},
         L"ComWebSvc Class"},
        {L"NvxHTTPConnector",
         &CLSID_NvxHTTPConnector,
         {{L"INvxHTTPConnector", IMPLTYPEFLAG_FDEFAULT}},
         L"NvxHTTPConnector Class"},
        {L"NvxWSDLReader", &CLSID_NvxWSDLReader, {{L"INvxWSDLReader", IMPLTYPEFLAG_FDEFAULT}}, L"NvxWSDLReader Class"},
        {L"NvxUBlockStream",
         &CLSID_NvxUBlockStream,
         {{L"INvxUBlockStream", IMPLTYPEFLAG_FDEFAULT}},
         L"NvxUBlockStream Class"},
    };
    for (const auto& row : expected) {
        ITypeInfo* info = Type(row.name);
        ASSERT_NE(nullptr, info);
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_TRUE(IsEqualGUID(*row.clsid, attr->guid));
        EXPECT_EQ(TYPEFLAG_FCANCREATE, attr->wTypeFlags);
        ASSERT_EQ(row.interfaces.size(), attr->cImplTypes);
        info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < row.interfaces.size(); ++i) {
            HREFTYPE href = 0;
            ITypeInfo* implemented = nullptr;
            info->GetRefTypeOfImplType(i, &href);
            info->GetRefTypeInfo(href, &implemented);
            BSTR name = nullptr;
            implemented->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
            EXPECT_EQ(row.interfaces[i].first, Text(name));
            INT flags = -1;
            info->GetImplTypeFlags(i, &flags);
            EXPECT_EQ(row.interfaces[i].second, flags);
            implemented->Release();
        }
        EXPECT_EQ(row.help, HelpString(info, MEMBERID_NIL));
        info->Release();
    }
}

TEST_F(LibraryFixture, StreamRecords)
{
    const struct {
        const wchar_t* name;
        std::vector<const wchar_t*> fields;
        ULONG size;
        WORD alignment;
    } expected[] = {
        {L"_LARGE_INTEGER", {L"QuadPart"}, 8, 8},
        {L"_ULARGE_INTEGER", {L"QuadPart"}, 8, 8},
        {L"tagSTATSTG",
         {L"pwcsName", L"type", L"cbSize", L"mtime", L"ctime", L"atime", L"grfMode", L"grfLocksSupported", L"clsid",
          L"grfStateBits", L"reserved"},
         sizeof(STATSTG),
         8},
        {L"_FILETIME", {L"dwLowDateTime", L"dwHighDateTime"}, 8, 4},
    };
    for (const auto& row : expected) {
        ITypeInfo* info = Type(row.name);
        ASSERT_NE(nullptr, info);
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_EQ(row.size, attr->cbSizeInstance);
        EXPECT_EQ(row.alignment, attr->cbAlignment);
        ASSERT_EQ(row.fields.size(), attr->cVars);
        info->ReleaseTypeAttr(attr);
        for (UINT i = 0; i < row.fields.size(); ++i) {
            VARDESC* var = nullptr;
            info->GetVarDesc(i, &var);
            BSTR name = nullptr;
            UINT count = 0;
            info->GetNames(var->memid, &name, 1, &count);
            EXPECT_EQ(row.fields[i], Text(name));
            EXPECT_EQ(L"", HelpString(info, var->memid));
            info->ReleaseVarDesc(var);
        }
        info->Release();
    }
}

}  // namespace
