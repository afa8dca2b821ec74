#pragma once
// The toolkit's enumerations over the WSDL model (services, ports,
// operations, parts): one class for the four interfaces, which have the same
// shape. The items are made once by their parent and shared by every
// enumeration and clone handed out over them.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/comframe/object.h"
#include "base/common/com_boundary.h"
#include "base/common/com_ptr.h"
#include "base/common/text.h"

namespace nvx::soaptk {

// One element of an enumeration, with the name that Find matches exactly.
template <class Element>
struct NamedObject {
    std::wstring name;
    ComPtr<Element> object;
};

template <class EnumInterface, class Element>
class ModelEnumeration : public EnumInterface, public com::ObjectRoot<ModelEnumeration<EnumInterface, Element>> {
public:
    using Item = NamedObject<Element>;
    using Items = std::shared_ptr<const std::vector<Item>>;
    using PrimaryInterface = EnumInterface;

    static std::span<const com::InterfaceEntry<ModelEnumeration>> Interfaces()
    {
        static const com::InterfaceEntry<ModelEnumeration> table[] = {
            {&__uuidof(EnumInterface), &com::ViewAs<ModelEnumeration, EnumInterface>},
        };
        return table;
    }

    // A new enumeration over `items`, its cursor at `cursor`.
    static HRESULT Create(Items items, size_t cursor, EnumInterface** out)
    {
        ComPtr<EnumInterface> created(new com::PlainObject<ModelEnumeration>());
        ModelEnumeration* self = static_cast<ModelEnumeration*>(created.Get());
        self->items_ = std::move(items);
        self->cursor_ = cursor;
        *out = created.Detach();
        return S_OK;
    }

    virtual ~ModelEnumeration() = default;

    // Hands out at most one element, whatever `count` asks for: S_OK with
    // one, S_FALSE with none when the end is reached. `fetched` may be null.
    IFACEMETHODIMP Next(long count, Element** element, long* fetched) override
    {
        if (fetched) *fetched = 0;
        if (!element) return E_POINTER;
        *element = nullptr;
        if (count < 1) return E_INVALIDARG;
        if (cursor_ >= items_->size()) return S_FALSE;
        (*element = (*items_)[cursor_++].object.Get())->AddRef();
        if (fetched) *fetched = 1;
        return S_OK;
    }

    // S_FALSE when fewer than `count` elements were left to skip.
    IFACEMETHODIMP Skip(long count) override
    {
        if (count < 0) return E_INVALIDARG;
        const size_t left = items_->size() - cursor_;
        const size_t skipped = std::min<size_t>(left, static_cast<size_t>(count));
        cursor_ += skipped;
        return skipped == static_cast<size_t>(count) ? S_OK : S_FALSE;
    }

    IFACEMETHODIMP Reset() override
    {
        cursor_ = 0;
        return S_OK;
    }

    IFACEMETHODIMP Clone(EnumInterface** clone) override
    {
        if (!clone) return E_POINTER;
        *clone = nullptr;
        return ComBoundary([&] { return Create(items_, cursor_, clone); });
    }

    // The first element with exactly this name, wherever the cursor stands;
    // E_FAIL when there is none.
    IFACEMETHODIMP Find(BSTR name, Element** element) override
    {
        if (!element) return E_POINTER;
        *element = nullptr;
        for (const Item& item : *items_) {
            if (item.name == ViewOf(name)) {
                (*element = item.object.Get())->AddRef();
                return S_OK;
            }
        }
        return E_FAIL;
    }

private:
    Items items_;
    size_t cursor_ = 0;
};

// Hands out an enumeration over a parent's children, making the children on
// the first request: `make(std::vector<Item>&)` fills the list.
template <class EnumInterface, class Element, class Make>
HRESULT EnumerateChildren(typename ModelEnumeration<EnumInterface, Element>::Items& children, Make&& make,
                          EnumInterface** out)
{
    using Enumeration = ModelEnumeration<EnumInterface, Element>;
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComBoundary([&]() -> HRESULT {
        if (!children) {
            auto made = std::make_shared<std::vector<typename Enumeration::Item>>();
            const HRESULT hr = make(*made);
            if (FAILED(hr)) return hr;
            children = std::move(made);
        }
        return Enumeration::Create(children, 0, out);
    });
}

}  // namespace nvx::soaptk
