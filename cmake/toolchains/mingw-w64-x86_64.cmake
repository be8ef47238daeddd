# Cross-compiles for 64-bit Windows with Debian's mingw-w64, and runs what it builds under wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
