# nvx_warnings(<target>): the warning level of our own code.
function(nvx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
