# The Windows package: quilmar-<version>-win32.zip. At its top the tool and
# zktdump with no ZKT.dll beside them, so that they reach the maker's library
# where Windows finds it; demo\ holds the same programs beside the simulator
# and the demo's settings, trace\ the same programs beside the tracing
# proxy; sdk\ what other programs build against; doc\ the reference pages
# as text; a short text on running it, and the licence.
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

# sdk\: for a program of one's own built against the maker's ZKT.DLL, the
# simulator (sim\) and the proxy (trace\) exporting the operations in each
# form that DLL may take, with the form's .def and a MinGW import library
# made from it; and the interface, zkt_api.h. 64-bit Windows has one
# calling convention: one form.
install(FILES ${CMAKE_SOURCE_DIR}/boardlib/zkt_api.h DESTINATION sdk)
set(quilmar_sdk_forms cdecl:zkt:zkttrace)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND quilmar_sdk_forms stdcall:zkt_stdcall:zkttrace_stdcall
    stdcall-decorated:zkt_decorated:zkttrace_decorated)
endif()
find_program(QUILMAR_DLLTOOL ${QUILMAR_MINGW_TRIPLET}-dlltool REQUIRED)
set(quilmar_sdk_libraries "")
foreach(entry IN LISTS quilmar_sdk_forms)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 form)
  list(GET entry 1 simulator)
  list(GET entry 2 proxy)
  install(TARGETS ${simulator} RUNTIME DESTINATION sdk/${form}/sim)
  install(TARGETS ${proxy} RUNTIME DESTINATION sdk/${form}/trace)
  # The names a caller's objects refer to, as 32-bit .def files write them
  # (without the leading underscore): stdcall ones as ZKT_init@8. -k takes
  # the @8 off the name imported; "==" names the export in full.
  set(def "LIBRARY ZKT.dll\nEXPORTS\n")
  foreach(operation IN LISTS ZKT_OPERATION_BYTES)
    string(REPLACE ":" "@" decorated ${operation})
    string(REGEX REPLACE ":.*" "" plain ${operation})
    if(form STREQUAL "cdecl")
      string(APPEND def "${plain}\n")
    elseif(form STREQUAL "stdcall")
      string(APPEND def "${decorated}\n")
    else()
      string(APPEND def "${decorated} == _${decorated}\n")
    endif()
  endforeach()
  set(form_dir ${CMAKE_BINARY_DIR}/sdk/${form})
  file(WRITE ${form_dir}/ZKT.def "${def}")
  set(kill_at "")
  if(form STREQUAL "stdcall")
    set(kill_at -k)
  endif()
  # Run in the folder: dlltool names the library's symbols after the path.
  add_custom_command(OUTPUT ${form_dir}/libZKT.a
    COMMAND ${QUILMAR_DLLTOOL} --deterministic-libraries ${kill_at} -d ZKT.def -l libZKT.a
    WORKING_DIRECTORY ${form_dir}
    DEPENDS ${form_dir}/ZKT.def
    VERBATIM)
  list(APPEND quilmar_sdk_libraries ${form_dir}/libZKT.a)
  install(FILES ${form_dir}/ZKT.def ${form_dir}/libZKT.a DESTINATION sdk/${form})
endforeach()
add_custom_target(quilmar_sdk_libraries ALL DEPENDS ${quilmar_sdk_libraries})

# The man pages, rendered as text from their sources at every build, so the
# zip's copies cannot drift from the pages the Linux packages carry. Without
# groff the zip would lack its references; the configure stops instead.
find_program(QUILMAR_GROFF groff)
if(NOT QUILMAR_GROFF)
  message(FATAL_ERROR "groff is needed to render the man pages into the zip's doc\\ folder "
    "as text; on Debian, install groff-base")
endif()
set(quilmar_doc_dir ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${quilmar_doc_dir})
set(quilmar_doc_texts "")
foreach(page IN LISTS QUILMAR_MAN_PAGES)
  # zkt.ini.5 gives zkt.ini.txt: only the section's suffix goes.
  get_filename_component(name ${page} NAME_WLE)
  set(text ${quilmar_doc_dir}/${name}.txt)
  add_custom_command(OUTPUT ${text}
    COMMAND ${CMAKE_COMMAND} -DGROFF=${QUILMAR_GROFF} -DINPUT=${page} -DOUTPUT=${text}
            -P ${CMAKE_SOURCE_DIR}/cmake/man_text.cmake
    DEPENDS ${page} ${CMAKE_SOURCE_DIR}/cmake/man_text.cmake
            ${CMAKE_SOURCE_DIR}/cmake/script_arguments.cmake
    VERBATIM)
  list(APPEND quilmar_doc_texts ${text})
endforeach()
add_custom_target(quilmar_doc_texts ALL DEPENDS ${quilmar_doc_texts})
install(FILES ${quilmar_doc_texts} DESTINATION doc)

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
