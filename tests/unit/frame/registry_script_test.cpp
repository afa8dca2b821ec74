// The registry script language, run against a scratch key of the current user.
#include <gtest/gtest.h>

#include "base/comframe/registry_script.h"
#include "registry.h"
#include "test_support.h"

namespace {

using nvx::com::ExpandModulePath;
using nvx::com::kMalformedRegistryScript;
using nvx::com::RegistryMode;
using nvx::com::RunRegistryScript;
using nvx::test::KeyExists;
using nvx::test::StringValue;

const wchar_t kScratch[] = L"Software\\NvxRegistryScriptTest";

class RegistryScriptTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratch); }

    static std::wstring Key(const wchar_t* below) { return std::wstring(kScratch) + L"\\" + below; }
};

const wchar_t kScript[] =
    L"HKCU\r\n{\r\n\tNoRemove Software\r\n\t{\r\n\t\tNvxRegistryScriptTest\r\n\t\t{\r\n"
    L"\t\t\tPlain = s 'it''s plain'\r\n\t\t\t{\r\n\t\t\t\tval Named = s 'value'\r\n\t\t\t\tval Count = d '42'\r\n"
    L"\t\t\t}\r\n\t\t\tNoRemove Kept = s 'kept'\r\n\t\t\tForceRemove {ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D} = s "
    L"'guid'\r\n"
    L"\t\t\t{\r\n\t\t\t\t'Quoted Name' = s 'q'\r\n\t\t\t\tForceRemove "
    L"'Programmable'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n";

TEST_F(RegistryScriptTest, RegistersKeysDefaultAndNamedValues)
{
    ASSERT_HR(S_OK, RunRegistryScript(kScript, RegistryMode::Register));
    EXPECT_EQ(L"it's plain", StringValue(HKEY_CURRENT_USER, Key(L"Plain")));
    EXPECT_EQ(L"value", StringValue(HKEY_CURRENT_USER, Key(L"Plain"), L"Named"));
    DWORD count = 0, size = sizeof count;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, Key(L"Plain").c_str(), L"Count", RRF_RT_REG_DWORD, nullptr,
                                          &count, &size));
    EXPECT_EQ(42u, count);
    const std::wstring guidKey = Key(L"{ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D}");
    EXPECT_EQ(L"guid", StringValue(HKEY_CURRENT_USER, guidKey));
    EXPECT_EQ(L"q", StringValue(HKEY_CURRENT_USER, guidKey + L"\\Quoted Name"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, guidKey + L"\\Programmable"));
}

TEST_F(RegistryScriptTest, ForceRemoveStartsAfresh)
{
    ASSERT_HR(S_OK, RunRegistryScript(kScript, RegistryMode::Register));
    const std::wstring stale = Key(L"{ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D}\\Stale");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, stale.c_str(), &key));
    RegCloseKey(key);
    ASSERT_HR(S_OK, RunRegistryScript(kScript, RegistryMode::Register));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, stale));
}

TEST_F(RegistryScriptTest, UnregistrationKeepsNoRemoveKeysAndForeignData)
{
    ASSERT_HR(S_OK, RunRegistryScript(kScript, RegistryMode::Register));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, Key(L"Plain\\Foreign").c_str(), &key));
    RegCloseKey(key);

    ASSERT_HR(S_OK, RunRegistryScript(kScript, RegistryMode::Unregister));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"Kept")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Key(L"{ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D}")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Key(L"Plain\\Foreign"))) << "a foreign subkey keeps its parent";
    EXPECT_FALSE(StringValue(HKEY_CURRENT_USER, Key(L"Plain"), L"Named").has_value());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

TEST_F(RegistryScriptTest, MalformedScriptsFailAndWriteNothing)
{
    const wchar_t* const malformed[] = {
        L"HKCU { Software { NvxRegistryScriptTest { A = s 'unterminated } } }",
        L"HKCU { Software { NvxRegistryScriptTest { A = x 'bad type' } } }",
        L"HKCU { Software { NvxRegistryScriptTest { A = s 'ok' }",
        L"HKXX { A }",
        L"HKCU { Software { NvxRegistryScriptTest { = s 'no name' } } }",
    };
    for (const wchar_t* script : malformed) {
        EXPECT_HR(kMalformedRegistryScript, RunRegistryScript(script, RegistryMode::Register)) << "script: " << script;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kScratch));
    }
}

TEST(ModulePathExpansion, DoublesSingleQuotes)
{
    EXPECT_EQ(L"InprocServer32 = s 'C:\\it''s\\a.dll' x 'C:\\it''s\\a.dll'",
              ExpandModulePath(L"InprocServer32 = s '%MODULE%' x '%MODULE%'", L"C:\\it's\\a.dll"));
    EXPECT_EQ(L"no token", ExpandModulePath(L"no token", L"C:\\a.dll"));
}

}  // namespace
