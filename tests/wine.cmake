# Runs the Windows build's programs under wine, from CTest and when CTest lists GoogleTest's tests.
#
# Every program runs through tools/wine-env.sh run (see there why), in this build's wine prefix
# unless WINEPREFIX says otherwise. Listing the tests (ctest -N) runs a suite only when it was
# built anew, to learn its tests, and wine ends by itself after it. Running the tests starts
# wine's services once, in a setup fixture, and stops them after the last test.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/wine-env @ONLY CONTENT [[#!/bin/sh
# Generated from tests/wine.cmake: tools/wine-env.sh in this build's wine prefix.
export WINEPREFIX="${WINEPREFIX:-@PROJECT_BINARY_DIR@/wineprefix}"
exec "@PROJECT_SOURCE_DIR@/tools/wine-env.sh" "$@"
]])
file(CHMOD ${PROJECT_BINARY_DIR}/wine-env
  PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# For every Windows program of the build, here and in the folders added after this one.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-env run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR} PARENT_SCOPE)

add_test(NAME WineStarts COMMAND ${PROJECT_BINARY_DIR}/wine-env start)
set_tests_properties(WineStarts PROPERTIES FIXTURES_SETUP wine)
add_test(NAME WineStops COMMAND ${PROJECT_BINARY_DIR}/wine-env stop)
set_tests_properties(WineStops PROPERTIES FIXTURES_CLEANUP wine)
# Every test that runs under wine requires this.
set(wine_fixture FIXTURES_REQUIRED wine)
