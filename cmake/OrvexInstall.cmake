# `cmake --install` puts the host, the kernel, the plugin and the library Orvex.Api under the
# prefix with their headers and a package config, so that programs outside the tree use them
# through find_package(OrvexInteropData) and the imported targets Orvex::InteropData,
# Orvex::Host, Orvex::InteropKernel and Orvex::Api. The libraries go to the multiarch folder,
# where the loader finds them: what is installed carries no RPATH (the build tree keeps its
# $ORIGIN ones).
include(CMakePackageConfigHelpers)

set(ORVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvexInteropData)
set(ORVEX_SHARED_LIBRARIES Orvex.Host Orvex.Interop.Kernel Orvex.Interop.Data)
if(TARGET Orvex.Api)
    list(APPEND ORVEX_SHARED_LIBRARIES Orvex.Api)
endif()
# Before 1.0 a new minor version may break the libraries' interface, as the package config's
# SameMinorVersion says, so the soname carries major and minor: libOrvex.Host.so.0.1.
set_target_properties(${ORVEX_SHARED_LIBRARIES} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})

install(TARGETS ${ORVEX_SHARED_LIBRARIES} orvex_occt
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
# The library's headers sit beside the plugin's, included as <orvex/orvex.h>.
if(TARGET Orvex.Api)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/Api/include/orvex/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvex FILES_MATCHING PATTERN "*.h")
endif()
install(EXPORT OrvexInteropDataTargets NAMESPACE Orvex:: DESTINATION ${ORVEX_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvexInteropDataConfig.cmake.in
    ${PROJECT_BINARY_DIR}/OrvexInteropDataConfig.cmake INSTALL_DESTINATION ${ORVEX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvexInteropDataConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OrvexInteropDataConfig.cmake
    ${PROJECT_BINARY_DIR}/OrvexInteropDataConfigVersion.cmake DESTINATION ${ORVEX_CMAKE_DIR})

# `cpack -G DEB` in the build folder (scripts/package.sh) makes one Debian package of the above,
# installed under /usr, with the Python module (python/) in it. Its Depends are the Debian
# packages of the libraries it links, found by dpkg-shlibdeps, three.js, which `view` puts into
# its pages from libjs-three's copy, and what the Python module imports.
set(ORVEX_PACKAGE_MAINTAINER "Orvex.Interop.Data developers <orvex-interop@example.org>")
set(ORVEX_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
set(ORVEX_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvex-interop)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvex-interop)
set(CPACK_PACKAGE_VENDOR "Orvex.Interop.Data")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "CAD file exchange: STEP and IGES assemblies with names, colours, dimensions")
# Lines of at most 80 characters, as the control file wants them; CPack indents them.
set(CPACK_PACKAGE_DESCRIPTION [=[
orvex-interop imports STEP and IGES assemblies with their structure, names,
colours, face colours and dimensions, repairs and converts any model file
(STEP, IGES, STL, OBJ, glTF, BREP), draws offline 3D pages of them, and
converts many files at once, on one machine or split over many.

The package also holds its libraries, their headers and a CMake package for
programs that use them, and the Python module orvex.]=])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVEX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# A Debian revision, so that the package's own changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps runs in the staging folder; the program's own libraries are found there.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS usr/${CMAKE_INSTALL_LIBDIR})
# A shlibs file for the libraries, and the ldconfig trigger that refreshes the loader's cache.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjs-three, python3, python3-numpy")
# snapshot draws with a headless Chromium; everything else works without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium")
# What a program built against the headers needs besides: OpenCASCADE's CMake package finds TBB,
# and Orvex.Api's headers include nlohmann/json.hpp.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libocct-data-exchange-dev, libocct-ocaf-dev, libtbb-dev, \
libglm-dev, libfmt-dev, nlohmann-json3-dev, cmake")

# The copyright file and the compressed changelog Debian wants in the package's doc folder.
# The changelog's latest entry must name the package's version.
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${ORVEX_DEBIAN_DIR}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${ORVEX_DEBIAN_DIR}/changelog @ONLY)
file(STRINGS ${ORVEX_DEBIAN_DIR}/changelog ORVEX_CHANGELOG_TOP LIMIT_COUNT 1)
set(ORVEX_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
if(NOT ORVEX_CHANGELOG_TOP MATCHES "^orvex-interop \\(${ORVEX_DEBIAN_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog.in: the latest entry is not for "
                        "${ORVEX_DEBIAN_VERSION}: ${ORVEX_CHANGELOG_TOP}")
endif()
# -n leaves out the name and time, so that the same changelog makes the same package.
find_program(ORVEX_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${ORVEX_DEBIAN_DIR}/changelog.Debian.gz
    COMMAND ${ORVEX_GZIP} -9n -c ${ORVEX_DEBIAN_DIR}/changelog
            > ${ORVEX_DEBIAN_DIR}/changelog.Debian.gz
    DEPENDS ${ORVEX_DEBIAN_DIR}/changelog
    COMMENT "Compressing the Debian changelog")
add_custom_target(orvex-debian-changelog ALL DEPENDS ${ORVEX_DEBIAN_DIR}/changelog.Debian.gz)
install(FILES ${ORVEX_DEBIAN_DIR}/copyright ${ORVEX_DEBIAN_DIR}/changelog.Debian.gz
    DESTINATION ${ORVEX_PACKAGE_DOC_DIR})
include(CPack)
