# Shared compile settings and helpers for the libraries, tests, benchmarks and fuzzers.

include(ZUnitVersion)  # zunit_version_block: the version block embedded in a program

add_library(zunit_options INTERFACE)
target_include_directories(zunit_options INTERFACE "${PROJECT_SOURCE_DIR}")
target_compile_options(zunit_options INTERFACE -Wall -Wextra)
if(ZUNIT_WERROR)
    target_compile_options(zunit_options INTERFACE -Werror)
endif()
if(ZUNIT_SANITIZE)
    list(JOIN ZUNIT_SANITIZE "," _zunit_san)
    target_compile_options(zunit_options INTERFACE -fsanitize=${_zunit_san} -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=all)
    target_link_options(zunit_options INTERFACE -fsanitize=${_zunit_san})
endif()
# Fuzzers only find what they can see: with fuzzing on, every library is built with libFuzzer's
# coverage instrumentation (the fuzz targets add the libFuzzer main themselves).
if(ZUNIT_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(zunit_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Qt is optional so the protocol and network layers build on machines without it.
if(ZUNIT_GUI STREQUAL "AUTO")
    find_package(Qt6 COMPONENTS Widgets Test QUIET)
    set(ZUNIT_HAVE_QT ${Qt6_FOUND})
elseif(ZUNIT_GUI)
    find_package(Qt6 COMPONENTS Widgets Test REQUIRED)
    set(ZUNIT_HAVE_QT ON)
else()
    set(ZUNIT_HAVE_QT OFF)
endif()

# The resource compiler is the host Qt's, which compresses with zstd when it can; Qt for Windows
# is built without zstd (scripts/qt-windows), so its resources stay zlib-compressed.
if(WIN32 AND ZUNIT_HAVE_QT)
    set(CMAKE_AUTORCC_OPTIONS --no-zstd)
endif()

# zunit_library(name SOURCES ... [LIBS ...]): one static library per subsystem folder.
function(zunit_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC zunit_options ${ARG_LIBS})
endfunction()

# zunit_posix_tests(list_var name ...): takes the named test files (file names without folder) out
# of a source list in the Windows build. For tests of Linux's own pieces (the Wine prefix's
# registry files, sysfs views) and tests still written against POSIX calls.
function(zunit_posix_tests list_var)
    if(NOT WIN32)
        return()
    endif()
    set(sources ${${list_var}})
    foreach(name ${ARGN})
        list(FILTER sources EXCLUDE REGEX "(^|/)${name}$")
    endforeach()
    set(${list_var} ${sources} PARENT_SCOPE)
endfunction()

# zunit_gtest(name LABEL label SOURCES ... [LIBS ...]): a GoogleTest executable whose cases are
# registered with ctest one by one under the given label.
function(zunit_gtest name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE zunit_options ${ARG_LIBS} GTest::gtest GTest::gtest_main
                                          GTest::gmock Threads::Threads)
    # A cross build lists its cases when ctest runs (through the emulator, in the run's Wine
    # prefix), not after every link.
    if(CMAKE_CROSSCOMPILING)
        set(discovery DISCOVERY_MODE PRE_TEST)
    else()
        set(discovery)
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS ${ARG_LABEL} DISCOVERY_TIMEOUT 120 ${discovery})
endfunction()

# zunit_gui_gtest(name SOURCES ... [LIBS ...]): a GoogleTest executable for Qt widgets, labelled
# gui. Its main (tests/support/gui_test_main.cpp) creates the QApplication, on Qt's offscreen
# platform unless QT_QPA_PLATFORM names another.
function(zunit_gui_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} "${PROJECT_SOURCE_DIR}/tests/support/gui_test_main.cpp")
    target_link_libraries(${name} PRIVATE zunit_options ${ARG_LIBS} Qt6::Widgets Qt6::Test
                                          GTest::gtest GTest::gmock Threads::Threads)
    zunit_deploy_qt(${name})
    if(CMAKE_CROSSCOMPILING)
        set(discovery DISCOVERY_MODE PRE_TEST)
    else()
        set(discovery)
    endif()
    gtest_discover_tests(${name} PROPERTIES LABELS gui ENVIRONMENT QT_QPA_PLATFORM=offscreen
                         DISCOVERY_TIMEOUT 120 ${discovery})
endfunction()

# zunit_deploy_qt(target): on Windows, copies the Qt DLLs the program links and the platform and
# style plugins it loads beside it after each link (plugins in platforms/ and styles/, where Qt
# looks for them next to the program), so that it runs from the build tree as it does installed.
function(zunit_deploy_qt target)
    if(NOT WIN32)
        return()
    endif()
    set(dir "$<TARGET_FILE_DIR:${target}>")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${CMAKE_COMMAND}" -E copy_if_different "$<TARGET_RUNTIME_DLLS:${target}>" "${dir}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${dir}/platforms" "${dir}/styles"
        COMMAND "${CMAKE_COMMAND}" -E copy_if_different
                "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
                "$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>" "${dir}/platforms"
        COMMAND "${CMAKE_COMMAND}" -E copy_if_different
                "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>" "${dir}/styles"
        COMMAND_EXPAND_LISTS VERBATIM)
endfunction()
