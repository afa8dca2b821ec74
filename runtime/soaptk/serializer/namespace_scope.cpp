#include "runtime/soaptk/serializer/namespace_scope.h"

namespace nvx::soaptk {
namespace {

constexpr std::wstring_view kGeneratedPrefixStem = L"SOAPSDK";

}  // namespace

// "xml" is bound by definition, in every document, without a declaration.
NamespaceScope::NamespaceScope() { bindings_.push_back({L"xml", std::wstring(kXmlNamespace), 0}); }

void NamespaceScope::EnterElement() { ++depth_; }

void NamespaceScope::LeaveElement()
{
    while (!bindings_.empty() && bindings_.back().depth == depth_) bindings_.pop_back();
    if (depth_ > 0) --depth_;
}

const std::wstring* NamespaceScope::Find(std::wstring_view prefix) const
{
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding)
        if (binding->prefix == prefix) return &binding->uri;
    return nullptr;
}

bool NamespaceScope::FixedHere(std::wstring_view prefix) const
{
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend() && binding->depth == depth_; ++binding)
        if (binding->prefix == prefix) return true;
    return false;
}

void NamespaceScope::Bind(std::wstring_view prefix, std::wstring_view uri)
{
    bindings_.push_back({std::wstring(prefix), std::wstring(uri), depth_});
}

std::wstring NamespaceScope::GeneratedPrefix(std::wstring_view uri, bool* inScope) const
{
    // Each binding can block at most one candidate, so this ends within
    // bindings_.size() + 1 rounds.
    for (size_t number = 1;; ++number) {
        std::wstring prefix = std::wstring(kGeneratedPrefixStem) + std::to_wstring(number);
        const std::wstring* bound = Find(prefix);
        if (!bound || *bound == uri) {
            *inScope = bound != nullptr;
            return prefix;
        }
    }
}

}  // namespace nvx::soaptk
