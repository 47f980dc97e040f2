# The Debian package of the suite (cpack -G DEB in the build folder): zarn, zarn-cli, lvviewer,
# the simulator and libftdi1 bridge libraries in lib/zarn, the desktop entries, the icons and a
# man page for each program, installed under /usr. The libraries the programs link are found by
# dpkg-shlibdeps (dpkg-dev) and declared as the package's dependencies; without it they are
# declared here by name.

set(CPACK_PACKAGE_NAME "zarn")
set(CPACK_PACKAGE_VENDOR "Lumivane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Optical televiewer borehole logging: acquisition (zarn, zarn-cli) and core image viewer")
set(CPACK_PACKAGE_CONTACT "ZARN developers <zarn@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs without their debugging symbols.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "zarn logs the borehole wall with an optical televiewer through its surface logger: it\n\
powers and configures the sonde, records, replays and exports the logs as depth-scaled\n\
pictures, an HTML page, an LGX image log and LAS 2.0 files. zarn-cli does the same\n\
without windows. lvviewer shows the exported pictures of a borehole as one strip.")
find_program(ZARN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ZARN_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6widgets6, libqt6network6, libqt6printsupport6, libqt6gui6, libqt6core6, \
libturbojpeg0, libtiff6, libpng16-16, libftdi1-2, libusb-1.0-0, libstdc++6, libc6")
endif()
# The bridge libraries are loaded by name at run time, not linked: libftdi1 comes with them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)

# zarn_man_page(TARGET SUMMARY [ENV VAR=VALUE...]): the man page of a program, made from its
# --help after it is built, installed with it.
# Sanitizer builds make none (a sanitizer's report at exit would fail the build).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(zarn_man_page target summary)
    if(NOT ZARN_SANITIZE STREQUAL "")
        return()
    endif()
    set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1.gz)
    add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E env ${ARGN} ${Python3_EXECUTABLE}
                ${PROJECT_SOURCE_DIR}/scripts/man-page.py ${target} "${summary}"
                "${PROJECT_VERSION}" ${page} $<TARGET_FILE:${target}>
        DEPENDS ${target} ${PROJECT_SOURCE_DIR}/scripts/man-page.py
        COMMENT "Man page of ${target}")
    add_custom_target(${target}_man ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION share/man/man1)
endfunction()
