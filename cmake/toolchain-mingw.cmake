# Cross build for Windows with the posix thread model MinGW-w64 compilers (the
# win32 thread model of GCC 12 lacks std::mutex and std::thread). Included by
# the per-architecture toolchain files, which set NVX_MINGW_TRIPLE,
# CMAKE_SYSTEM_PROCESSOR and NVX_WIDL_TARGET.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${NVX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NVX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NVX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NVX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything links statically against the MinGW runtime, so the DLLs and test
# programs depend on system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
