# What `cmake --install` puts where: the header, the library, a CMake package
# (find_package(tuneledger CONFIG) gives tuneledger::tuneledger) and a pkg-config file, in the
# usual places. The command-line host installs itself from cli/.
#
# Each file belongs to a component, one a Debian package (cmake/debian.cmake): `library` (the
# shared library under its SONAME), `development` (the header, the libtuneledger.so link, the
# CMake package and the pkg-config file) and `cli` (cli/CMakeLists.txt).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tuneledger)

# INCLUDES DESTINATION gives the installed target its include folder, so the build's own
# target stays as it was defined.
install(TARGETS tuneledger EXPORT tuneledgerTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES include/tuneledger.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

install(EXPORT tuneledgerTargets NAMESPACE tuneledger:: DESTINATION ${package_dir} COMPONENT development)
configure_package_config_file(cmake/tuneledgerConfig.cmake.in tuneledgerConfig.cmake
  INSTALL_DESTINATION ${package_dir})
# A host built against 1.x runs with any later 1.x: the SONAME changes with the major version.
write_basic_package_version_file(tuneledgerConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/tuneledgerConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/tuneledgerConfigVersion.cmake
  DESTINATION ${package_dir} COMPONENT development)

# The .pc file finds its prefix from where it lies, so an installed tree can be moved (unless
# the folders were given as absolute paths).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH up "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" up "${up}")
  set(pc_prefix "\${pcfiledir}/${up}")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(pc_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(pc_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
if(WIN32)
  set(pc_library TUNELEDGER)
else()
  set(pc_library tuneledger)
endif()
configure_file(cmake/tuneledger.pc.in tuneledger.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tuneledger.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(cmake/debian.cmake)
endif()
