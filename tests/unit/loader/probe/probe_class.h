#pragma once
// The class of loader_probe.dll, which no registry knows.
#include <windows.h>

namespace nvx::test {

// {5B0D7C4E-3A61-4F0B-9C2E-8D4A17E6B301}
inline constexpr CLSID kLoaderProbeClass = {
    0x5b0d7c4e, 0x3a61, 0x4f0b, {0x9c, 0x2e, 0x8d, 0x4a, 0x17, 0xe6, 0xb3, 0x01}};
inline constexpr char kLoaderProbeLibrary[] = "loader_probe.dll";

}  // namespace nvx::test
