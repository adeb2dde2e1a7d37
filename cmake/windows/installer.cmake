# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installation: beside the programs, the simulated board's
# launchers and the board itself in sim\, what they load at run time (Qt's
# DLLs with the windows platform plugin, the Vista style and the icon
# reader, and MinGW's C++ runtime), and the licence. The target `installer`
# packs it with makensis (NSIS) into
# zq40613-eval-VERSION-win64-setup.exe, which installs it for all users with
# two Start menu entries, the program and the program on the simulated
# board, and an uninstaller; tst_install installs it under Wine and takes it
# away again.

install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
    DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION imageformats)
# The compiler knows where its runtime DLLs are.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${runtime} is")
    endif()
    install(FILES ${runtime_path} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME LICENSE.txt)

find_program(ZQ_MAKENSIS makensis)
set(ZQ_INSTALLER ${CMAKE_BINARY_DIR}/zq40613-eval-${PROJECT_VERSION}-win64-setup.exe)
if(ZQ_MAKENSIS)
    set(ZQ_INSTALLER_DIR ${CMAKE_BINARY_DIR}/installer)
    set(ZQ_STAGE ${ZQ_INSTALLER_DIR}/stage)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/installer.nsi.in ${ZQ_INSTALLER_DIR}/installer.nsi @ONLY)
    # The installation is staged as `cmake --install` makes it, and the
    # installer holds exactly the files staged, listed for it to install and
    # for its uninstaller to remove.
    add_custom_command(OUTPUT ${ZQ_INSTALLER}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZQ_STAGE}
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${ZQ_STAGE} --component ${CMAKE_INSTALL_DEFAULT_COMPONENT_NAME}
        COMMAND ${CMAKE_COMMAND} -DSTAGE=${ZQ_STAGE} -DOUTPUT_DIR=${ZQ_INSTALLER_DIR}
                -P ${CMAKE_CURRENT_LIST_DIR}/installerfiles.cmake
        COMMAND ${ZQ_MAKENSIS} -V2 -NOCD ${ZQ_INSTALLER_DIR}/installer.nsi
        DEPENDS zq40613-eval zq40613-reg zq40613-sim hid2_simulator zq40613-eval-sim zq40613-reg-sim
                ${ZQ_INSTALLER_DIR}/installer.nsi ${CMAKE_CURRENT_LIST_DIR}/installerfiles.cmake
        WORKING_DIRECTORY ${ZQ_INSTALLER_DIR}
        COMMENT "Packing ${ZQ_INSTALLER}"
        VERBATIM)
    add_custom_target(installer DEPENDS ${ZQ_INSTALLER})
endif()
