# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every source file of the project names its licence near its
# top, as a CMake script:
#   cmake -DPROJECT_DIR=<root> -P licenceheaders.cmake
#
# "Near the top" is the first three lines: a script's own first line is its
# interpreter and a form's is its XML declaration.

cmake_minimum_required(VERSION 3.21)

set(tag "SPDX-License-Identifier: GPL-3.0-or-later")
set(folders src sim cli tests fuzz bench tools cmake docs)
set(patterns *.cpp *.h *.ui *.rc *.in *.1 *.cmake *.sh *.py *.desktop CMakeLists.txt)

set(files CMakeLists.txt run test .ci/run tools/check-package bench/run)
foreach(folder IN LISTS folders)
    foreach(pattern IN LISTS patterns)
        file(GLOB_RECURSE found RELATIVE ${PROJECT_DIR} ${PROJECT_DIR}/${folder}/${pattern})
        list(APPEND files ${found})
    endforeach()
endforeach()
list(REMOVE_DUPLICATES files)

set(missing "")
foreach(file IN LISTS files)
    file(STRINGS ${PROJECT_DIR}/${file} head LIMIT_COUNT 3)
    string(FIND "${head}" "${tag}" at)
    if(at EQUAL -1)
        list(APPEND missing "${file}")
    endif()
endforeach()

list(LENGTH files file_count)
if(file_count LESS 100)
    message(FATAL_ERROR "only ${file_count} source files found under ${PROJECT_DIR}")
endif()
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "No \"${tag}\" in the first three lines of:\n  ${text}")
endif()
message(STATUS "${file_count} source files name their licence")
