#include "runtime/nxapi/channel_registry.h"

#include <windows.h>

#include <mutex>
#include <unordered_map>

namespace nxapi {

namespace {

using Channels = std::unordered_map<DWORD, std::shared_ptr<Channel>>;

std::mutex registryMutex;
// Made on first use and freed when the DLL is unloaded, never by a static
// destructor: at process exit the sockets go with the process, and closing
// them then could only wait on threads that are already gone.
Channels* registry = nullptr;

}  // namespace

std::shared_ptr<Channel> ChannelOfThisThread()
{
    const std::lock_guard lock(registryMutex);
    if (!registry) registry = new Channels;
    std::shared_ptr<Channel>& channel = (*registry)[GetCurrentThreadId()];
    if (!channel) channel = std::make_shared<Channel>();
    return channel;
}

void ForgetThisThread()
{
    std::shared_ptr<Channel> ending;  // closed after the lock is let go
    {
        const std::lock_guard lock(registryMutex);
        if (!registry) return;
        const auto found = registry->find(GetCurrentThreadId());
        if (found == registry->end()) return;
        ending = std::move(found->second);
        registry->erase(found);
    }
    // A handle may keep the channel beyond its thread; a receive the thread
    // posted ends with it.
    ending->StopReceiving();
}

void ForgetAllThreads()
{
    Channels* ending = nullptr;
    {
        const std::lock_guard lock(registryMutex);
        std::swap(ending, registry);
    }
    delete ending;
}

}  // namespace nxapi
