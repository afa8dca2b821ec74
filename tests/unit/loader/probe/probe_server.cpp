// loader_probe.dll: an in-process server whose class is in no registry, so a
// test can tell creation through the library's own class object from system
// activation.
#include "base/comframe/module.h"
#include "probe_object.h"

namespace nvx::com {
namespace {

// {5B0D7C4E-3A61-4F0B-9C2E-8D4A17E6B3FF}; the probe has no type library.
constexpr GUID kProbeLibrary = {0x5b0d7c4e, 0x3a61, 0x4f0b, {0x9c, 0x2e, 0x8d, 0x4a, 0x17, 0xe6, 0xb3, 0xff}};

ClassEntry g_classes[] = {
    {&test::kLoaderProbeClass, 0, &CreateInstance<test::LoaderProbe>},
};

ServerDescription g_server{&kProbeLibrary, g_classes};

}  // namespace

ServerDescription& ThisServer() { return g_server; }

}  // namespace nvx::com
