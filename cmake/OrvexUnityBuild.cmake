# Unity builds: a target's sources compiled in batches, each batch one translation unit, so that
# OpenCASCADE's headers, which nearly every file includes, are parsed once a batch rather than
# once a file. That is most of a cold build's time. A file's helpers in its anonymous namespace
# share the batch with its neighbours' and need names of their own.
option(ORVEX_UNITY_BUILD "Compile the libraries and the program in batches of sources" ON)
set(ORVEX_UNITY_BATCH_SIZE 8 CACHE STRING "Sources in one batch of a unity build")

function(orvex_unity_build target)
    if(ORVEX_UNITY_BUILD)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON
                              UNITY_BUILD_BATCH_SIZE ${ORVEX_UNITY_BATCH_SIZE})
    endif()
endfunction()
