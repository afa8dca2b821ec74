#pragma once
// Names the serializer lets into a message.
#include <string_view>

namespace nvx::soaptk {

// An XML name without a colon (a "non-colonized name"): what a local name and a
// namespace prefix must be. Checked on whole Unicode characters, so names may
// use any script, including characters outside the Basic Multilingual Plane.
bool IsNcName(std::wstring_view name);

}  // namespace nvx::soaptk
