# Cross-compiles for 32-bit ARM Linux (hard float) with Debian's g++-arm-linux-gnueabihf, and
# runs what it builds under qemu-arm. Plain char is unsigned on this target.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(triplet arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)

set(qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
