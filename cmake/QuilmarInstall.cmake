# The Linux install and its packages. `cmake --install` lays the build out
# as GNUInstallDirs names it: the programs in bin/ (quilmar_program gives
# each its install rule), the simulated board access library and the
# tracing proxy in the package's own folder below the library folder
# (QUILMAR_INSTALL_PKGLIBDIR, which the programs' RUNPATH names; sim/ and
# zkttrace/ install them), the library's interface and its zkt.pc for people
# who write against it, the demo's files, the reference pages gzipped, and the
# copyright (the licence in Debian's form) and changelog a Debian package
# carries. `cpack --preset default` packs that same tree as a .tar.gz, with
# LICENSE at its top, and a .deb.
install(FILES ${CMAKE_SOURCE_DIR}/boardlib/zkt_api.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# zkt.pc, so that a program of one's own builds against the simulator with
# `cc prog.c $(pkg-config --cflags --libs zkt)` and finds it at run time
# through the RUNPATH the file asks for. Its paths start from the file's own
# folder (${pcfiledir}), so the one file serves the .deb below /usr, the
# .tar.gz unpacked anywhere and an install into any prefix.
file(RELATIVE_PATH QUILMAR_PC_PREFIX_FROM_PCFILEDIR /prefix/${QUILMAR_INSTALL_PKGCONFIGDIR} /prefix)
string(REGEX REPLACE "/$" "" QUILMAR_PC_PREFIX_FROM_PCFILEDIR "${QUILMAR_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/zkt.pc.in ${CMAKE_BINARY_DIR}/generated/zkt.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/zkt.pc DESTINATION ${QUILMAR_INSTALL_PKGCONFIGDIR})
install(FILES
  ${CMAKE_SOURCE_DIR}/demo/quilmar.ini
  ${CMAKE_SOURCE_DIR}/demo/zkt.ini
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/demo)
# A program of one's own to start from (zkt(3), EXAMPLES); install.own-program
# builds and runs it.
install(FILES ${CMAKE_SOURCE_DIR}/tests/install/list_boards.c
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# Compressed with gzip -n -9 (no name, no time in the header), so that two
# builds of the same sources give the same bytes.
function(quilmar_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${source} -DOUTPUT=${output}
            -P ${CMAKE_SOURCE_DIR}/cmake/gzip_file.cmake
    DEPENDS ${source} ${CMAKE_SOURCE_DIR}/cmake/gzip_file.cmake
            ${CMAKE_SOURCE_DIR}/cmake/script_arguments.cmake
    VERBATIM)
endfunction()

set(quilmar_gzipped "")
set(gz_dir ${CMAKE_BINARY_DIR}/gz)
file(MAKE_DIRECTORY ${gz_dir}/man1 ${gz_dir}/man3 ${gz_dir}/man5)

# Every page in man/ goes to the section its suffix names.
foreach(page IN LISTS QUILMAR_MAN_PAGES)
  get_filename_component(name ${page} NAME)
  string(REGEX REPLACE ".*\\." "" section ${name})
  quilmar_gzip(${page} ${gz_dir}/man${section}/${name}.gz)
  list(APPEND quilmar_gzipped ${gz_dir}/man${section}/${name}.gz)
  install(FILES ${gz_dir}/man${section}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

# The changelog's newest entry names the version being packaged: a release
# that forgets to add its entry fails here, not in a user's package manager.
set(quilmar_changelog ${CMAKE_SOURCE_DIR}/packaging/debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${quilmar_changelog})
file(STRINGS ${quilmar_changelog} changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^quilmar \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "${quilmar_changelog}: the newest entry is '${changelog_top}', "
    "not one for quilmar ${PROJECT_VERSION}")
endif()
quilmar_gzip(${quilmar_changelog} ${gz_dir}/changelog.gz)
list(APPEND quilmar_gzipped ${gz_dir}/changelog.gz)
install(FILES ${gz_dir}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(quilmar_gzipped_docs ALL DEPENDS ${quilmar_gzipped})

# Who answers for the .deb. A builder who publishes a package sets it to an
# address that receives mail, e.g. -DQUILMAR_PACKAGE_MAINTAINER="Name <mail>".
set(QUILMAR_PACKAGE_MAINTAINER "quilmar developers <quilmar@example.org>" CACHE STRING
  "Maintainer of the Debian package: a name and a mail address, \"Name <user@host>\"")
if(NOT QUILMAR_PACKAGE_MAINTAINER MATCHES "^[^<>]*[^<> ] <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "QUILMAR_PACKAGE_MAINTAINER must read \"Name <user@host.domain>\", "
    "not '${QUILMAR_PACKAGE_MAINTAINER}'")
endif()

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_NAME quilmar)
set(CPACK_PACKAGE_VENDOR quilmar)
set(CPACK_PACKAGE_CONTACT "${QUILMAR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "list boards of a board access library and program their synthesizers")
set(CPACK_PACKAGE_FILE_NAME quilmar-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The .deb's dependencies come from what the binaries link, never from a
# typed list: cmake/QuilmarDebDepends.cmake asks dpkg-shlibdeps.
set(CPACK_PRE_BUILD_SCRIPTS
  ${CMAKE_SOURCE_DIR}/cmake/QuilmarStagedModes.cmake
  ${CMAKE_SOURCE_DIR}/cmake/QuilmarDebDepends.cmake
  ${CMAKE_SOURCE_DIR}/cmake/QuilmarArchiveLicense.cmake)
set(CPACK_QUILMAR_PKGLIBDIR ${QUILMAR_INSTALL_PKGLIBDIR})
set(CPACK_QUILMAR_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
file(READ ${CMAKE_SOURCE_DIR}/packaging/debian/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/packaging/debian/description)

# The archives are written again in a fixed order (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuilmarRepack.cmake)
include(CPack)
