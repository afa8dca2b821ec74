# Interface definitions through widl.
#
# nvx_idl(<target> IDL <file> [NORMALIZE <TypeName>...])
#   Generates the C++ declarations (<name>.h) and interface ids (<name>_i.c)
#   into a static library <target> whose users include "<name>.h", and the type
#   library <name>.tlb, whose path is the target property NVX_TYPELIB.
#   With NORMALIZE the type library is rewritten (under Wine) into exactly the
#   given order of type descriptions; see tools/typelib/normalize.cpp.

find_program(NVX_WIDL ${NVX_MINGW_TRIPLE}-widl REQUIRED)
find_program(NVX_MINGW64_CXX x86_64-w64-mingw32-g++-posix REQUIRED)
set(NVX_WIDL_INCLUDE /usr/include/wine/wine/windows)
set(NVX_WIDL_LIBPATH /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# The normalizer runs under the 64-bit Wine whatever this build's target is.
set(NVX_TYPELIB_NORMALIZE ${CMAKE_BINARY_DIR}/tools/typelib-normalize.exe)
set(NVX_TYPELIB_NORMALIZE_SOURCE ${CMAKE_SOURCE_DIR}/tools/typelib/normalize.cpp)
add_custom_command(
    OUTPUT ${NVX_TYPELIB_NORMALIZE}
    COMMAND ${NVX_MINGW64_CXX} -std=c++20 -O1 -Wall -Wextra -static
            -o ${NVX_TYPELIB_NORMALIZE} ${NVX_TYPELIB_NORMALIZE_SOURCE} -lole32 -loleaut32 -luuid
    DEPENDS ${NVX_TYPELIB_NORMALIZE_SOURCE}
    COMMENT "Building the type library normalizer"
    VERBATIM)
add_custom_target(typelib_normalize DEPENDS ${NVX_TYPELIB_NORMALIZE})

function(nvx_idl target)
    cmake_parse_arguments(ARG "" "IDL" "NORMALIZE" ${ARGN})
    get_filename_component(idl ${ARG_IDL} ABSOLUTE)
    get_filename_component(base ${idl} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/idl)
    set(header ${out}/${base}.h)
    set(iids ${out}/${base}_i.c)
    set(widl_tlb ${out}/${base}.widl.tlb)
    set(tlb ${out}/${base}.tlb)
    set(widl ${NVX_WIDL} ${NVX_WIDL_TARGET} -I${NVX_WIDL_INCLUDE} -L${NVX_WIDL_LIBPATH})

    add_custom_command(
        OUTPUT ${header} ${iids} ${widl_tlb}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
        COMMAND ${widl} -h -o ${header} ${idl}
        COMMAND ${widl} -u -o ${iids} ${idl}
        COMMAND ${widl} -t -o ${widl_tlb} ${idl}
        DEPENDS ${idl}
        COMMENT "widl ${base}.idl"
        VERBATIM)

    if(ARG_NORMALIZE)
        add_custom_command(
            OUTPUT ${tlb}
            COMMAND ${NVX_WINE_RUN} ${NVX_TYPELIB_NORMALIZE} Z:${widl_tlb} Z:${tlb} ${ARG_NORMALIZE}
            DEPENDS ${widl_tlb} ${NVX_TYPELIB_NORMALIZE} ${NVX_WINEPREFIX_STAMP}
            COMMENT "Normalizing ${base}.tlb"
            VERBATIM)
    else()
        add_custom_command(
            OUTPUT ${tlb}
            COMMAND ${CMAKE_COMMAND} -E copy ${widl_tlb} ${tlb}
            DEPENDS ${widl_tlb}
            VERBATIM)
    endif()

    add_custom_target(${target}_tlb DEPENDS ${tlb})
    if(ARG_NORMALIZE)
        add_dependencies(${target}_tlb typelib_normalize wineprefix)
    endif()
    add_library(${target} STATIC ${iids} ${header})
    target_include_directories(${target} PUBLIC ${out})
    add_dependencies(${target} ${target}_tlb)
    set_target_properties(${target} PROPERTIES NVX_TYPELIB ${tlb} NVX_TYPELIB_DIR ${out})
endfunction()
