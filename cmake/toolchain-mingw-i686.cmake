# 32-bit Windows: the library's primary target, run here under 32-bit Wine.
set(NVX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NVX_WIDL_TARGET --win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
