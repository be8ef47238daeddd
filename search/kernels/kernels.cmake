# The scan kernels, as rooms of their own (cmake/rooms.cmake): the portable kernel everywhere,
# and beside it the variants for the processor family built for, each file compiled for its own
# instruction set and chosen at run time by choice.cpp. Included by the top CMakeLists.txt.
#
#   tuneledger_kernels           the kernels every build of the library links
#   tuneledger_kernels_simd128   WebAssembly only: the same with WebAssembly SIMD, for the module
#                                that engines with SIMD load (web/CMakeLists.txt)
#
#   processor              variants beside portable      chosen by
#   x86-64 (Linux)         sse2, avx2                    CPUID (AVX2 also the system's XGETBV)
#   x86-64 (Windows)       sse2, avx2 (see below)        the same
#   32-bit x86             sse2, avx2                    CPUID for both
#   32-bit ARM (Linux)     word32, neon                  the auxiliary vector's HWCAP_NEON
#   32-bit ARM (CE)        word32                        (always: no NEON assumed)
#   WebAssembly            simd128 in a second module    the loader, by WebAssembly.validate
#   anything else          none

# tuneledger_kernel_room(<target> <variant>...): choice.cpp and the portable kernel, and each
# named variant's file (search/kernels/<variant>.cpp) with TUNELEDGER_<VARIANT>_VARIANT defined.
function(tuneledger_kernel_room target)
  set(sources search/kernels/choice.cpp search/kernels/portable.cpp)
  set(definitions)
  foreach(variant IN LISTS ARGN)
    list(APPEND sources search/kernels/${variant}.cpp)
    string(TOUPPER ${variant} upper)
    list(APPEND definitions TUNELEDGER_${upper}_VARIANT)
  endforeach()
  tuneledger_room(${target} SOURCES ${sources} SEES search/kernels search/matching.h)
  target_compile_definitions(${target} PRIVATE ${definitions})
endfunction()

set(scan_kernel_variants)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|x86|X86|i[3-6]86)$")
  list(APPEND scan_kernel_variants sse2 avx2)
  # 32-bit x86 assumes no SSE2, so sse2.cpp is compiled for it alone (x86-64 always has it).
  set(sse2_options)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(sse2_options -msse2)
  endif()
  set(avx2_options -mavx2)
  if(WIN32)
    # GCC for Windows can't keep the stack 32-byte aligned (nor, in 32-bit code, 16-byte
    # aligned: a caller owes a 32-bit function only 4), so a vector it spills to the stack
    # with an aligned move could fault. binutils 2.38 and later write every such move in its
    # unaligned form when asked; and 32-bit code is told to realign its stack where it keeps
    # vectors there, for the instructions that take a vector operand from memory.
    set(unaligned -Wa,-muse-unaligned-vector-move)
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS "-mavx2 ${unaligned}")
    check_cxx_source_compiles("int main() { return 0; }" TUNELEDGER_ASSEMBLER_UNALIGNED_MOVES)
    unset(CMAKE_REQUIRED_FLAGS)
    if(NOT TUNELEDGER_ASSEMBLER_UNALIGNED_MOVES)
      message(FATAL_ERROR "The assembler doesn't take ${unaligned} (binutils 2.38 or later does); "
                          "the AVX2 kernel is unsafe in a Windows DLL without it")
    endif()
    list(APPEND sse2_options ${unaligned})
    list(APPEND avx2_options ${unaligned})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(APPEND sse2_options -mincoming-stack-boundary=2)
      list(APPEND avx2_options -mincoming-stack-boundary=2)
    endif()
  endif()
  # (Out of link-time optimization, which would compile them again with the link's options.)
  set_source_files_properties(search/kernels/sse2.cpp PROPERTIES COMPILE_OPTIONS "${sse2_options};-fno-lto")
  set_source_files_properties(search/kernels/avx2.cpp PROPERTIES COMPILE_OPTIONS "${avx2_options};-fno-lto")
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|ARM|armv7.*)$" AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND scan_kernel_variants word32)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    list(APPEND scan_kernel_variants neon)
    set_source_files_properties(search/kernels/neon.cpp PROPERTIES COMPILE_OPTIONS "-mfpu=neon;-fno-lto")
  endif()
endif()
tuneledger_kernel_room(tuneledger_kernels ${scan_kernel_variants})

if(WASI)
  tuneledger_kernel_room(tuneledger_kernels_simd128 simd128)
  set_source_files_properties(search/kernels/simd128.cpp PROPERTIES COMPILE_OPTIONS -msimd128)
endif()
