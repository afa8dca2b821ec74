// Self-registration against the registry of the test prefix.
#include <gtest/gtest.h>

#include <string>

#include "NvxWebSvc.h"
#include "registry.h"
#include "server_module.h"
#include "test_support.h"

namespace {

using nvx::test::KeyExists;
using nvx::test::ServerModule;
using nvx::test::StringValue;

struct ClassKeys {
    const wchar_t* clsid;
    const wchar_t* progId;
    const wchar_t* description;
};

const ClassKeys kRegistered[] = {
    {L"{ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D}", L"NvxWebSvc.ComWebSvc", L"Norvexa COM/WebService"},
    {L"{7D912330-6A96-4F38-80D8-A85FB5A60F1B}", L"NvxWebSvc.NvxHTTPConnector", L"NvxHTTPConnector Class"},
    {L"{1527567B-D925-4E3D-A3DF-707D7DA34722}", L"NvxWebSvc.NvxWSDLReader", L"NvxWSDLReader Class"},
    {L"{E8B716EB-176B-4BEC-9338-1DA308260FC6}", L"NvxWebSvc.NvxUBlockStream", L"NvxUBlockStream Class"},
};

const wchar_t* const kScriptOnly[] = {
    L"{A1052DA5-C0A1-466A-974A-18A7B6BDAF3A}",
    L"{68634923-0D77-45C1-A10E-BB4270BE05F5}",
    L"{43CD6EDE-7B57-4C3F-A334-7F5F0E265EA6}",
    L"{F84032EB-C091-4E93-A626-1FF1C05BB1F6}",
};

const wchar_t kTypeLibKey[] = L"TypeLib\\{041B07CC-EA06-4FB1-B32C-5A4B1E2E5708}\\1.0";

std::wstring ClassKey(const wchar_t* clsid) { return std::wstring(L"CLSID\\") + clsid; }

// Every test leaves the library registered from the build directory, as the
// other tests expect.
class RegistrationTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_HR(S_OK, module_.RegisterServer()); }

    std::wstring ModulePath() const { return nvx::test::ProgramDirectory() + L"NvxWebSvc.dll"; }

    ServerModule module_;
};

TEST_F(RegistrationTest, RegistersTheFourClassesTheirProgIdsAndTheTypeLibrary)
{
    ASSERT_HR(S_OK, module_.RegisterServer());
    for (const auto& keys : kRegistered) {
        const std::wstring clsidKey = ClassKey(keys.clsid);
        const std::wstring progId = keys.progId;
        EXPECT_EQ(keys.description, StringValue(HKEY_CLASSES_ROOT, clsidKey));
        EXPECT_EQ(progId + L".1", StringValue(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID"));
        EXPECT_EQ(progId, StringValue(HKEY_CLASSES_ROOT, clsidKey + L"\\VersionIndependentProgID"));
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, clsidKey + L"\\Programmable"));
        EXPECT_EQ(ModulePath(), StringValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32"));
        EXPECT_EQ(L"Apartment", StringValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel"));
        EXPECT_EQ(L"{041B07CC-EA06-4FB1-B32C-5A4B1E2E5708}", StringValue(HKEY_CLASSES_ROOT, clsidKey + L"\\TypeLib"));
        EXPECT_EQ(keys.clsid, StringValue(HKEY_CLASSES_ROOT, progId + L".1\\CLSID"));
        EXPECT_EQ(keys.clsid, StringValue(HKEY_CLASSES_ROOT, progId + L"\\CLSID"));
        EXPECT_EQ(progId + L".1", StringValue(HKEY_CLASSES_ROOT, progId + L"\\CurVer"));
    }
    for (const wchar_t* clsid : kScriptOnly) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(clsid)));
    EXPECT_EQ(L"Norvexa COM/WebService", StringValue(HKEY_CLASSES_ROOT, kTypeLibKey));
}

TEST_F(RegistrationTest, UnregistrationRemovesTheClassesButKeepsTheClsidKey)
{
    ASSERT_HR(S_OK, module_.RegisterServer());
    EXPECT_HR(S_OK, module_.UnregisterServer());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    for (const auto& keys : kRegistered) {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(keys.clsid)));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(keys.progId) + L".1"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, keys.progId));
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    EXPECT_HR(S_OK, module_.UnregisterServer()) << "unregistering twice is harmless";
}

// DllInstall keeps its ordinal after the seven original exports and takes
// "user" in any case; any other command line is refused before it changes a key.
TEST_F(RegistrationTest, InstallRefusesCommandLinesOtherThanUser)
{
    using InstallFn = HRESULT(WINAPI*)(BOOL, LPCWSTR);
    const auto install = reinterpret_cast<InstallFn>(reinterpret_cast<void*>(module_.Export("DllInstall")));
    ASSERT_NE(nullptr, install);
    EXPECT_EQ(reinterpret_cast<void*>(install),
              reinterpret_cast<void*>(GetProcAddress(module_.Handle(), MAKEINTRESOURCEA(8))));
    ASSERT_HR(S_OK, module_.UnregisterServer());
    for (const wchar_t* refused : {L"machine", L"users", L"user ", L"/user"}) {
        EXPECT_HR(E_INVALIDARG, install(TRUE, refused));
        EXPECT_HR(E_INVALIDARG, install(FALSE, refused));
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(kRegistered[0].clsid)));
}

TEST_F(RegistrationTest, ModulePathWithASingleQuoteIsWrittenWhole)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring directory = std::wstring(temp) + L"nvx o'quote";
    CreateDirectoryW(directory.c_str(), nullptr);
    const std::wstring copy = directory + L"\\NvxWebSvc.dll";
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), copy.c_str(), FALSE));
    {
        ServerModule quoted(copy);
        ASSERT_TRUE(quoted.Loaded());
        ASSERT_HR(S_OK, quoted.RegisterServer());
        EXPECT_EQ(copy, StringValue(HKEY_CLASSES_ROOT, ClassKey(kRegistered[0].clsid) + L"\\InprocServer32"));
    }
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(directory.c_str());
}

}  // namespace
