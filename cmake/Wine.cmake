# Wine as the test platform of the Windows builds: a prefix inside the build
# tree, a launcher that runs programs in it, and the emulator that lets ctest
# run the test programs. Each build runs under the Wine of its own bitness:
# the machine's 64-bit Wine, or the 32-bit one that scripts/setup-wine32
# prepares (scripts/i386/wine).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    find_program(NVX_WINE wine PATHS ${CMAKE_SOURCE_DIR}/scripts/i386 NO_DEFAULT_PATH REQUIRED)
    set(prefix_name wineprefix32)
    set(NVX_WINEARCH win32)  # the wineserver makes a new prefix of this kind
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/setup-wine32 --check
                    RESULT_VARIABLE ready ERROR_VARIABLE reason ERROR_STRIP_TRAILING_WHITESPACE)
    if(NOT ready EQUAL 0)
        message(FATAL_ERROR "The 32-bit build shapes its type library and runs its tests under 32-bit Wine. "
                            "${reason}")
    endif()
else()
    find_program(NVX_WINE wine REQUIRED)
    set(prefix_name wineprefix)
    set(NVX_WINEARCH win64)
endif()

# nvx_windows_path(<var> <unix path>): the path as Wine's Z: drive shows it.
function(nvx_windows_path var path)
    string(REPLACE "/" "\\" windows "Z:${path}")
    set(${var} "${windows}" PARENT_SCOPE)
endfunction()

set(NVX_WINEPREFIX ${CMAKE_SOURCE_DIR}/build/${prefix_name} CACHE PATH "Wine prefix of this build and its tests")
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
