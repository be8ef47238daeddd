# Builds for 32-bit x86 Linux (i686) with Debian's g++-i686-linux-gnu cross compiler, which
# (unlike gcc-multilib) installs beside the 32-bit ARM one. What it builds runs under
# qemu-i386 -L /usr/i686-linux-gnu; bench/builds.sh measures the library so.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(triplet i686-linux-gnu)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TUNELEDGER_QEMU_I386 qemu-i386)
if(TUNELEDGER_QEMU_I386)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TUNELEDGER_QEMU_I386} -L /usr/${triplet})
endif()
