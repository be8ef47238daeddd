# The scan kernels this build compiles: the portable one everywhere, and beside it the variants
# for the processor family built for, each file compiled for its own instruction set and chosen
# at run time by choice.cpp. Included by the top CMakeLists.txt.
set(scan_kernel_sources search/kernels/choice.cpp search/kernels/portable.cpp)
set(scan_kernel_definitions)

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  # SSE2 is part of every x86-64 processor.
  list(APPEND scan_kernel_sources search/kernels/sse2.cpp)
  list(APPEND scan_kernel_definitions TUNELEDGER_SSE2_VARIANT)
  # AVX2, where the processor reports it. Not on Windows: GCC there can't keep the stack
  # 32-byte aligned, and an AVX2 value spilled to the stack could fault.
  if(NOT WIN32)
    list(APPEND scan_kernel_sources search/kernels/avx2.cpp)
    list(APPEND scan_kernel_definitions TUNELEDGER_AVX2_VARIANT)
    set_source_files_properties(search/kernels/avx2.cpp PROPERTIES COMPILE_OPTIONS "-mavx2")
  endif()
endif()
