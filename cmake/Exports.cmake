# nvx_exports(<target> <template.def>)
# A DLL's module definition, written once for both Windows targets: entries
# name their __stdcall argument bytes ("DllCanUnloadNow@0 @1 PRIVATE"). The
# 32-bit build exports the plain name as an alias of the decorated symbol; the
# 64-bit build, which decorates nothing, drops the "@bytes".
function(nvx_exports target template)
    file(READ ${template} text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@([0-9]+)" "\\1=\\1@\\2" text "${text}")
    else()
        string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@[0-9]+" "\\1" text "${text}")
    endif()
    get_filename_component(name ${template} NAME)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${name})
    file(CONFIGURE OUTPUT ${def} CONTENT "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${template})
    target_sources(${target} PRIVATE ${def})
endfunction()
