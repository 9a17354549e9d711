# The Windows programs' install rules: what scripts/package-windows stages as the program folder
# of its installer and portable zip. zUnitFinder.exe with Qt's DLLs and plugins is installed by
# app/CMakeLists.txt; this adds zunit.exe and the licences: ours, and those Qt is shipped under
# (kept in the Qt cache by scripts/qt-windows).
#
# Included by the top-level CMakeLists.txt on Windows once every program is defined.

if(NOT WIN32 OR NOT TARGET zunit)
    return()
endif()
include(GNUInstallDirs)

install(TARGETS zunit)
set(_zunit_licences "${CMAKE_INSTALL_BINDIR}/licenses")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" DESTINATION "${_zunit_licences}"
        RENAME zUnitFinder.txt)
if(TARGET zUnitFinder)
    foreach(licence LGPL-3.0-only GPL-3.0-only GPL-2.0-only)
        install(FILES "${ZUNIT_QT_PREFIX}/share/licenses/${licence}.txt"
                DESTINATION "${_zunit_licences}" RENAME "Qt-${licence}.txt")
    endforeach()
endif()
