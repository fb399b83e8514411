# Writes the manual page (gzipped, as Debian installs them) and the bash completion script from
# the program's own help. Run with -P and PROGRAM, MAN_PAGE and COMPLETION defined.
# A sanitizer build's program would report OpenCASCADE's process-wide allocations at exit.
set(ENV{ASAN_OPTIONS} detect_leaks=0)
string(REGEX REPLACE "\\.gz$" "" page "${MAN_PAGE}")
foreach(pair "--man-page;${page}" "--bash-completion;${COMPLETION}")
    list(GET pair 0 option)
    list(GET pair 1 file)
    execute_process(COMMAND ${PROGRAM} ${option} OUTPUT_FILE ${file} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        file(REMOVE ${file})
        message(FATAL_ERROR "${PROGRAM} ${option} failed: ${result}")
    endif()
endforeach()
# -n: no name or time in the header, so that the same page gives the same bytes.
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${page} failed: ${result}")
endif()
