# `cmake --install` puts the host, the kernel and the plugin with their headers under the prefix,
# with a package config, so that programs outside the tree use them through
# find_package(OrvexInteropData) and the imported targets Orvex::InteropData, Orvex::Host and
# Orvex::InteropKernel. The installed libraries find each other beside themselves.
include(CMakePackageConfigHelpers)

set(ORVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvexInteropData)
set_target_properties(Orvex.Host Orvex.Interop.Kernel Orvex.Interop.Data PROPERTIES
    INSTALL_RPATH "$ORIGIN")
set_target_properties(orvex-interop PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

install(TARGETS Orvex.Host Orvex.Interop.Kernel Orvex.Interop.Data orvex_occt
    EXPORT OrvexInteropDataTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS orvex-interop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvex FILES_MATCHING PATTERN "*.h")
# The kernel's headers live in the host's tree, as they do in the source tree.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Host/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvex/host FILES_MATCHING PATTERN "*.h")
install(EXPORT OrvexInteropDataTargets NAMESPACE Orvex:: DESTINATION ${ORVEX_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvexInteropDataConfig.cmake.in
    ${PROJECT_BINARY_DIR}/OrvexInteropDataConfig.cmake INSTALL_DESTINATION ${ORVEX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvexInteropDataConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvexInteropDataConfig.cmake
    ${PROJECT_BINARY_DIR}/OrvexInteropDataConfigVersion.cmake DESTINATION ${ORVEX_CMAKE_DIR})
