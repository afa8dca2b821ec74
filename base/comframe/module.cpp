#include "base/comframe/module.h"

#include <vector>

#include "base/comframe/class_factory.h"

namespace nvx::com {
namespace {

struct ModuleState {
    HINSTANCE instance = nullptr;
    LONG lockCount = 0;
    std::mutex typeInfoLock;
    std::mutex classFactoryLock;
    std::mutex shutdownLock;
    std::vector<std::function<void()>> shutdownActions;
};

ModuleState& State()
{
    static ModuleState state;
    return state;
}

}  // namespace

void Module::Attach(HINSTANCE instance) { State().instance = instance; }

void Module::Detach()
{
    ReleaseCachedFactories();
    std::vector<std::function<void()>> actions;
    {
        std::lock_guard<std::mutex> guard(State().shutdownLock);
        actions.swap(State().shutdownActions);
    }
    for (auto action = actions.rbegin(); action != actions.rend(); ++action) (*action)();
}

HINSTANCE Module::Instance() { return State().instance; }
const GUID& Module::LibId() { return *ThisServer().libid; }

LONG Module::Lock() { return InterlockedIncrement(&State().lockCount); }
LONG Module::Unlock() { return InterlockedDecrement(&State().lockCount); }
LONG Module::LockCount() { return InterlockedCompareExchange(&State().lockCount, 0, 0); }

std::mutex& Module::TypeInfoLock() { return State().typeInfoLock; }
std::mutex& Module::ClassFactoryLock() { return State().classFactoryLock; }

void Module::AddShutdownAction(std::function<void()> action)
{
    std::lock_guard<std::mutex> guard(State().shutdownLock);
    State().shutdownActions.push_back(std::move(action));
}

}  // namespace nvx::com
