# SPDX-License-Identifier: GPL-3.0-or-later
# Manual pages and the changelog are installed compressed, the way Debian
# wants them: gzip -9n, best compression and no name or time stamp in the
# header, so that every build gives the same bytes. A build without gzip
# leaves them out, and so does every Windows build, which has no manual pages.
if(NOT WIN32)
    find_program(ZQ_GZIP gzip)
endif()

# zq_install_gzipped(SOURCE DESTINATION [COMPONENT NAME]): installs SOURCE,
# a file of the current source folder or an absolute path, as
# DESTINATION/<its name>.gz, as part of the install component NAME if given.
# The same file may be installed to several places from one folder.
function(zq_install_gzipped source destination)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "COMPONENT" "")
    if(NOT ZQ_GZIP)
        return()
    endif()
    get_filename_component(input ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME)
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/gzipped)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
    string(MAKE_C_IDENTIFIER "gzip_${name}" target)
    if(NOT TARGET ${target})
        add_custom_command(OUTPUT ${copy}.gz
            COMMAND ${CMAKE_COMMAND} -E copy ${input} ${copy}
            COMMAND ${ZQ_GZIP} -9nf ${copy}
            DEPENDS ${input}
            COMMENT "Compressing ${name}"
            VERBATIM)
        add_custom_target(${target} ALL DEPENDS ${copy}.gz)
    endif()
    if(NOT arg_COMPONENT)
        set(arg_COMPONENT ${CMAKE_INSTALL_DEFAULT_COMPONENT_NAME})
    endif()
    install(FILES ${copy}.gz DESTINATION ${destination} COMPONENT ${arg_COMPONENT})
endfunction()

# zq_add_manpage(PAGE [ALIASES name...]): installs the manual page PAGE
# (such as zq40613-eval.1) of the current source folder, and for each alias
# a link to it, so that "man alias" shows the same page.
function(zq_add_manpage page)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ALIASES")
    get_filename_component(name ${page} NAME)
    string(REGEX MATCH "[1-9]$" section ${name})
    set(destination ${CMAKE_INSTALL_MANDIR}/man${section})
    zq_install_gzipped(${page} ${destination})
    if(NOT ZQ_GZIP)
        return()
    endif()
    foreach(alias IN LISTS arg_ALIASES)
        set(link ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${alias}.${section}.gz)
        file(CREATE_LINK ${name}.gz ${link} SYMBOLIC)
        install(FILES ${link} DESTINATION ${destination})
    endforeach()
endfunction()
