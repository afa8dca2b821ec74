#pragma once
// Interface pointers are held in Microsoft::WRL::ComPtr everywhere: its
// ReleaseAndGetAddressOf() releases before an out-parameter is filled.
#include <wrl/client.h>

namespace nvx {
using Microsoft::WRL::ComPtr;
}
