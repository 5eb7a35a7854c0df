# The Windows package: quilmar-<version>-win32.zip. At its top the tool and
# zktdump with no ZKT.dll beside them, so that they reach the maker's library
# where Windows finds it; demo\ holds the same programs beside the simulator
# and the demo's settings, trace\ the same programs beside the tracing
# proxy; a short text on running it, and the licence.
# Made by `cpack` (the windows-x86 package preset) in the build folder.
foreach(folder demo trace)
  install(TARGETS quilmar zktdump RUNTIME DESTINATION ${folder})
endforeach()
install(TARGETS zkt RUNTIME DESTINATION demo)
install(TARGETS zkttrace RUNTIME DESTINATION trace)
install(FILES
  ${CMAKE_SOURCE_DIR}/demo/quilmar.ini
  ${CMAKE_SOURCE_DIR}/demo/zkt.ini
  DESTINATION demo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-win32.txt
  DESTINATION .
  RENAME README.txt)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(quilmar_package_system win32)
else()
  set(quilmar_package_system win64)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quilmar)
set(CPACK_PACKAGE_VENDOR quilmar)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Lists the boards of the board access library and programs their synthesizer services")

set(CPACK_PACKAGE_FILE_NAME quilmar-${PROJECT_VERSION}-${quilmar_package_system})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# The archives are written again in a fixed order (see the script).
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuilmarRepack.cmake)
include(CPack)
