# The Linux install and its packages. `cmake --install` lays the build out
# as GNUInstallDirs names it: the programs in bin/ (quilmar_program gives
# each its install rule), the board access library in the library folder
# that their RUNPATH names, the library's interface for people who write
# against it, the demo's files and the reference pages. `cpack --preset
# default` packs that same tree as a .tar.gz and a .deb.
install(TARGETS zkt LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/boardlib/zkt_api.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES
  ${CMAKE_SOURCE_DIR}/demo/quilmar.ini
  ${CMAKE_SOURCE_DIR}/demo/zkt.ini
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/demo)

# Every page in man/ goes to the section its suffix names.
foreach(section 1 5)
  file(GLOB pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.${section})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_NAME quilmar)
set(CPACK_PACKAGE_VENDOR quilmar)
set(CPACK_PACKAGE_CONTACT "quilmar developers <quilmar@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Lists the boards of the board access library and programs their synthesizer services")
set(CPACK_PACKAGE_FILE_NAME quilmar-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The .deb's dependencies come from what the binaries link (dpkg-shlibdeps,
# package dpkg-dev), never from a typed list.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The archives are written again in a fixed order (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuilmarRepack.cmake)
include(CPack)
