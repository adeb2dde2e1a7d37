# SPDX-License-Identifier: GPL-3.0-or-later
# Lists the staged installation for the installer, as a CMake script:
#   cmake -DSTAGE=<folder> -DOUTPUT_DIR=<folder> -P installerfiles.cmake
# writes OUTPUT_DIR/install.nsh, which puts every file of STAGE in its place
# under $INSTDIR, and OUTPUT_DIR/uninstall.nsh, which removes those files
# and then their folders, the deepest first, each only if it is empty then:
# whatever else a user put there stays.

cmake_minimum_required(VERSION 3.21)

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(folders "")
set(install "")
set(uninstall "")
set(current "-")
foreach(file IN LISTS files)
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" native_file "${file}")
    string(REPLACE "/" "\\" native_folder "${folder}")
    if(NOT folder STREQUAL current)
        set(current "${folder}")
        if(folder STREQUAL "")
            string(APPEND install "SetOutPath \"$INSTDIR\"\n")
        else()
            list(APPEND folders "${folder}")
            string(APPEND install "SetOutPath \"$INSTDIR\\${native_folder}\"\n")
        endif()
    endif()
    string(APPEND install "File \"${STAGE}/${file}\"\n")
    string(APPEND uninstall "Delete \"$INSTDIR\\${native_file}\"\n")
endforeach()
string(APPEND install "SetOutPath \"$INSTDIR\"\n")

# Deepest first: a folder is removed after the folders in it.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" native_folder "${folder}")
    string(APPEND uninstall "RMDir \"$INSTDIR\\${native_folder}\"\n")
endforeach()

file(WRITE ${OUTPUT_DIR}/install.nsh "${install}")
file(WRITE ${OUTPUT_DIR}/uninstall.nsh "${uninstall}")
