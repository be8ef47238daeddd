# Cross-compiles TUNELEDGER.dll for Windows CE on ARM (Windows Embedded Compact 7 class devices:
# ARMv7, Thumb-2) with Debian's clang 14 and lld 14; no CE SDK. clang's Windows-on-ARM target
# emits Thumb-2 only. The DLL is linked with no C runtime: it imports what it needs from
# COREDLL.dll (interface/wince.cmake), and a step after the link marks it as a CE image.
#
# Declarations come from mingw-w64's headers (mingw-w64-i686-dev) and the C++ library's headers
# from its i686 g++ (g++-mingw-w64-i686-posix): the library uses only what needs no runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 7.0)
set(CMAKE_SYSTEM_PROCESSOR ARM)
set(TUNELEDGER_WINDOWS_CE ON)

set(triple thumbv7-w64-windows-gnu)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_RC_COMPILER llvm-windres-14)

# The sysroot holds mingw-w64's include/ and keeps this machine's own headers out.
set(CMAKE_SYSROOT /usr/share/mingw-w64)
set(cxx_headers /usr/lib/gcc/i686-w64-mingw32/12-posix/include/c++)
# No NEON and 16 double registers, as on the CE cores without them (the library uses no floating
# point at all). _WIN32_WCE: the CE version the headers and the library's sources build for.
set(flags "-mfpu=vfpv3-d16 -D_WIN32_WCE=0x700")
set(CMAKE_C_FLAGS_INIT "${flags}")
set(CMAKE_CXX_FLAGS_INIT "${flags} -nostdinc++ -isystem ${cxx_headers} -isystem ${cxx_headers}/i686-w64-mingw32")
set(CMAKE_RC_FLAGS_INIT "--target=${triple} -I ${CMAKE_SYSROOT}/include")
# lld in its mingw mode, with no C runtime, start files or libraries of mingw's: nothing is linked
# in but the library's own objects and the import library of COREDLL.dll. CMake's test programs
# are only compiled.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=/usr/bin/ld.lld-14 -nostdlib -nostartfiles")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld --ld-path=/usr/bin/ld.lld-14 -nostdlib -nostartfiles")
set(CMAKE_DLLTOOL llvm-dlltool-14)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing of Windows' own libraries either: COREDLL.dll is CE's one system DLL.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "Libraries every C target links" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "Libraries every C++ target links" FORCE)
