# `cmake --install` lays out the build tree's program folder under the prefix:
#
#   <prefix>/lib/x5k/                     the program folder, as bin/ holds it
#   <prefix>/bin/x5k-driver, x5kctl       relative symlinks into the program folder
#   <prefix>/share/applications/x5k-driver.desktop
#   <prefix>/share/icons/hicolor/256x256/apps/x5k-driver.png
#   <prefix>/lib/udev/rules.d/70-x5k.rules
#   <prefix>/lib/modules-load.d/x5k.conf  uinput, loaded at boot
#   <prefix>/share/metainfo/io.github.x5k.driver.metainfo.xml
#   <prefix>/share/man/man1/*.1.gz        every page of packaging/man, compressed
#   <prefix>/share/bash-completion/completions/*   every file of packaging/bash-completion
#
# The program folder mixes executables with the read-only files they load, so it is an
# architecture-dependent private folder: /usr/lib/<name> is where such a folder belongs
# (/usr/share must hold architecture-independent data only, and the multiarch library
# folder is for shared libraries). The programs find their folder through
# /proc/self/exe, which names the resolved file, so a symlink on the PATH is all a
# launcher needs to be.

include(GNUInstallDirs)

set(X5K_INSTALL_PROGRAM_DIR lib/x5k CACHE STRING
    "Where the program folder is installed, relative to the prefix")
# The programs of the program folder that a user starts by name.
set(X5K_LAUNCHERS x5k-driver x5kctl)
# udev reads /usr/lib/udev/rules.d (and /etc), so packages install with prefix /usr.
set(X5K_UDEV_RULES_DIR lib/udev/rules.d CACHE STRING "Where the udev rule is installed")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/udev/70-x5k.rules
        DESTINATION ${X5K_UDEV_RULES_DIR})
# The input of a grabbed mouse goes on through uinput, a module nothing else loads.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/modules-load.d/x5k.conf
        DESTINATION lib/modules-load.d)

# Manual pages are installed compressed (gzip -n: no name or time stamp, so the same
# page gives the same bytes), each file of packaging/man in the section its name ends in.
file(GLOB _x5k_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/*.[1-8])
foreach(page IN LISTS _x5k_man_pages)
    get_filename_component(name ${page} NAME)
    string(REGEX REPLACE ".*\\.([1-8])$" "\\1" section ${name})
    install(CODE "
        set(_dir \"${CMAKE_INSTALL_MANDIR}/man${section}\")
        if(NOT IS_ABSOLUTE \"\${_dir}\")
            set(_dir \"\${CMAKE_INSTALL_PREFIX}/\${_dir}\")
        endif()
        set(_page \"\$ENV{DESTDIR}\${_dir}/${name}.gz\")
        message(STATUS \"Installing: \${_page}\")
        file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${_dir}\")
        execute_process(COMMAND gzip -9 -n -c \"${page}\" OUTPUT_FILE \"\${_page}\"
                        RESULT_VARIABLE _gzip)
        if(NOT _gzip EQUAL 0)
            message(FATAL_ERROR \"could not compress ${page}\")
        endif()
        file(CHMOD \"\${_page}\" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_page}\")")
endforeach()

# Bash completion, one file per command, named as the command.
file(GLOB _x5k_completions CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/bash-completion/*)
if(_x5k_completions)
    install(FILES ${_x5k_completions} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

# The files the build writes into the program folder by custom commands. Installing from
# a tree that was never built would otherwise leave a program folder without them.
set(_x5k_required_generated
    Macro.cfg Sts.cfg Language.cfg Profile/ConfigInfo.cfg Profile/Profile1.cfg
    Profile/Profile2.cfg Profile/Profile3.cfg Profile/Profile4.cfg Profile/Profile5.cfg
    res/128.png skins/languagetype.ini Language/en.xml)

# Every executable target whose output lands in the program folder, below `dir`.
function(_x5k_program_executables out dir)
    set(found)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        get_target_property(output_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
        if(type STREQUAL "EXECUTABLE" AND output_dir STREQUAL X5K_PROGRAM_DIR)
            list(APPEND found ${target})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        _x5k_program_executables(below ${subdir})
        list(APPEND found ${below})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# Runs once the whole tree is configured, so it sees every target, also those of folders
# added after this file is included.
function(_x5k_install_program_folder)
    foreach(file IN LISTS _x5k_required_generated)
        string(APPEND check "
            if(NOT EXISTS \"${X5K_PROGRAM_DIR}/${file}\")
                message(FATAL_ERROR \"The program folder ${X5K_PROGRAM_DIR} has no ${file}: \"
                                    \"build the project before installing it.\")
            endif()")
    endforeach()
    install(CODE "${check}")

    # Executables go through install(TARGETS), which gives them mode 755 whatever the
    # builder's umask was and fails when one has not been built.
    _x5k_program_executables(executables ${PROJECT_SOURCE_DIR})
    set(exclude)
    foreach(target IN LISTS executables)
        get_target_property(name ${target} OUTPUT_NAME)
        if(NOT name)
            set(name ${target})
        endif()
        list(APPEND exclude PATTERN ${name} EXCLUDE)
    endforeach()
    if(executables)
        install(TARGETS ${executables} RUNTIME DESTINATION ${X5K_INSTALL_PROGRAM_DIR})
    endif()

    # Everything else in the program folder is read-only data, world-readable. The
    # firmware tools keep their own modes (the flasher is a program), but not what an
    # update check left in the build tree's folder: that is downloaded state, not part
    # of the program.
    install(DIRECTORY ${X5K_PROGRAM_DIR}/ DESTINATION ${X5K_INSTALL_PROGRAM_DIR}
            FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
            DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
            ${exclude}
            PATTERN FWUpdate EXCLUDE)
    install(DIRECTORY ${X5K_PROGRAM_DIR}/FWUpdate DESTINATION ${X5K_INSTALL_PROGRAM_DIR}
            OPTIONAL USE_SOURCE_PERMISSIONS
            PATTERN new_version EXCLUDE)

    # Launchers: a relative link survives DESTDIR staging and a moved prefix. The paths
    # are worked out at install time, when --prefix may differ from the configured one.
    foreach(launcher IN LISTS X5K_LAUNCHERS)
        if(NOT TARGET ${launcher})
            continue()
        endif()
        install(CODE "
            set(_bindir \"${CMAKE_INSTALL_BINDIR}\")
            set(_progdir \"${X5K_INSTALL_PROGRAM_DIR}\")
            foreach(_dir _bindir _progdir)
                if(NOT IS_ABSOLUTE \"\${\${_dir}}\")
                    set(\${_dir} \"\${CMAKE_INSTALL_PREFIX}/\${\${_dir}}\")
                endif()
            endforeach()
            file(RELATIVE_PATH _target \"\${_bindir}\" \"\${_progdir}/$<TARGET_FILE_NAME:${launcher}>\")
            set(_link \"\$ENV{DESTDIR}\${_bindir}/${launcher}\")
            message(STATUS \"Installing: \${_link} -> \${_target}\")
            file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${_bindir}\")
            file(CREATE_LINK \"\${_target}\" \"\${_link}\" SYMBOLIC)
            list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_link}\")")
    endforeach()

    # The desktop entry and the icon belong to the desktop program; without it they would
    # offer a menu item that starts nothing.
    if(TARGET x5k-driver)
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/x5k-driver.desktop
                DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        # The painter draws the application icon at 256 × 256, a size of the icon theme.
        install(FILES ${X5K_PROGRAM_DIR}/res/128.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
                RENAME x5k-driver.png)
        # The software centres' description of the program, under its component id.
        configure_file(${PROJECT_SOURCE_DIR}/packaging/x5k-driver.metainfo.xml
                       ${CMAKE_BINARY_DIR}/package/io.github.x5k.driver.metainfo.xml @ONLY)
        install(FILES ${CMAKE_BINARY_DIR}/package/io.github.x5k.driver.metainfo.xml
                DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    endif()
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _x5k_install_program_folder)

if(BUILD_TESTING)
    # Installs the built tree into a temporary folder and checks what lands where. It
    # needs the whole tree built, as ctest after a build has it.
    add_test(NAME install.layout
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/install/install_layout.sh
                     ${CMAKE_COMMAND} ${CMAKE_BINARY_DIR} $<TARGET_EXISTS:x5k-driver>)
    set_tests_properties(install.layout PROPERTIES TIMEOUT 120 RESOURCE_LOCK x5k_install)
endif()
