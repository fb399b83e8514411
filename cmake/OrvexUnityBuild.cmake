# Unity builds: a target's sources compiled in batches, each batch one translation unit, so that
# OpenCASCADE's headers, which nearly every file includes, are parsed once a batch rather than
# once a file. That is most of a cold build's time. A file's helpers in its anonymous namespace
# share the batch with its neighbours' and need names of their own.
option(ORVEX_UNITY_BUILD "Compile the libraries and the program in batches of sources" ON)
set(ORVEX_UNITY_BATCH_SIZE 8 CACHE STRING "Sources in one batch of a unity build")

# Writes one batch file, only when its text changed, so that configuring again rebuilds nothing.
function(orvex_unity_write_batch file content)
    file(CONFIGURE OUTPUT ${file} CONTENT "${content}" @ONLY)
endfunction()

# The batches are written here rather than by CMake's UNITY_BUILD property: CMake includes each
# file by its absolute path, which reaches the preprocessed text (__FILE__, line markers), so a
# second clone of the repository would miss the compiler cache. Here a batch includes its files
# by their paths relative to it, the same in every clone.
function(orvex_unity_build target)
    if(NOT ORVEX_UNITY_BUILD)
        return()
    endif()
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}.unity)
    get_target_property(sources ${target} SOURCES)
    set(batches "")
    set(batched "")
    set(content "")
    set(count 0)
    foreach(source IN LISTS sources)
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        get_source_file_property(skip ${source} SKIP_UNITY_BUILD_INCLUSION)
        # Generated sources stay on their own: their path lies in the build folder.
        if(NOT path MATCHES "\\.cpp$" OR skip OR path MATCHES "^${CMAKE_BINARY_DIR}/")
            continue()
        endif()
        file(RELATIVE_PATH relative ${dir} ${path})
        string(APPEND content "#include \"${relative}\"\n")
        list(APPEND batched ${source})
        math(EXPR count "${count} + 1")
        if(count EQUAL ORVEX_UNITY_BATCH_SIZE)
            list(LENGTH batches index)
            orvex_unity_write_batch(${dir}/batch_${index}.cpp "${content}")
            list(APPEND batches ${dir}/batch_${index}.cpp)
            set(content "")
            set(count 0)
        endif()
    endforeach()
    if(count GREATER 0)
        list(LENGTH batches index)
        orvex_unity_write_batch(${dir}/batch_${index}.cpp "${content}")
        list(APPEND batches ${dir}/batch_${index}.cpp)
    endif()
    set_source_files_properties(${batched} PROPERTIES HEADER_FILE_ONLY ON)
    target_sources(${target} PRIVATE ${batches})
endfunction()
