# The Debian package (bash scripts/package makes it): zunitfinder_<version>_amd64.deb with both
# programs in /usr/bin, the desktop entry and the program icon (installed by app/CMakeLists.txt),
# the manual pages, the bash completion of zunit, the exporter's systemd unit (not enabled) with its
# options in /etc/default/zunit-exporter and the Prometheus alert rules and example scrape
# configuration (packaging/prometheus), and the copyright and changelog files Debian asks of
# every package.
#
# The manual pages are made here at build time by help2man from the programs' own --help-all
# (zunit) and --help (zUnitFinder), with what --help cannot say (exit codes, the inventory format,
# examples, files) in packaging/*.h2m; ZUNIT_MANPAGES says whether (AUTO: when help2man is found).
# The version is the project's, which the build also writes into each program's version block
# (cmake/ZUnitVersion.cmake), so the package, the manual pages, --version and the caption agree.
#
# Included by the top-level CMakeLists.txt once every program is defined.

if(WIN32 OR CMAKE_CROSSCOMPILING OR NOT TARGET zunit)
    return()
endif()
include(GNUInstallDirs)

set(ZUNIT_MANPAGES "AUTO" CACHE STRING
    "Make the manual pages with help2man: ON, OFF or AUTO (when found, not with sanitizers)")
set(ZUNIT_PACKAGE_MAINTAINER "zUnitFinder developers <zunitfinder@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")

set(_zunit_packaging "${PROJECT_SOURCE_DIR}/packaging")
set(_zunit_doc_dir "${CMAKE_INSTALL_DATADIR}/doc/zunitfinder")

# --- The command line: program and bash completion ---------------------------------------------

install(TARGETS zunit)
install(FILES "${_zunit_packaging}/zunit.bash-completion"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" RENAME zunit)

# --- The exporter's service: systemd unit (not enabled), its options, the Prometheus files --------

# Debian bookworm keeps packaged units in /lib/systemd/system.
install(FILES "${_zunit_packaging}/zunit-exporter.service" DESTINATION /lib/systemd/system)
install(FILES "${_zunit_packaging}/zunit-exporter.default" DESTINATION /etc/default
        RENAME zunit-exporter)
install(FILES "${_zunit_packaging}/prometheus/zunit-alerts.yml"
              "${_zunit_packaging}/prometheus/zunit-alerts.test.yml"
              "${_zunit_packaging}/prometheus/prometheus.example.yml"
        DESTINATION "${_zunit_doc_dir}/prometheus")

# --- Manual pages ------------------------------------------------------------------------------

find_program(ZUNIT_HELP2MAN help2man)
find_program(ZUNIT_GZIP gzip)
if(ZUNIT_MANPAGES STREQUAL "AUTO")
    if(ZUNIT_SANITIZE)
        set(_zunit_manpages OFF)  # the package is no sanitizer build; nor need its pages be
    elseif(ZUNIT_HELP2MAN AND ZUNIT_GZIP)
        set(_zunit_manpages ON)
    else()
        set(_zunit_manpages OFF)
        message(STATUS "help2man not found: no manual pages (apt-get install help2man)")
    endif()
elseif(ZUNIT_MANPAGES)
    if(NOT ZUNIT_HELP2MAN OR NOT ZUNIT_GZIP)
        message(FATAL_ERROR "ZUNIT_MANPAGES is ON but help2man or gzip is missing")
    endif()
    set(_zunit_manpages ON)
else()
    set(_zunit_manpages OFF)
endif()

# _zunit_manpage(target NAME text HELP option): <program>.1.gz from the program's help, run as
# plain "<program>" through PATH so its usage line names it without the build directory, and
# without a display (the finder answers --help without opening its window). SOURCE_DATE_EPOCH,
# when set, fixes the date on the page.
function(_zunit_manpage target)
    cmake_parse_arguments(ARG "" "NAME;HELP" "" ${ARGN})
    set(program "$<TARGET_FILE_NAME:${target}>")
    set(include "${_zunit_packaging}/${target}.h2m")
    set(page "${PROJECT_BINARY_DIR}/man/${target}.1")
    add_custom_command(
        OUTPUT "${page}.gz"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/man"
        COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                "PATH=$<TARGET_FILE_DIR:${target}>:$ENV{PATH}"
                "${ZUNIT_HELP2MAN}" --no-info --section=1 "--name=${ARG_NAME}"
                "--help-option=${ARG_HELP}" --version-option=--version "--include=${include}"
                "--output=${page}" "${program}"
        COMMAND "${ZUNIT_GZIP}" -9 -n -f "${page}"
        DEPENDS ${target} "${include}"
        COMMENT "Making the manual page ${target}(1)"
        VERBATIM)
    add_custom_target(${target}_manpage ALL DEPENDS "${page}.gz")
    install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()

if(_zunit_manpages)
    _zunit_manpage(zunit NAME "find and simulate Zelvane devices on the local network"
                   HELP --help-all)
    if(TARGET zUnitFinder)
        _zunit_manpage(zUnitFinder
                       NAME "find Zelvane units on the local network and open their clients"
                       HELP --help)
    endif()
endif()

# --- Debian's files of every package: copyright and changelog ----------------------------------

install(FILES "${_zunit_packaging}/copyright" DESTINATION "${_zunit_doc_dir}")
# The changelog's newest entry must name the project's version.
file(STRINGS "${_zunit_packaging}/changelog" _zunit_changelog_top LIMIT_COUNT 1)
if(NOT _zunit_changelog_top MATCHES "^zunitfinder \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry is not for ${PROJECT_VERSION}: "
                        "${_zunit_changelog_top}")
endif()
if(ZUNIT_GZIP)
    set(_zunit_changelog "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
    add_custom_command(
        OUTPUT "${_zunit_changelog}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/packaging"
        COMMAND "${CMAKE_COMMAND}" -E copy "${_zunit_packaging}/changelog"
                "${PROJECT_BINARY_DIR}/packaging/changelog"
        COMMAND "${ZUNIT_GZIP}" -9 -n -f "${PROJECT_BINARY_DIR}/packaging/changelog"
        DEPENDS "${_zunit_packaging}/changelog"
        VERBATIM)
    add_custom_target(zunit_changelog ALL DEPENDS "${_zunit_changelog}")
    install(FILES "${_zunit_changelog}" DESTINATION "${_zunit_doc_dir}")
endif()

# Everything the package holds that the build makes; scripts/package builds this, then runs cpack.
add_custom_target(zunit_package_files)
foreach(target zunit zUnitFinder zunit_manpage zUnitFinder_manpage zunit_changelog)
    if(TARGET ${target})
        add_dependencies(zunit_package_files ${target})
    endif()
endforeach()

# --- CPack: the DEB generator ------------------------------------------------------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zunitfinder)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "zUnitFinder developers")
set(CPACK_PACKAGE_CONTACT "${ZUNIT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZUNIT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds Zelvane show-control units on the local network")
# The summary above is the first line of the package's description; this is the rest, which
# CPack indents as Debian wants (an empty line becomes " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "zUnitFinder searches the local network for the units of the Zelvane product
family with their UDP search protocol, lists them in one window and, on
Connect, starts the matching client application or opens the unit's web
page.

zunit is its command-line companion: it scans, watches, locates and connects
like the finder, compares a network with an expected inventory, serves the
devices it finds to Prometheus (zunit exporter, with a systemd unit that is
not enabled by default), and plays simulated devices for tests.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# <name>_<version>_<architecture>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link come from dpkg-shlibdeps. What they start or load at run time
# it cannot see: Qt's window-system plugins, the fonts the window asks for, xdg-open for web
# pages, and Wine for Windows clients.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, fonts-liberation, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# /etc/default/zunit-exporter is the administrator's: kept on upgrades and removal.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${_zunit_packaging}/conffiles")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
