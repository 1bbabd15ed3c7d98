# The Debian package: `cpack -G DEB` in the build tree, or the `package` target, makes
# x5k_<version>_<arch>.deb from the install rules (cmake/Install.cmake) with prefix /usr,
# its dependencies worked out by dpkg-shlibdeps. What only a Debian package carries (its
# copyright file and changelog, the maintainer scripts) is added here.

set(X5K_PACKAGE_MAINTAINER "X5K configuration utility developers <x5k-developers@example.org>"
    CACHE STRING "The package's maintainer, as 'Name <address>'")

set(_x5k_package_dir ${CMAKE_BINARY_DIR}/package)
# The changelog is the only file of the package whose content depends on the build: its
# version and maintainer.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
               ${_x5k_package_dir}/changelog @ONLY)
# Run by CPack after the install rules filled its staging folder and before it packs it.
configure_file(${PROJECT_SOURCE_DIR}/cmake/PackageDocs.cmake.in
               ${_x5k_package_dir}/PackageDocs.cmake @ONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME x5k)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "X5K configuration utility developers")
set(CPACK_PACKAGE_CONTACT ${X5K_PACKAGE_MAINTAINER})
# The program folder, rule and entries go where Debian keeps them (the docs script
# relies on it).
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility of the X5K gaming mouse")
# CPack puts the summary first; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Assigns functions to the mouse's seven inputs, sets its resolution levels,
report rate, lighting and pointer settings, records and edits on-board macros
across five profiles, counts clicks and checks for firmware updates. The
desktop program x5k-driver and the command-line tool x5kctl read and write the
same profiles.
.
The udev rule gives the user at the seat access to the mouse and to uinput,
so neither program needs root rights.")
# x5k_0.1.0_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's links and the update's folder open with xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
                                       ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${_x5k_package_dir}/PackageDocs.cmake)
# Nothing of the source tree goes into a source package.
set(CPACK_SOURCE_GENERATOR "")

include(CPack)

# The package's checks, labelled "package" (ctest -L package). package.build makes the
# package once from the built tree; the checks after it read that one file. A sanitizer
# build is never packaged, so its suite leaves them out.
if(BUILD_TESTING AND NOT X5K_SANITIZE)
    set(_x5k_package_test ${PROJECT_SOURCE_DIR}/tests/install/package_deb.sh)
    set(_x5k_package_out ${CMAKE_BINARY_DIR}/package-test)
    add_test(NAME package.build
             COMMAND bash ${_x5k_package_test} build ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}
                     ${_x5k_package_out})
    set_tests_properties(package.build PROPERTIES FIXTURES_SETUP x5k_package TIMEOUT 300)
    foreach(check lintian contents run)
        add_test(NAME package.${check}
                 COMMAND bash ${_x5k_package_test} ${check} ${_x5k_package_out})
        set_tests_properties(package.${check} PROPERTIES FIXTURES_REQUIRED x5k_package TIMEOUT 300)
    endforeach()
    add_test(NAME package.metadata
             COMMAND bash ${_x5k_package_test} metadata
                     ${PROJECT_SOURCE_DIR}/packaging/x5k-driver.desktop
                     ${CMAKE_BINARY_DIR}/package/io.github.x5k.driver.metainfo.xml)
    set_tests_properties(package.build package.lintian package.contents package.run
                         package.metadata PROPERTIES LABELS package SKIP_RETURN_CODE 77)
    # Installing into a folder the way package.build does must not overlap with it.
    set_tests_properties(package.build PROPERTIES RESOURCE_LOCK x5k_install)
endif()
