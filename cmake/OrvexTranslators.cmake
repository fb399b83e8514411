# A library of translators that the process loads the first time it needs them (LazyLibrary in
# Host/Common/Core): `base` is the library it extends, which finds it beside itself under its
# soname; OCCT names the translator libraries it links, of orvex_occt_translators' (each library
# its own, since a linker that keeps every library named would load them all with the first).
# It installs with the others but is no part of the package config: nothing links it.
#   orvex_translator_library(NAME BASE OCCT lib... SOURCES file...)
function(orvex_translator_library name base)
    cmake_parse_arguments(PARSE_ARGV 2 ARG "" "" "OCCT;SOURCES")
    add_library(${name} SHARED ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${base} orvex_occt ${ARG_OCCT} fmt::fmt)
    # Memory faults inside the translators become exceptions in OCC_CATCH_SIGNALS blocks.
    target_compile_definitions(${name} PRIVATE OCC_CONVERT_SIGNALS)
    set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION}
        SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
    orvex_target_defaults(${name})
    install(TARGETS ${name} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
    set_property(GLOBAL APPEND PROPERTY ORVEX_TRANSLATOR_LIBRARIES ${name})
endfunction()

# Makes `target`, which loads the translator libraries at run time without linking them, wait
# for them to be built.
function(orvex_needs_translator_libraries target)
    get_property(libraries GLOBAL PROPERTY ORVEX_TRANSLATOR_LIBRARIES)
    add_dependencies(${target} ${libraries})
endfunction()
