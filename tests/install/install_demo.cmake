# Installs the build into an empty prefix, checks that each file lands where
# the install layout puts it, and runs the installed quilmar on a copy of the
# installed demo files: its output must be the demo's expected output, which
# proves that the installed program finds the installed library.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(BUILD_DIR SOURCE_DIR PREFIX WORK_DIR BINDIR LIBDIR PKGLIBDIR PKGCONFIGDIR INCLUDEDIR DOCDIR
  MANDIR)

file(REMOVE_RECURSE ${PREFIX} ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE install_result
  OUTPUT_VARIABLE install_log
  ERROR_VARIABLE install_log)
if(NOT install_result STREQUAL "0")
  message(FATAL_ERROR "cmake --install failed (${install_result}):\n${install_log}")
endif()

set(wanted
  ${BINDIR}/quilmar
  ${BINDIR}/zktdump
  ${PKGLIBDIR}/libzkt.so
  ${PKGLIBDIR}/libzkttrace.so
  ${INCLUDEDIR}/zkt_api.h
  ${PKGCONFIGDIR}/zkt.pc
  ${DOCDIR}/demo/quilmar.ini
  ${DOCDIR}/demo/zkt.ini
  ${DOCDIR}/examples/list_boards.c
  ${DOCDIR}/copyright
  ${DOCDIR}/changelog.gz)
file(GLOB pages RELATIVE ${SOURCE_DIR}/man ${SOURCE_DIR}/man/*.1 ${SOURCE_DIR}/man/*.3
  ${SOURCE_DIR}/man/*.5)
if(NOT pages)
  message(FATAL_ERROR "no man pages in ${SOURCE_DIR}/man")
endif()
set(gzipped ${DOCDIR}/changelog.gz=packaging/debian/changelog)
foreach(page IN LISTS pages)
  string(REGEX MATCH "[0-9]$" section ${page})
  list(APPEND wanted ${MANDIR}/man${section}/${page}.gz)
  list(APPEND gzipped ${MANDIR}/man${section}/${page}.gz=man/${page})
endforeach()
set(missing "")
foreach(file IN LISTS wanted)
  if(NOT EXISTS ${PREFIX}/${file})
    string(APPEND missing "  ${file}\n")
  endif()
endforeach()
if(missing)
  file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
  string(REPLACE ";" "\n  " installed "${installed}")
  message(FATAL_ERROR "not installed:\n${missing}installed:\n  ${installed}")
endif()
# The libraries sit in the package's own folder only. In the library folder
# itself the simulated libzkt.so would stand in the system's library path,
# in front of the maker's library for every program; a copy beside the
# programs would hide whether their RUNPATH reaches the private folder.
foreach(dir ${LIBDIR} ${BINDIR})
  foreach(lib libzkt.so libzkttrace.so)
    if(EXISTS ${PREFIX}/${dir}/${lib})
      message(FATAL_ERROR "${lib} installed in ${dir}, not only in ${PKGLIBDIR}")
    endif()
  endforeach()
endforeach()

# Each gzipped file holds its source, and its header names no file and no
# time (gzip -n), so that two builds give the same bytes: byte 3 holds the
# flags (0x08: a file name follows), bytes 4 to 7 the time.
find_program(GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(pair IN LISTS gzipped)
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 file)
  list(GET pair 1 source)
  file(READ ${PREFIX}/${file} header LIMIT 8 HEX)
  string(SUBSTRING "${header}" 6 2 flags)
  string(SUBSTRING "${header}" 8 8 mtime)
  math(EXPR has_name "0x${flags} & 8")
  if(NOT header MATCHES "^1f8b08" OR has_name OR NOT mtime STREQUAL "00000000")
    message(FATAL_ERROR "${file}: not gzip -n (header ${header})")
  endif()
  execute_process(COMMAND ${GZIP} -dc ${PREFIX}/${file}
    OUTPUT_FILE ${WORK_DIR}/gunzipped RESULT_VARIABLE gunzip_result)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE_DIR}/${source}
                          ${WORK_DIR}/gunzipped
                  RESULT_VARIABLE differs)
  if(NOT gunzip_result STREQUAL "0" OR differs)
    message(FATAL_ERROR "${file} does not hold ${source}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                        ${SOURCE_DIR}/packaging/debian/copyright ${PREFIX}/${DOCDIR}/copyright
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${DOCDIR}/copyright differs from packaging/debian/copyright")
endif()
# A library of the same name elsewhere on the system (an installed package)
# would let the run below pass with a broken RUNPATH; ldd says which one the
# installed program loads.
find_program(LDD ldd)
if(LDD)
  execute_process(COMMAND ${LDD} ${PREFIX}/${BINDIR}/quilmar OUTPUT_VARIABLE ldd_out
                  ERROR_VARIABLE ldd_out)
  string(REGEX MATCH "libzkt\\.so => ([^ \n]*)" found "${ldd_out}")
  set(loaded "${CMAKE_MATCH_1}")
  if(loaded)
    get_filename_component(loaded "${loaded}" REALPATH)
  endif()
  get_filename_component(wanted_lib ${PREFIX}/${PKGLIBDIR}/libzkt.so REALPATH)
  if(NOT loaded STREQUAL wanted_lib)
    message(FATAL_ERROR "the installed quilmar loads '${loaded}', not ${wanted_lib}:\n${ldd_out}")
  endif()
endif()
foreach(file ${DOCDIR}/demo/quilmar.ini ${DOCDIR}/demo/zkt.ini)
  get_filename_component(name ${file} NAME)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE_DIR}/demo/${name}
                          ${PREFIX}/${file}
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${file} differs from demo/${name}")
  endif()
endforeach()

execute_process(
  COMMAND ${CMAKE_COMMAND}
    -DQUILMAR=${PREFIX}/${BINDIR}/quilmar
    -DCASE_DIR=${PREFIX}/${DOCDIR}/demo
    -DEXPECTED_DIR=${SOURCE_DIR}/tests/e2e/demo
    -DWORK_DIR=${WORK_DIR}
    -P ${SOURCE_DIR}/tests/e2e/run_case.cmake
  RESULT_VARIABLE run_result
  OUTPUT_VARIABLE run_log
  ERROR_VARIABLE run_log)
if(NOT run_result STREQUAL "0")
  message(FATAL_ERROR "the installed quilmar on the installed demo:\n${run_log}")
endif()

# zktdump, installed beside quilmar, finds the same library: its dump of the
# installed demo names the demo's first board.
execute_process(COMMAND ${PREFIX}/${BINDIR}/zktdump
  WORKING_DIRECTORY ${PREFIX}/${DOCDIR}/demo
  RESULT_VARIABLE dump_result
  OUTPUT_VARIABLE dump
  ERROR_VARIABLE dump_err)
if(NOT dump_result STREQUAL "0" OR NOT dump MATCHES "\nName = ZK-DDS-PCI\n")
  message(FATAL_ERROR "the installed zktdump on the installed demo (${dump_result}):\n${dump}${dump_err}")
endif()
