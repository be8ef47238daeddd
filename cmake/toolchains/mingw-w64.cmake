# What both mingw-w64 toolchain files share; each sets `triplet` and CMAKE_SYSTEM_PROCESSOR first.
#
# The -posix compilers: GoogleTest and std::thread need the POSIX thread model (winpthread).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs link mingw's runtime in, so they start under wine without its DLLs on a path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TUNELEDGER_WINE wine)
if(TUNELEDGER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TUNELEDGER_WINE})
endif()
