# Interface definitions through widl.
#
# nvx_idl(<target> IDL <file> [NORMALIZE <TypeName>...])
#   Generates the C++ declarations (<name>.h) and interface ids (<name>_i.c)
#   into a static library <target> whose users include "<name>.h", and the type
#   library <name>.tlb, whose path is the target property NVX_TYPELIB.
#   With NORMALIZE the type library is rewritten (under Wine) into exactly the
#   given order of type descriptions; see tools/typelib/normalize.cpp.

find_program(NVX_WIDL ${NVX_MINGW_TRIPLE}-widl REQUIRED)
set(NVX_WIDL_INCLUDE /usr/include/wine/wine/windows)
set(NVX_WIDL_LIBPATH /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)

# The platform's type library writer lays vtables out with the pointers of the
# process it runs in, so the normalizer is a program of this build, run under
# this build's Wine.
add_executable(typelib_normalize ${CMAKE_SOURCE_DIR}/tools/typelib/normalize.cpp)
target_link_libraries(typelib_normalize PRIVATE ole32 oleaut32 uuid)
set_target_properties(typelib_normalize PROPERTIES OUTPUT_NAME typelib-normalize
                                                   RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
nvx_warnings(typelib_normalize)

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
            COMMAND ${NVX_WINE_RUN} $<TARGET_FILE:typelib_normalize> Z:${widl_tlb} Z:${tlb} ${ARG_NORMALIZE}
            DEPENDS ${widl_tlb} typelib_normalize ${NVX_WINEPREFIX_STAMP}
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
