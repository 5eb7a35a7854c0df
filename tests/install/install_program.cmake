# A program of one's own against the installed simulator, as README.md,
# "Testing your own program against simulated boards", shows it, with the
# command lines taken from README.md itself, so that the two cannot drift
# apart: installs the build into an empty prefix below a folder whose name
# holds a space (PREFIX), copies the installed example list_boards.c
# (tests/install/list_boards.c) and builds it with README.md's eval line,
# run by sh -c, its flags from the installed zkt.pc (found through
# PKG_CONFIG_LIBDIR alone, its paths relative to the file itself). The
# README's `cc` is a script of this test's own that calls C_COMPILER with
# every warning an error. The program runs without LD_LIBRARY_PATH on a
# copy of the installed demo's zkt.ini: its output must be list_boards.out.
# Then through the installed tracing proxy with each of README.md's trace
# lines: the one for a path with a space (LD_LIBRARY_PATH), and the one by
# full path through PLAIN_PREFIX, a link to PREFIX whose path holds no
# space; each trace must be list_boards.trace. Last, a replay of that
# recording, whose output is the same again and whose trace is the
# recording byte for byte.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(BUILD_DIR SOURCE_DIR PREFIX PLAIN_PREFIX WORK_DIR PKGCONFIGDIR PKGLIBDIR DOCDIR
  C_COMPILER PKG_CONFIG)

if(NOT PKG_CONFIG)
  # CI installs it (package pkgconf); elsewhere the test says why it did nothing.
  message(STATUS "own program check skipped: no pkg-config")
  return()
endif()

set(here ${CMAKE_CURRENT_LIST_DIR})
include(${here}/../compare_files.cmake)
if(NOT PREFIX MATCHES " ")
  message(FATAL_ERROR "PREFIX '${PREFIX}' holds no space: the check would not show the README's lines work there")
endif()
file(REMOVE_RECURSE "${PREFIX}" "${WORK_DIR}" "${PLAIN_PREFIX}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix "${PREFIX}"
  RESULT_VARIABLE install_result
  OUTPUT_VARIABLE install_log
  ERROR_VARIABLE install_log)
if(NOT install_result STREQUAL "0")
  message(FATAL_ERROR "cmake --install failed (${install_result}):\n${install_log}")
endif()
file(CREATE_LINK "${PREFIX}" "${PLAIN_PREFIX}" SYMBOLIC)

# README.md's command lines that run pkg-config: the build, the trace by
# full path and the trace for a path with a space. Any other is one this
# check does not run, and fails it.
file(STRINGS ${SOURCE_DIR}/README.md readme_lines REGEX "\\$\\(pkg-config ")
set(build_line "")
set(trace_line "")
set(spaced_trace_line "")
foreach(line IN LISTS readme_lines)
  if(line MATCHES "`")
    continue() # prose, not a command line
  elseif(line MATCHES "--cflags --libs")
    set(kind build_line)
  elseif(line MATCHES "LD_LIBRARY_PATH=")
    set(kind spaced_trace_line)
  elseif(line MATCHES "LD_PRELOAD=\\$\\(pkg-config ")
    set(kind trace_line)
  else()
    message(FATAL_ERROR "README.md gives a pkg-config line that install.own-program does not run:\n${line}")
  endif()
  if(NOT ${kind} STREQUAL "")
    message(FATAL_ERROR "README.md gives two lines of one kind:\n${${kind}}\n${line}")
  endif()
  set(${kind} "${line}")
endforeach()
foreach(kind build_line trace_line spaced_trace_line)
  if(${kind} STREQUAL "")
    message(FATAL_ERROR "README.md lacks its ${kind} with pkg-config")
  endif()
endforeach()

# Only the staged zkt.pc: not one that an installed package put on the
# system, and no sysroot that would move the paths.
set(pkg_config_env
  --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
  "PKG_CONFIG_LIBDIR=${PREFIX}/${PKGCONFIGDIR}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${pkg_config_env} ${PKG_CONFIG} --variable=pkglibdir zkt
  RESULT_VARIABLE status
  OUTPUT_VARIABLE pkglibdir
  ERROR_VARIABLE err
  OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "pkg-config --variable=pkglibdir zkt (${status}): ${err}")
endif()
# pkg-config writes a space in a path as "\ ".
string(REPLACE "\\ " " " pkglibdir "${pkglibdir}")
get_filename_component(pkglibdir "${pkglibdir}" REALPATH)
get_filename_component(staged_pkglibdir "${PREFIX}/${PKGLIBDIR}" REALPATH)
if(NOT pkglibdir STREQUAL staged_pkglibdir)
  message(FATAL_ERROR "zkt.pc names '${pkglibdir}' as the package's folder, not ${staged_pkglibdir}")
endif()

# The README's cc: C99 with every warning an error, linked as the build
# links its own programs (under the sanitizers, with their runtime first).
separate_arguments(link_flags UNIX_COMMAND "${LINK_FLAGS}")
set(cc_script "#!/bin/sh\nexec '${C_COMPILER}' -std=c99 -Wall -Wextra -pedantic -Werror")
foreach(flag IN LISTS link_flags)
  string(APPEND cc_script " '${flag}'")
endforeach()
string(APPEND cc_script " \"$@\"\n")
file(WRITE "${WORK_DIR}/bin/cc" "${cc_script}")
file(CHMOD "${WORK_DIR}/bin/cc" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(build_dir "${WORK_DIR}/build")
file(MAKE_DIRECTORY "${build_dir}")
file(COPY "${PREFIX}/${DOCDIR}/examples/list_boards.c" DESTINATION "${build_dir}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${pkg_config_env} "PATH=${WORK_DIR}/bin:$ENV{PATH}"
          sh -c "${build_line}"
  WORKING_DIRECTORY "${build_dir}"
  RESULT_VARIABLE compile_result
  OUTPUT_VARIABLE compile_log
  ERROR_VARIABLE compile_log)
set(program "${build_dir}/list_boards")
if(NOT compile_result STREQUAL "0" OR NOT EXISTS "${program}")
  message(FATAL_ERROR "sh -c '${build_line}' in ${build_dir} (${compile_result}):\n${compile_log}")
endif()

# The program finds the staged simulator through the RUNPATH zkt.pc asked
# for; ldd tells, as a library of the same name elsewhere would hide it.
find_program(LDD ldd)
if(LDD)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${LDD} "${program}"
    OUTPUT_VARIABLE ldd_out ERROR_VARIABLE ldd_out)
  string(REGEX MATCH "libzkt\\.so => (/[^\n]*) \\(0x[0-9a-f]+\\)" found "${ldd_out}")
  set(loaded "${CMAKE_MATCH_1}")
  if(loaded)
    get_filename_component(loaded "${loaded}" REALPATH)
  endif()
  if(NOT loaded STREQUAL "${staged_pkglibdir}/libzkt.so")
    message(FATAL_ERROR "list_boards loads '${loaded}', not ${staged_pkglibdir}/libzkt.so:\n${ldd_out}")
  endif()
endif()

set(failures "")
include(${here}/list_boards_runs.cmake)
set(expected ${here}/list_boards.out)
list_boards_run("on the demo's boards" "${WORK_DIR}/alone" ${expected} COMMAND ./list_boards
  FILES "${PREFIX}/${DOCDIR}/demo/zkt.ini")

# Under the sanitizers the preloaded proxy comes before their runtime.
set(traced_env "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:verify_asan_link_order=0")
list_boards_run("through the proxy, by full path" "${WORK_DIR}/traced" ${expected}
  COMMAND sh -c "${trace_line}"
  FILES "${PREFIX}/${DOCDIR}/demo/zkt.ini"
  ENV --unset=PKG_CONFIG_PATH --unset=PKG_CONFIG_SYSROOT_DIR
      "PKG_CONFIG_LIBDIR=${PLAIN_PREFIX}/${PKGCONFIGDIR}" ${traced_env})
compare("the proxy's trace, by full path" ${here}/list_boards.trace "${WORK_DIR}/traced/boards.log")

list_boards_run("through the proxy, in a path with a space" "${WORK_DIR}/traced-spaced" ${expected}
  COMMAND sh -c "${spaced_trace_line}"
  FILES "${PREFIX}/${DOCDIR}/demo/zkt.ini"
  ENV ${pkg_config_env} ${traced_env})
compare("the proxy's trace, in a path with a space" ${here}/list_boards.trace
  "${WORK_DIR}/traced-spaced/boards.log")

list_boards_replay("replaying the proxy's recording" "${WORK_DIR}/traced-spaced/boards.log"
  "${WORK_DIR}/replay" ${expected} COMMAND ./list_boards)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "list_boards built with README.md's pkg-config line under '${PREFIX}': alone, through the proxy both ways and replayed, as expected")
