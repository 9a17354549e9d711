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
