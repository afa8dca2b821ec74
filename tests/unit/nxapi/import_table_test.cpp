// The import library links the functions by ordinal, UBlockTotalSize by name:
// this program's own import table shows what the library's will hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "nxapi.h"

namespace nxapi_test {
namespace {

// Ordinals and names this module imports from `dll`.
struct Imports {
    std::map<WORD, int> ordinals;
    std::map<std::string, int> names;
};

Imports ImportsFrom(const char* dll)
{
    Imports imports;
    const auto base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
        for (auto thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
             thunk->u1.AddressOfData != 0; ++thunk) {
            if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
                ++imports.ordinals[static_cast<WORD>(IMAGE_ORDINAL(thunk->u1.Ordinal))];
            else
                ++imports.names[reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name];
        }
    }
    return imports;
}

// Referenced here so that the linker imports every function.
const void* const kEveryFunction[] = {
    reinterpret_cast<const void*>(&UBlockCreate),       reinterpret_cast<const void*>(&UBlockAppend),
    reinterpret_cast<const void*>(&UBlockRewind),       reinterpret_cast<const void*>(&UBlockNextSize),
    reinterpret_cast<const void*>(&UBlockRead),         reinterpret_cast<const void*>(&UBlockLoad),
    reinterpret_cast<const void*>(&UBlockRelease),      reinterpret_cast<const void*>(&UBlockTotalSize),
    reinterpret_cast<const void*>(&GatewayOpen),        reinterpret_cast<const void*>(&GatewaySend),
    reinterpret_cast<const void*>(&GatewaySocket),      reinterpret_cast<const void*>(&GatewayReceive),
    reinterpret_cast<const void*>(&GatewayReceiveWait), reinterpret_cast<const void*>(&GatewayClose),
};

TEST(ImportTableTest, ImportsByOrdinalButUBlockTotalSizeByName)
{
    ASSERT_EQ(14u, std::size(kEveryFunction));
    const Imports imports = ImportsFrom("nxapi.dll");
    const std::map<WORD, int> ordinals = {{2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1},  {7, 1}, {8, 1},
                                          {13, 1}, {18, 1}, {31, 1}, {42, 1}, {43, 1}, {51, 1}};
    EXPECT_EQ(ordinals, imports.ordinals);
    EXPECT_EQ((std::map<std::string, int>{{"UBlockTotalSize", 1}}), imports.names);
}

TEST(ImportTableTest, ExportsEveryFunctionByNameAtItsOrdinal)
{
    const HMODULE module = GetModuleHandleW(L"nxapi.dll");
    ASSERT_NE(nullptr, module);
    const std::pair<const char*, WORD> exports[] = {
        {"UBlockAppend", 2},  {"UBlockRelease", 3},  {"UBlockRewind", 4},    {"UBlockLoad", 5},
        {"UBlockCreate", 6},  {"UBlockRead", 7},     {"UBlockNextSize", 8},  {"GatewayOpen", 13},
        {"GatewayClose", 18}, {"GatewaySocket", 31}, {"GatewayReceive", 42}, {"GatewayReceiveWait", 43},
        {"GatewaySend", 51},
    };
    for (const auto& [name, ordinal] : exports) {
        const FARPROC byName = GetProcAddress(module, name);
        EXPECT_NE(nullptr, byName) << name;
        EXPECT_EQ(byName, GetProcAddress(module, MAKEINTRESOURCEA(ordinal))) << name;
    }
    EXPECT_NE(nullptr, GetProcAddress(module, "UBlockTotalSize"));
}

}  // namespace
}  // namespace nxapi_test
