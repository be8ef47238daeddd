# Cross-compiles for 32-bit ARM Linux (hard float) with Debian's g++-arm-linux-gnueabihf, and
# runs what it builds under qemu-arm. Plain char is unsigned on this target.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(triplet arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -L: the target's shared libraries (libc, libstdc++) live under /usr/arm-linux-gnueabihf.
find_program(TUNELEDGER_QEMU_ARM qemu-arm)
if(TUNELEDGER_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TUNELEDGER_QEMU_ARM} -L /usr/${triplet})
endif()
