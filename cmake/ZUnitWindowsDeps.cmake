# The Windows build's dependencies, all from Debian: GoogleTest from the sources the googletest
# package installs, CLI11 and nlohmann-json as installed (header-only), TinyXML-2, Google
# Benchmark and civetweb from their Debian source packages, which scripts/setup windows fetches into
# build/windows-deps. Each is built here with the cross compiler and offered under the target
# name its find_package would give on Linux.

set(ZUNIT_GOOGLETEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources (googletest)")
set(ZUNIT_WINDOWS_DEPS "${PROJECT_SOURCE_DIR}/build/windows-deps" CACHE PATH
    "Where scripts/setup windows unpacks the Debian source packages")
set(ZUNIT_HEADER_ONLY_ROOT "/usr/include" CACHE PATH "Where CLI/ and nlohmann/ are installed")

foreach(source "${ZUNIT_GOOGLETEST_SOURCE}/CMakeLists.txt"
               "${ZUNIT_WINDOWS_DEPS}/tinyxml2-9.0.0+dfsg/tinyxml2.cpp"
               "${ZUNIT_WINDOWS_DEPS}/benchmark-1.7.1/CMakeLists.txt"
               "${ZUNIT_WINDOWS_DEPS}/civetweb-1.15+dfsg/src/civetweb.c"
               "${ZUNIT_HEADER_ONLY_ROOT}/CLI/CLI.hpp"
               "${ZUNIT_HEADER_ONLY_ROOT}/nlohmann/json.hpp")
    if(NOT EXISTS "${source}")
        message(FATAL_ERROR "${source} is missing: run scripts/setup windows")
    endif()
endforeach()

# GoogleTest and GoogleMock (GTest::gtest, GTest::gtest_main, GTest::gmock).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${ZUNIT_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL
                 SYSTEM)

# Header-only libraries: the cross compiler must not search /usr/include as a whole (its Linux C
# headers would hide the Windows ones), so each library's folder is linked into a folder of its own.
set(_zunit_headers "${CMAKE_BINARY_DIR}/_deps/header-only")
file(MAKE_DIRECTORY "${_zunit_headers}")
foreach(folder CLI nlohmann)
    file(CREATE_LINK "${ZUNIT_HEADER_ONLY_ROOT}/${folder}" "${_zunit_headers}/${folder}" SYMBOLIC)
endforeach()
add_library(zunit_cli11 INTERFACE)
target_include_directories(zunit_cli11 SYSTEM INTERFACE "${_zunit_headers}")
add_library(CLI11::CLI11 ALIAS zunit_cli11)
add_library(zunit_nlohmann_json INTERFACE)
target_include_directories(zunit_nlohmann_json SYSTEM INTERFACE "${_zunit_headers}")
add_library(nlohmann_json::nlohmann_json ALIAS zunit_nlohmann_json)

# TinyXML-2: one source file.
set(_zunit_tinyxml2 "${ZUNIT_WINDOWS_DEPS}/tinyxml2-9.0.0+dfsg")
add_library(zunit_tinyxml2 STATIC "${_zunit_tinyxml2}/tinyxml2.cpp")
target_include_directories(zunit_tinyxml2 SYSTEM PUBLIC "${_zunit_tinyxml2}")
add_library(tinyxml2::tinyxml2 ALIAS zunit_tinyxml2)

# civetweb (the exporter's web server): one C file, without TLS, CGI, file serving and scripting.
set(_zunit_civetweb "${ZUNIT_WINDOWS_DEPS}/civetweb-1.15+dfsg")
add_library(zunit_civetweb STATIC "${_zunit_civetweb}/src/civetweb.c")
target_include_directories(zunit_civetweb SYSTEM PUBLIC "${_zunit_civetweb}/include")
target_compile_definitions(zunit_civetweb PRIVATE NO_SSL NO_CGI NO_FILES NO_CACHING USE_IPV6)
target_compile_options(zunit_civetweb PRIVATE -w)
target_link_libraries(zunit_civetweb PUBLIC ws2_32)
add_library(civetweb::civetweb ALIAS zunit_civetweb)

# Google Benchmark (benchmark::benchmark), without its own tests.
set(BENCHMARK_ENABLE_TESTING OFF CACHE BOOL "" FORCE)
set(BENCHMARK_ENABLE_GTEST_TESTS OFF CACHE BOOL "" FORCE)
set(BENCHMARK_ENABLE_INSTALL OFF CACHE BOOL "" FORCE)
set(BENCHMARK_ENABLE_WERROR OFF CACHE BOOL "" FORCE)
set(BENCHMARK_INSTALL_DOCS OFF CACHE BOOL "" FORCE)
set(GIT_VERSION 1.7.1)  # Debian's package takes its version from git, which its sources lack
add_subdirectory("${ZUNIT_WINDOWS_DEPS}/benchmark-1.7.1" "${CMAKE_BINARY_DIR}/_deps/benchmark"
                 EXCLUDE_FROM_ALL SYSTEM)
set(benchmark_FOUND ON)
