# Warnings and sanitizers for the project's own targets.
function(orvex_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(ORVEX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ORVEX_FUZZ)
        # Coverage feedback for our own code; OpenCASCADE itself is not instrumented.
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                               -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    elseif(ORVEX_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()
