# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages of everything `cmake --install` puts in place, one per
# install component: zq40613-eval with both programs, the simulated board
# with its two launchers and zq40613-sim, the desktop entry, the icon and the
# manual pages; python3-zq40613 with the Python module (python/), where it is
# built. Each has its copyright file and changelog. Build them with
#   cmake -S . -B build-deb -DCMAKE_INSTALL_PREFIX=/usr -DZQ_BUILD_TESTS=OFF
#   cmake --build build-deb && cpack --config build-deb/CPackConfig.cmake -B build-deb
# tools/check-package builds it so and runs lintian on it.

# The copyright file in Debian's machine-readable form and the changelog in
# Debian's format, where Debian looks for them.
set(ZQ_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
install(FILES ${ZQ_DEBIAN_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
zq_install_gzipped(${ZQ_DEBIAN_DIR}/changelog ${CMAKE_INSTALL_DOCDIR})
set(ZQ_PYTHON_PACKAGE python3-zq40613)
if(ZQ_PYTHON_MODULE_BUILT)
    set(zq_python_docdir ${CMAKE_INSTALL_DATADIR}/doc/${ZQ_PYTHON_PACKAGE})
    install(FILES ${ZQ_DEBIAN_DIR}/copyright DESTINATION ${zq_python_docdir} COMPONENT python)
    zq_install_gzipped(${ZQ_DEBIAN_DIR}/changelog ${zq_python_docdir} COMPONENT python)
endif()
# A package whose version has no changelog entry would say nothing true about
# itself.
file(STRINGS ${ZQ_DEBIAN_DIR}/changelog ZQ_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT ZQ_CHANGELOG_TOP MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog: the top entry is not version ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZQ_DEBIAN_DIR}/changelog)

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program)
set(CPACK_PACKAGE_NAME zq40613-eval)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME zq40613-eval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description begins with a summary line of its own. CPack
# puts this summary before every description, but for its default value.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_PACKAGE_CONTACT "ZQ40613 evaluation software team <zq40613-eval@example.invalid>")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Evaluation software for the ZQ40613 power-management chip\n"
    "Desktop program and command-line tool for the ZQ40613 evaluation board.\n"
    "zq40613-eval shows the chip as one panel of controls: output voltages,\n"
    "enables, status bits, board pins and probe voltages, register files and\n"
    "direct register access. zq40613-reg reads and writes registers from\n"
    "scripts. Both also run against the included simulated board\n"
    "(zq40613-eval-sim, zq40613-reg-sim), which zq40613-sim unplugs, plugs\n"
    "and gives a battery voltage.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
if(ZQ_PYTHON_MODULE_BUILT)
    list(APPEND CPACK_COMPONENTS_ALL python)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME ${ZQ_PYTHON_PACKAGE})
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    # Built for one version of Debian's Python, as its extension modules are.
    math(EXPR zq_python_next "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${zq_python_next})")
    string(CONCAT CPACK_COMPONENT_PYTHON_DESCRIPTION
        "Python 3 module for the ZQ40613 evaluation board\n"
        "The module zq40613 drives the ZQ40613 evaluation board from Python\n"
        "scripts: registers, register files, the panel's fields by name, pins\n"
        "and probes, with the same code and messages as zq40613-reg. It finds\n"
        "the controller library hid2 on the library search path.")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the binaries link (Qt, the C++ runtime) become the
# package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The simulated board is a private library of the package, not a system one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
