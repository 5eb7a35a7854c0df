# A program of one's own on Windows: list_boards.c built with the MinGW C
# compiler against the zip's sdk\ (installed from the build as the zip is),
# once a form of the maker's library, each against that form's zkt_api.h
# and import library with every warning an error. Each build lists the
# demo's boards beside that form's simulator, then through that form's proxy
# in front of it (the trace as expected), then replays the proxy's recording
# (the same output, the replay's trace the recording byte for byte).
# Inputs: BUILD_DIR, PREFIX, WORK_DIR, C_COMPILER, EMULATOR, FORMS (the
# folders of sdk\ to build against).
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(BUILD_DIR PREFIX WORK_DIR C_COMPILER FORMS)
set(here ${CMAKE_CURRENT_LIST_DIR})
include(${here}/../compare_files.cmake)

file(REMOVE_RECURSE "${PREFIX}" "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} failed (${result})")
endif()

# The console writes CR LF; the traces are written as they are.
file(READ ${here}/list_boards.out expected_text)
string(REPLACE "\n" "\r\n" expected_text "${expected_text}")
file(WRITE ${WORK_DIR}/list_boards.out "${expected_text}")

set(failures "")
# Runs list_boards.exe in folder beside the files given, with the
# environment's variables after ENV; it must print list_boards.out alone.
function(run_program what folder)
  cmake_parse_arguments(PARSE_ARGV 2 run "" "" "FILES;ENV")
  file(MAKE_DIRECTORY "${folder}")
  foreach(file IN LISTS run_FILES ITEMS "${program}")
    file(COPY "${file}" DESTINATION "${folder}")
  endforeach()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=ZKT_TRACE_FILE --unset=ZKT_TRACE_TARGET ${run_ENV}
            ${EMULATOR} list_boards.exe
    WORKING_DIRECTORY "${folder}"
    OUTPUT_FILE "${folder}/actual.out"
    ERROR_VARIABLE err
    RESULT_VARIABLE status
    TIMEOUT 120)
  if(NOT status STREQUAL "0" OR NOT err STREQUAL "")
    string(APPEND failures "${what}: exit status '${status}', standard error:\n${err}\n")
  endif()
  compare("${what}: standard output" ${WORK_DIR}/list_boards.out "${folder}/actual.out")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

foreach(form IN LISTS FORMS)
  set(sdk "${PREFIX}/sdk")
  set(work "${WORK_DIR}/${form}")
  set(program "${work}/list_boards.exe")
  # A stdcall program says so to the header, as README.txt tells.
  set(convention "")
  if(form MATCHES "^stdcall")
    set(convention -DZKT_CALL=__stdcall)
  endif()
  file(MAKE_DIRECTORY "${work}")
  execute_process(
    COMMAND ${C_COMPILER} -std=c99 -Wall -Wextra -pedantic -Werror ${convention}
            -I "${sdk}" ${here}/list_boards.c -L "${sdk}/${form}" -lZKT -o "${program}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)
  if(NOT result STREQUAL "0")
    message(FATAL_ERROR "${form}: list_boards.c does not build against sdk/${form}:\n${log}")
  endif()

  run_program("${form}: on the demo's boards" "${work}/alone"
    FILES "${sdk}/${form}/sim/ZKT.dll" "${PREFIX}/demo/zkt.ini")
  string(REPLACE "/" "\\" target "Z:${sdk}/${form}/sim/ZKT.dll")
  run_program("${form}: through the proxy" "${work}/traced"
    FILES "${sdk}/${form}/trace/ZKT.dll" "${PREFIX}/demo/zkt.ini"
    ENV "ZKT_TRACE_TARGET=${target}" ZKT_TRACE_FILE=boards.log)
  compare("${form}: the proxy's trace" ${here}/list_boards.trace "${work}/traced/boards.log")
  file(WRITE "${work}/zkt.ini" "[Library]\nReplay = boards.log\nTrace = replay.log\n")
  run_program("${form}: replaying the proxy's recording" "${work}/replay"
    FILES "${sdk}/${form}/sim/ZKT.dll" "${work}/zkt.ini" "${work}/traced/boards.log")
  compare("${form}: the replay's trace" "${work}/traced/boards.log" "${work}/replay/replay.log")
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "list_boards built against sdk/ as ${FORMS}: beside the simulator, through the proxy and replayed, as expected")
