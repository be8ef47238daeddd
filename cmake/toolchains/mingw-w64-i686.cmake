# Cross-compiles for 32-bit Windows with Debian's mingw-w64, and runs what it builds under 32-bit
# wine (Debian's wine32:i386).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
