# What the toolchain files for Debian's cross targets share; each sets `triplet` and `qemu` (the
# qemu-user program that runs the target's code) first. Libraries, headers and packages come from
# /usr/<triplet> alone, and what is built runs under qemu with the target's shared libraries
# (libc, libstdc++) from there.
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TUNELEDGER_QEMU_${qemu} ${qemu})
if(TUNELEDGER_QEMU_${qemu})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TUNELEDGER_QEMU_${qemu}} -L /usr/${triplet})
endif()
