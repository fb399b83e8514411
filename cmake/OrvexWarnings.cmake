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
    if(ORVEX_TSAN)
        # OpenCASCADE is not instrumented: races inside it are only seen where our code or
        # its inline headers touch the memory (see tests/tsan.supp).
        target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=thread)
    endif()
endfunction()
