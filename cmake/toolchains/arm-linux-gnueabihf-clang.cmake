# Cross-compiles for 32-bit ARM Linux (hard float) with clang 14 and lld 14, against Debian's
# armhf C and C++ libraries (libc6-dev-armhf-cross, libstdc++-12-dev-armhf-cross), for machines
# where g++-arm-linux-gnueabihf can't be installed (it conflicts with gcc-multilib). Runs what it
# builds under qemu-arm. The Windows CE build builds its stand-in loader with it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(triplet arm-linux-gnueabihf)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${triplet})
set(CMAKE_CXX_COMPILER_TARGET ${triplet})
# gcc's cross files (crtbegin.o, libgcc, libstdc++) under /usr/lib/gcc-cross/arm-linux-gnueabihf.
set(CMAKE_C_COMPILER_EXTERNAL_TOOLCHAIN /usr)
set(CMAKE_CXX_COMPILER_EXTERNAL_TOOLCHAIN /usr)
# Headers from the target's folder alone, not this machine's /usr/include. (Linking keeps no
# sysroot: the C library's linker scripts name its files by their absolute paths.)
set(CMAKE_SYSROOT_COMPILE /usr/${triplet})
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld")

set(qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
