# A library of translators that the process loads the first time it needs them (LazyLibrary in
# Host/Common/Core): `base` is the library it extends, which finds it beside itself under its
# soname. It installs with the others but is no part of the package config: nothing links it.
function(orvex_translator_library name base)
    add_library(${name} SHARED ${ARGN})
    target_link_libraries(${name} PRIVATE ${base} orvex_occt fmt::fmt)
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
