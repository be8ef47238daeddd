# The install folders (GNUInstallDirs), chosen before any part of the build installs anything.
# On a multiarch Linux system (Debian and its kin) the libraries, the CMake package and the
# pkg-config file go to lib/<tuple> (lib/x86_64-linux-gnu), where the system's own libraries and
# the Debian packages (cmake/debian.cmake) have them, whatever the prefix: GNUInstallDirs picks
# that folder only for the prefix /usr. CMAKE_INSTALL_LIBDIR on the command line still wins.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND CMAKE_LIBRARY_ARCHITECTURE
   AND EXISTS "/etc/debian_version" AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}" CACHE PATH "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)
