# Builds for 32-bit x86 Linux (i686) with Debian's g++-i686-linux-gnu cross compiler, which
# (unlike gcc-multilib) installs beside the 32-bit ARM one. What it builds runs under
# qemu-i386 -L /usr/i686-linux-gnu; bench/builds.sh measures the library so.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(triplet i686-linux-gnu)
set(CMAKE_C_COMPILER ${triplet}-gcc)
set(CMAKE_CXX_COMPILER ${triplet}-g++)

set(qemu qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
