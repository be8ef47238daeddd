# Run by CPack after it has built the Debian packages (CPACK_POST_BUILD_SCRIPTS, set in
# cmake/debian.cmake), for what CPack 3.25 can't write itself:
#   - "Multi-Arch: same" in the control file of each package in CPACK_TUNELEDGER_MULTIARCH_SAME;
#   - no postinst or postrm that does nothing but call ldconfig: the package's ldconfig trigger
#     does that (CPack writes both for any package with a library in /usr/lib).
# dpkg-deb takes each package apart and builds it again, its files owned by root as before.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${deb} NAME)
  string(REGEX REPLACE "_.*" "" package ${name})
  set(work ${CPACK_PACKAGE_DIRECTORY}/_CPack_Packages/control_area)
  set(tree ${work}/${package})
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${work})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)

  set(changed FALSE)
  if(package IN_LIST CPACK_TUNELEDGER_MULTIARCH_SAME)
    file(READ ${tree}/DEBIAN/control control)
    if(NOT control MATCHES "(^|\n)Multi-Arch:")
      # CPack ends the paragraph with an empty line: the field goes before it.
      string(REGEX REPLACE "\n+$" "\n" control "${control}")
      file(WRITE ${tree}/DEBIAN/control "${control}Multi-Arch: same\n")
      set(changed TRUE)
    endif()
  endif()
  foreach(script IN ITEMS postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(STRINGS ${tree}/DEBIAN/${script} lines)
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|[ \t]*ldconfig|if \\[ \"\\$1\" = \"configure\" \\]; then|if \\[ \"\\$1\" = \"remove\" \\]; then|fi|[ \t]*)$")
      if(NOT lines)
        file(REMOVE ${tree}/DEBIAN/${script})
        set(changed TRUE)
      endif()
    endif()
  endforeach()

  if(changed)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${deb}
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    message(STATUS "Control area of ${name}: Multi-Arch and maintainer scripts as Debian has them")
  endif()
endforeach()
