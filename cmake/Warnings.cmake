# nvx_warnings(<target>): the warning level of our own code, tests included.
# CI builds (scripts/test) make every warning an error.
option(NVX_WARNINGS_AS_ERRORS "Treat compiler warnings in the project's own code as errors" OFF)

function(nvx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${NVX_WARNINGS_AS_ERRORS}>:-Werror>)
endfunction()
