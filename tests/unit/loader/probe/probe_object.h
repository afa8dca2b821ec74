#pragma once
// The one class of loader_probe.dll: an unregistered class that only the
// library's own class object can make. It reports its class through IPersist.
#include <windows.h>
#include <ocidl.h>

#include <span>

#include "base/comframe/object.h"
#include "probe_class.h"

namespace nvx::test {

class LoaderProbe : public IPersist, public com::ObjectRoot<LoaderProbe> {
public:
    using PrimaryInterface = IPersist;
    static std::span<const com::InterfaceEntry<LoaderProbe>> Interfaces()
    {
        static const com::InterfaceEntry<LoaderProbe> table[] = {
            {&IID_IPersist, &com::ViewAs<LoaderProbe, IPersist>},
        };
        return table;
    }
    virtual ~LoaderProbe() = default;

    IFACEMETHODIMP GetClassID(CLSID* clsid) override
    {
        if (!clsid) return E_POINTER;
        *clsid = kLoaderProbeClass;
        return S_OK;
    }
};

}  // namespace nvx::test
