#pragma once
// Each thread's channel. A thread's channel lives until the thread ends (or
// the DLL is unloaded) and as long as a connection handle refers to it.
#include <memory>

#include "runtime/nxapi/channel.h"

namespace nxapi {

// The calling thread's channel, made on first use.
std::shared_ptr<Channel> ChannelOfThisThread();
// Called as the thread ends.
void ForgetThisThread();
// Called as the DLL is unloaded.
void ForgetAllThreads();

}  // namespace nxapi
