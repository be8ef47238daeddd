# WebAssembly with the WASI system interface: static linking only, modules end in .wasm.
set(WASI 1)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
set(CMAKE_STATIC_LIBRARY_PREFIX lib)
set(CMAKE_STATIC_LIBRARY_SUFFIX .a)
set_property(GLOBAL PROPERTY TARGET_SUPPORTS_SHARED_LIBS FALSE)
