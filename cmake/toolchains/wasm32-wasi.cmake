# Compiles for WebAssembly (wasm32) with Debian's clang 14, lld 14 and WebAssembly C and C++
# libraries (wasi-libc, libc++-14-dev-wasm32): no emscripten. What it builds runs under Node and
# in browsers through web/tuneledger.mjs, which gives the module no imports to speak of.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# CMake 3.25 has no WASI platform of its own; ours is a few lines.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/../platforms)

set(triple wasm32-wasi)
set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
# Debian puts the WebAssembly libraries under /usr/lib/wasm32-wasi and /usr/include/wasm32-wasi,
# where clang 14 looks for them by itself.
set(CMAKE_FIND_ROOT_PATH /usr/lib/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No exceptions and no threads in this target; wasi-libc's libc++ is built that way too.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions")
