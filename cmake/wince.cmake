# TUNELEDGER.dll for Windows CE on ARM (cmake/toolchains/wince-arm.cmake), included by the top
# CMakeLists.txt once the DLL's target is made as for every Windows build. What differs here:
#   - no C runtime: the entry point is DllMain itself, and the DLL imports from COREDLL.dll alone,
#     through an import library made from interface/coredll.def;
#   - lld knows no CE subsystem and writes machine ARMNT: tools/wince_pe.py marks the image as
#     CE wants it (machine THUMB, subsystem Windows CE GUI, CE 7.0) after each link;
#   - the tests: the DLL's headers, imports and exports, and a stand-in CE loader
#     (tests/wince_loader) that runs the DLL under qemu-arm.
find_program(TUNELEDGER_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)
find_program(TUNELEDGER_LLVM_READOBJ NAMES llvm-readobj-14 llvm-readobj REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(coredll_import ${PROJECT_BINARY_DIR}/coredll.lib)
add_custom_command(
  OUTPUT ${coredll_import}
  COMMAND ${TUNELEDGER_LLVM_DLLTOOL} -m arm -d ${PROJECT_SOURCE_DIR}/interface/coredll.def -l ${coredll_import}
  DEPENDS interface/coredll.def
  COMMENT "Import library of COREDLL.dll")
add_custom_target(tuneledger_coredll_import DEPENDS ${coredll_import})
add_dependencies(tuneledger tuneledger_coredll_import)

target_link_libraries(tuneledger PRIVATE ${coredll_import})
target_link_options(tuneledger PRIVATE LINKER:--entry=DllMain)
add_custom_command(TARGET tuneledger POST_BUILD
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/wince_pe.py $<TARGET_FILE:tuneledger>
  COMMENT "Marking TUNELEDGER.dll as a Windows CE image")

# Frames over a page call a stack probe, which on CE must be the DLL's own.
tuneledger_room(tuneledger_wince_stack_probe SOURCES interface/stack_probe_arm.cpp)
target_sources(tuneledger PRIVATE $<TARGET_OBJECTS:tuneledger_wince_stack_probe>)

if(TUNELEDGER_BUILD_TESTS)
  find_program(TUNELEDGER_LLVM_NM NAMES llvm-nm-14 llvm-nm REQUIRED)
  # PE32 for THUMB, a Windows CE GUI image of CE 7.0, exactly the three calls at ordinals 1 to 3,
  # imports from COREDLL.dll alone, and none of the C++ runtime.
  add_test(NAME LibraryExportsOnlyTheThreeCalls
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:tuneledger> -DNM=${TUNELEDGER_LLVM_NM}
            -DREADOBJ=${TUNELEDGER_LLVM_READOBJ} -DSYSTEM_DLLS=coredll.dll -DPOINTER_BYTES=4
            -DMACHINE=0x1C2 -DSUBSYSTEM=0x9 -DSYSTEM_VERSION=7.0 -DRUNTIME_FREE=ON
            -P ${PROJECT_SOURCE_DIR}/tests/check_exports.cmake)
  add_test(NAME WindowsCeImageMarking
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/wince/wince_pe_test.py)
endif()

# The stand-in CE loader (tests/wince_loader) is a 32-bit ARM Linux program: a build of this tree
# of its own, with clang for ARM Linux, makes it after the DLL. CTest runs it under qemu-arm: the
# kit's listed cases, paging against the reference model, and load-call-unload cycles.
if(TUNELEDGER_BUILD_TESTS)
  include(ExternalProject)
  set(loader_build ${PROJECT_BINARY_DIR}/wince-loader)
  ExternalProject_Add(tuneledger_wince_loader_build
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${loader_build}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchains/arm-linux-gnueabihf-clang.cmake
      -DCMAKE_BUILD_TYPE=Release -DTUNELEDGER_WINCE_LOADER=ON
      -DTUNELEDGER_BUILD_CLI=OFF -DTUNELEDGER_INSTALL=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${loader_build} --target tuneledger_wince_loader --parallel 2
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    DEPENDS tuneledger)
  find_program(TUNELEDGER_QEMU_ARM qemu-arm REQUIRED)
  set(TUNELEDGER_WINCE_CYCLES 1000 CACHE STRING "Load and unload cycles of the test WinceLoaderRunsTheDll")
  add_test(NAME WinceLoaderRunsTheDll
    COMMAND ${TUNELEDGER_QEMU_ARM} -L /usr/arm-linux-gnueabihf
            ${loader_build}/tests/wince_loader/tuneledger_wince_loader $<TARGET_FILE:tuneledger>
            ${TUNELEDGER_WINCE_CYCLES})
endif()
