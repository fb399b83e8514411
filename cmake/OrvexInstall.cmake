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
# The program's manual page and bash completion install with it (apps/orvex-interop).
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

# `cpack -G DEB` in the build folder (scripts/package.sh) makes a Debian package of the above,
# installed under /usr. Its Depends are the Debian packages of the libraries it links, found by
# dpkg-shlibdeps, and three.js, which `view` puts into its pages from libjs-three's copy.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex-interop)
set(CPACK_PACKAGE_VENDOR "Orvex.Interop.Data")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "STEP, IGES and other CAD files with their assemblies, names, colours and dimensions")
set(CPACK_PACKAGE_DESCRIPTION "orvex-interop imports STEP and IGES assemblies with their \
structure, names, colours, face colours and dimensions, repairs and converts any model file \
(STEP, IGES, STL, OBJ, glTF, BREP), draws offline 3D pages of them, and converts many files at \
once, on one machine or split over many. The package also holds its libraries, their headers \
and a CMake package for programs that use them.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvex.Interop.Data developers <orvex-interop@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjs-three")
# snapshot draws with a headless Chromium; everything else works without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium")
# What a program built against the headers needs besides: OpenCASCADE's CMake package finds TBB.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libocct-data-exchange-dev, libocct-ocaf-dev, libtbb-dev, \
libglm-dev, libfmt-dev, cmake")
include(CPack)
