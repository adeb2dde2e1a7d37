# SPDX-License-Identifier: GPL-3.0-or-later
# A Debian package of everything `cmake --install` puts in place: both
# programs, the simulated board with its two launchers and zq40613-sim, the
# desktop entry, the icon, the manual pages, the copyright file and the
# changelog. Build it with
#   cmake -S . -B build-deb -DCMAKE_INSTALL_PREFIX=/usr -DZQ_BUILD_TESTS=OFF
#   cmake --build build-deb && cpack --config build-deb/CPackConfig.cmake -B build-deb
# tools/check-package builds it so and runs lintian on it.

# The copyright file in Debian's machine-readable form and the changelog in
# Debian's format, where Debian looks for them.
set(ZQ_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
install(FILES ${ZQ_DEBIAN_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
zq_install_gzipped(${ZQ_DEBIAN_DIR}/changelog ${CMAKE_INSTALL_DOCDIR})
# A package whose version has no changelog entry would say nothing true about
# itself.
file(STRINGS ${ZQ_DEBIAN_DIR}/changelog ZQ_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ZQ_CHANGELOG_TOP MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog: the top entry is not version ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZQ_DEBIAN_DIR}/changelog)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zq40613-eval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Evaluation software for the ZQ40613 power-management chip")
set(CPACK_PACKAGE_CONTACT "ZQ40613 evaluation software team <zq40613-eval@example.invalid>")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Desktop program and command-line tool for the ZQ40613 evaluation board.\n"
    "zq40613-eval shows the chip as one panel of controls: output voltages,\n"
    "enables, status bits, board pins and probe voltages, register files and\n"
    "direct register access. zq40613-reg reads and writes registers from\n"
    "scripts. Both also run against the included simulated board\n"
    "(zq40613-eval-sim, zq40613-reg-sim), which zq40613-sim unplugs, plugs\n"
    "and gives a battery voltage.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the binaries link (Qt, the C++ runtime) become the
# package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The simulated board is a private library of the package, not a system one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
