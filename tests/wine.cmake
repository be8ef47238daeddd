# Runs the Windows build's tests under wine from CTest.
#
# Wine's services must be up before CTest lists the GoogleTest suite (which already runs it
# under wine), and a fixture can't run that early. So CTest runs wine_start.cmake as soon as it
# reads this folder's tests, and a cleanup fixture stops wine after the last of them.
file(CONFIGURE OUTPUT wine_start.cmake @ONLY CONTENT [[
# Generated from tests/wine.cmake. CTest runs this before any test of the Windows build.
if(NOT DEFINED ENV{WINEPREFIX})
  set(ENV{WINEPREFIX} "@PROJECT_BINARY_DIR@/wineprefix")
endif()
if(NOT DEFINED ENV{WINEDEBUG})
  set(ENV{WINEDEBUG} "-all")
endif()
if(NOT DEFINED ENV{WINEDLLOVERRIDES})
  set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
endif()
execute_process(COMMAND "@PROJECT_SOURCE_DIR@/tools/wine-env.sh" start COMMAND_ERROR_IS_FATAL ANY)
]])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/wine_start.cmake)

add_test(NAME WineStops COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-env.sh stop)
set_tests_properties(WineStops PROPERTIES FIXTURES_CLEANUP wine)
# Every test that runs under wine requires this.
set(wine_fixture FIXTURES_REQUIRED wine)
