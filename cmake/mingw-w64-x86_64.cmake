# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the POSIX
# thread model, so std::thread and std::mutex work). Programs link libgcc, libstdc++ and
# winpthread statically so that a .exe runs with nothing beside it. Tests run through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZUNIT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZUNIT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZUNIT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZUNIT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZUNIT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest starts every test program through this script: wine in a scratch prefix, quiet, no display.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")

# Qt 6 for Windows from the cache scripts/qt-windows builds (scripts/setup windows makes it): its
# libraries are found under the cache's prefix, its build tools (moc, rcc, uic) are the host Qt's.
if(NOT DEFINED ZUNIT_QT_PREFIX)
    execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/qt-windows" --prefix
                    OUTPUT_VARIABLE _zunit_qt_prefix OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(ZUNIT_QT_PREFIX "${_zunit_qt_prefix}" CACHE PATH "Qt 6 for Windows (scripts/qt-windows)")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZUNIT_QT_PREFIX)
if(ZUNIT_QT_PREFIX AND EXISTS "${ZUNIT_QT_PREFIX}/lib/cmake/Qt6")
    list(PREPEND CMAKE_PREFIX_PATH "${ZUNIT_QT_PREFIX}/lib/cmake")
    list(PREPEND CMAKE_FIND_ROOT_PATH "${ZUNIT_QT_PREFIX}")
    set(QT_HOST_PATH /usr)
    # Without it Qt would look for the host tools' packages in /usr/lib/cmake.
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
