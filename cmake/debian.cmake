# Debian packages, one a component of the install rules (cmake/packaging.cmake, cli/):
#   libtuneledger1     the shared library                       (component library)
#   libtuneledger-dev  header, .so link, CMake package, .pc     (component development)
#   tuneledger         command line, manual page, bash completion (component cli)
# each with /usr/share/doc/<package>/copyright (cmake/debian/copyright, machine-readable) and
# changelog.Debian.gz. `cpack --config CPackConfig.cmake` in the build folder writes them to
# packages/; the tests below do so, then check them with lintian and use them unpacked.
set(deb_release 1)
set(deb_version ${PROJECT_VERSION}-${deb_release})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tuneledger)
set(CPACK_PACKAGE_VENDOR "TuneLedger")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description below starts with its own synopsis; none is put in front of it.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGE_CONTACT "TuneLedger developers <tuneledger@example.org>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development cli)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${deb_release})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies: the C library from dpkg-shlibdeps (which finds libtuneledger.so.1 in the build
# folder), libtuneledger1 of the same version from the components' dependencies, and a shlibs
# file in libtuneledger1 for packages built against it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
set(CPACK_COMPONENT_CLI_DEPENDS library)

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libtuneledger1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "song chart table, read and searched through three calls
TuneLedger carries a fixed table of 11,084 song chart entries (performer,
title and six figures each) and lets a program read an entry, search the
entries for a text, or filter them by several terms, through three C calls
that take and give UTF-16 text.
.
This package holds the shared library.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libtuneledger-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "song chart table, read and searched through three calls - development files
TuneLedger carries a fixed table of 11,084 song chart entries (performer,
title and six figures each) and lets a program read an entry, search the
entries for a text, or filter them by several terms, through three C calls
that take and give UTF-16 text.
.
This package holds what a program needs to build against the library: the
header tuneledger.h, a CMake package (find_package(tuneledger)) and a
pkg-config file.")
set(CPACK_DEBIAN_CLI_PACKAGE_NAME tuneledger)
set(CPACK_DEBIAN_CLI_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_CLI_DESCRIPTION "song chart table from the command line
TuneLedger carries a fixed table of 11,084 song chart entries (performer,
title and six figures each). The tuneledger command reads an entry, searches
the entries for a text or filters them by several terms, and prints the hits
as lines, JSON or an aligned table, with the matches highlighted.")

# The library's package runs ldconfig through dpkg's trigger, not from maintainer scripts.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)

# What CPack 3.25 can't write itself, done to each package after it is built
# (cmake/debian/control_area.cmake): "Multi-Arch: same" for the library and its development
# files, whose files differ between architectures only inside lib/<tuple>; and no postinst or
# postrm that only call ldconfig, which the trigger does.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian/control_area.cmake)
set(CPACK_TUNELEDGER_MULTIARCH_SAME libtuneledger1 libtuneledger-dev)

# The copyright file and a changelog.Debian.gz for each package, installed only when the
# component is installed on its own, as CPack does: a plain `cmake --install` leaves them out.
find_program(TUNELEDGER_GZIP gzip)
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)  # SOURCE_DATE_EPOCH, where set
set(debian_docs)
foreach(component IN ITEMS library development cli)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  set(doc_dir ${CMAKE_CURRENT_BINARY_DIR}/debian/${package})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${doc_dir}/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${doc_dir}/changelog.Debian.gz
    COMMAND ${TUNELEDGER_GZIP} -9nf ${doc_dir}/changelog.Debian
    DEPENDS ${doc_dir}/changelog.Debian
    COMMENT "Compressing the Debian changelog of ${package}")
  list(APPEND debian_docs ${doc_dir}/changelog.Debian.gz)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${doc_dir}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
add_custom_target(tuneledger_debian_docs ALL DEPENDS ${debian_docs})

include(CPack)

# The release build makes the packages and checks them: lintian, then unpacked into a scratch
# root (dpkg -x, nothing installed) and used from there. lintian comes with tools/setup.sh languages.
if(TUNELEDGER_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING AND NOT TUNELEDGER_SANITIZE)
  find_program(TUNELEDGER_LINTIAN lintian)
  find_program(TUNELEDGER_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(TUNELEDGER_LINTIAN AND TUNELEDGER_DPKG_SHLIBDEPS AND TUNELEDGER_BUILD_CLI)
    set(check_debs ${CMAKE_CURRENT_LIST_DIR}/debian/check.sh)
    add_test(NAME DebianPackages COMMAND ${check_debs} build ${PROJECT_BINARY_DIR})
    add_test(NAME DebianPackagesLintian COMMAND ${check_debs} lintian ${PROJECT_BINARY_DIR})
    add_test(NAME DebianPackagesUnpacked
      COMMAND ${check_debs} unpacked ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}/packages/unpacked)
    set_tests_properties(DebianPackages PROPERTIES FIXTURES_SETUP debian_packages)
    set_tests_properties(DebianPackagesLintian DebianPackagesUnpacked PROPERTIES
      FIXTURES_REQUIRED debian_packages)
  else()
    message(STATUS "lintian or dpkg-dev not found: the Debian packages are not made or checked "
                   "(tools/setup.sh languages)")
  endif()
endif()
