# A program of one's own against the installed simulator, as README.md,
# "Testing your own program against simulated boards", shows it: installs the
# build into an empty prefix, builds the installed example list_boards.c
# (tests/install/list_boards.c) with the flags the installed zkt.pc gives (found through PKG_CONFIG_LIBDIR alone, its paths
# relative to the file itself), and runs it without LD_LIBRARY_PATH on a copy
# of the installed demo's zkt.ini: its output must be list_boards.out. Then
# the same program through the installed tracing proxy (LD_PRELOAD), whose
# trace must be list_boards.trace, and a replay of that recording, whose
# output is the same again and whose trace is the recording byte for byte.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(BUILD_DIR PREFIX WORK_DIR PKGCONFIGDIR PKGLIBDIR DOCDIR C_COMPILER PKG_CONFIG)

if(NOT PKG_CONFIG)
  # CI installs it (package pkgconf); elsewhere the test says why it did nothing.
  message(STATUS "own program check skipped: no pkg-config")
  return()
endif()

set(here ${CMAKE_CURRENT_LIST_DIR})
include(${here}/../compare_files.cmake)
file(REMOVE_RECURSE ${PREFIX} ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE install_result
  OUTPUT_VARIABLE install_log
  ERROR_VARIABLE install_log)
if(NOT install_result STREQUAL "0")
  message(FATAL_ERROR "cmake --install failed (${install_result}):\n${install_log}")
endif()

# Only the staged zkt.pc: not one that an installed package put on the
# system, and no sysroot that would move the paths.
set(pkg_config_env
  --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
  PKG_CONFIG_LIBDIR=${PREFIX}/${PKGCONFIGDIR})
function(pkg_config result_var)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${pkg_config_env} ${PKG_CONFIG} ${ARGN} zkt
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "pkg-config ${ARGN} zkt (${status}): ${err}")
  endif()
  set(${result_var} "${out}" PARENT_SCOPE)
endfunction()
pkg_config(flags --cflags --libs)
pkg_config(pkglibdir --variable=pkglibdir)
get_filename_component(pkglibdir "${pkglibdir}" REALPATH)
get_filename_component(staged_pkglibdir ${PREFIX}/${PKGLIBDIR} REALPATH)
if(NOT pkglibdir STREQUAL staged_pkglibdir)
  message(FATAL_ERROR "zkt.pc names '${pkglibdir}' as the package's folder, not ${staged_pkglibdir}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")

# Built as C99 with every warning an error, and linked as the build links its
# own programs (under the sanitizers, with their runtime first).
separate_arguments(link_flags UNIX_COMMAND "${LINK_FLAGS}")
set(program ${WORK_DIR}/list_boards)
execute_process(
  COMMAND ${C_COMPILER} -std=c99 -Wall -Wextra -pedantic -Werror ${link_flags}
          -o ${program} ${PREFIX}/${DOCDIR}/examples/list_boards.c ${flags}
  RESULT_VARIABLE compile_result
  OUTPUT_VARIABLE compile_log
  ERROR_VARIABLE compile_log)
if(NOT compile_result STREQUAL "0")
  message(FATAL_ERROR "${C_COMPILER} list_boards.c ${flags} (${compile_result}):\n${compile_log}")
endif()

# The program finds the staged simulator through the RUNPATH zkt.pc asked
# for; ldd tells, as a library of the same name elsewhere would hide it.
find_program(LDD ldd)
if(LDD)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${LDD} ${program}
    OUTPUT_VARIABLE ldd_out ERROR_VARIABLE ldd_out)
  string(REGEX MATCH "libzkt\\.so => (/[^ \n]*)" found "${ldd_out}")
  set(loaded "${CMAKE_MATCH_1}")
  if(loaded)
    get_filename_component(loaded "${loaded}" REALPATH)
  endif()
  if(NOT loaded STREQUAL "${staged_pkglibdir}/libzkt.so")
    message(FATAL_ERROR "list_boards loads '${loaded}', not ${staged_pkglibdir}/libzkt.so:\n${ldd_out}")
  endif()
endif()

set(failures "")
# Runs the program in a fresh folder holding the files given after ENV's
# variables; its standard output must be list_boards.out, standard error
# empty, the exit status 0.
function(run_program what folder)
  cmake_parse_arguments(PARSE_ARGV 2 run "" "" "FILES;ENV")
  file(MAKE_DIRECTORY ${folder})
  foreach(file IN LISTS run_FILES)
    file(COPY ${file} DESTINATION ${folder})
  endforeach()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=LD_PRELOAD
            --unset=ZKT_TRACE_FILE --unset=ZKT_TRACE_TARGET ${run_ENV} ${program}
    WORKING_DIRECTORY ${folder}
    OUTPUT_FILE ${folder}/actual.out
    ERROR_FILE ${folder}/actual.err
    RESULT_VARIABLE status
    TIMEOUT 60)
  file(READ ${folder}/actual.err err)
  if(NOT status STREQUAL "0" OR NOT err STREQUAL "")
    string(APPEND failures "${what}: exit status '${status}', standard error:\n${err}\n")
  endif()
  compare("${what}: standard output" ${here}/list_boards.out ${folder}/actual.out)
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

run_program("on the demo's boards" ${WORK_DIR}/alone
  FILES ${PREFIX}/${DOCDIR}/demo/zkt.ini)

run_program("through the proxy" ${WORK_DIR}/traced
  FILES ${PREFIX}/${DOCDIR}/demo/zkt.ini
  ENV LD_PRELOAD=${staged_pkglibdir}/libzkttrace.so ZKT_TRACE_FILE=boards.log
      "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:verify_asan_link_order=0")
compare("the proxy's trace" ${here}/list_boards.trace ${WORK_DIR}/traced/boards.log)

file(WRITE ${WORK_DIR}/zkt.ini "[Library]\nReplay = boards.log\nTrace = replay.log\n")
run_program("replaying the proxy's recording" ${WORK_DIR}/replay
  FILES ${WORK_DIR}/zkt.ini ${WORK_DIR}/traced/boards.log)
compare("the replay's trace" ${WORK_DIR}/traced/boards.log ${WORK_DIR}/replay/replay.log)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "list_boards built with pkg-config: alone, through the proxy and replayed, as expected")
