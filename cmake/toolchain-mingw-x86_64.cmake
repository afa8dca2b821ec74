# 64-bit Windows: the build whose tests run under Wine here.
set(NVX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(NVX_WIDL_TARGET --win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
