#pragma once
// The DLL that serves the toolkit's classes; the loader is asked for them by
// this name, also for classes another library implements.

namespace nvx::toolkit {

inline constexpr char kToolkitLibrary[] = "mssoap1.dll";

}  // namespace nvx::toolkit
