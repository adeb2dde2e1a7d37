# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the include graph of src/ against its layers, as a CMake script:
#   cmake -DSRC_DIR=<src> -DCORE_FILES=<a,b,...> -P includelayers.cmake
#
# Each folder of src/ sits on a layer, lowest first. A file may include from
# its own folder and from folders on lower layers only; folders on one layer
# never include each other. Since the layers are strictly ordered, the graph
# between folders can have no cycle. CORE_FILES lists the files of the
# widget-free library (paths relative to SRC_DIR): they may include only each
# other. Every finding is printed; any makes the check fail.

cmake_minimum_required(VERSION 3.21)

set(layers
    "common"
    "device"
    "binding dialog panel regfile"
    "history regmap session sweep"
    "app")

set(rank 0)
foreach(layer IN LISTS layers)
    string(REPLACE " " ";" folders "${layer}")
    foreach(folder IN LISTS folders)
        set(rank_${folder} ${rank})
    endforeach()
    math(EXPR rank "${rank} + 1")
endforeach()

string(REPLACE "," ";" core_files "${CORE_FILES}")
if(NOT core_files)
    message(FATAL_ERROR "CORE_FILES is empty")
endif()

file(GLOB_RECURSE sources RELATIVE ${SRC_DIR} ${SRC_DIR}/*.h ${SRC_DIR}/*.cpp)
file(GLOB_RECURSE forms RELATIVE ${SRC_DIR} ${SRC_DIR}/*.ui)

set(findings "")
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" folder "${source}")
    get_filename_component(source_dir "${source}" DIRECTORY)
    if(source_dir STREQUAL "" OR NOT DEFINED rank_${folder})
        list(APPEND findings "${source}: not in a folder of a known layer")
        continue()
    endif()
    file(STRINGS ${SRC_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
        # The header uic makes from a form counts as that form.
        set(target "")
        if(included MATCHES "^ui_(.+)\\.h$")
            set(form_base "${CMAKE_MATCH_1}")
            foreach(form IN LISTS forms)
                get_filename_component(form_name "${form}" NAME_WE)
                if(form_name STREQUAL form_base)
                    set(target "${form}")
                endif()
            endforeach()
        elseif(EXISTS ${SRC_DIR}/${source_dir}/${included})
            file(RELATIVE_PATH target ${SRC_DIR} ${SRC_DIR}/${source_dir}/${included})
        elseif(EXISTS ${SRC_DIR}/${included})
            set(target "${included}")
        endif()
        if(target STREQUAL "")
            list(APPEND findings "${source}: includes \"${included}\", which is not in src/")
            continue()
        endif()

        string(REGEX MATCH "^[^/]+" target_folder "${target}")
        if(target_folder STREQUAL target)
            list(APPEND findings "${source}: includes ${target}, which lies outside every layer")
        elseif(NOT target_folder STREQUAL folder
           AND (NOT DEFINED rank_${target_folder} OR NOT rank_${target_folder} LESS rank_${folder}))
            list(APPEND findings "${source}: includes ${target}, from ${target_folder}/, which is not below ${folder}/")
        endif()
        if(source IN_LIST core_files AND NOT target IN_LIST core_files)
            list(APPEND findings "${source}: in the widget-free library, includes ${target}, which is not")
        endif()
    endforeach()
endforeach()

list(LENGTH sources file_count)
if(file_count EQUAL 0)
    message(FATAL_ERROR "no sources found in ${SRC_DIR}")
endif()
if(findings)
    list(JOIN findings "\n  " text)
    message(FATAL_ERROR "Includes against the layers of src/:\n  ${text}")
endif()
message(STATUS "${file_count} files of src/ include only downwards")
