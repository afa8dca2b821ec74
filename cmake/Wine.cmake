# Wine as the test platform of the Windows builds: a prefix inside the build
# tree, a launcher that runs programs in it, and the emulator that lets ctest
# run the test programs.
find_program(NVX_WINE wine REQUIRED)

# nvx_windows_path(<var> <unix path>): the path as Wine's Z: drive shows it.
function(nvx_windows_path var path)
    string(REPLACE "/" "\\" windows "Z:${path}")
    set(${var} "${windows}" PARENT_SCOPE)
endfunction()

# One prefix serves both Windows builds (the 32-bit build only needs Wine to
# shape its type library).
set(NVX_WINEPREFIX ${CMAKE_SOURCE_DIR}/build/wineprefix CACHE PATH "Wine prefix of the builds and tests")
set(NVX_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
nvx_windows_path(NVX_WINE_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${NVX_WINE_RUN}
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${NVX_WINE_RUN})

# The prefix is made once per build tree; c:\temp is where the WSDL cache lives.
set(NVX_WINEPREFIX_STAMP ${NVX_WINEPREFIX}/.nvx-ready)
add_custom_command(
    OUTPUT ${NVX_WINEPREFIX_STAMP}
    COMMAND ${NVX_WINE_RUN} wineboot -i
    COMMAND ${CMAKE_COMMAND} -E make_directory ${NVX_WINEPREFIX}/drive_c/temp
    COMMAND ${CMAKE_COMMAND} -E touch ${NVX_WINEPREFIX_STAMP}
    COMMENT "Creating the Wine prefix"
    VERBATIM)
add_custom_target(wineprefix ALL DEPENDS ${NVX_WINEPREFIX_STAMP})
