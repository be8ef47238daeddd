# Builds for 32-bit x86 Linux (i686) with this machine's gcc and Debian's gcc-multilib (-m32);
# what it builds runs here, natively or under valgrind. bench/builds.sh measures the library so.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

# The 32-bit libraries gcc-multilib brings (libc6-dev-i386, lib32stdc++).
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
