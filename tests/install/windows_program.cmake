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
include(${here}/list_boards_runs.cmake)
set(run_here COMMAND ${EMULATOR} list_boards.exe)

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

  set(expected ${WORK_DIR}/list_boards.out)
  list_boards_run("${form}: on the demo's boards" "${work}/alone" ${expected} ${run_here}
    FILES "${sdk}/${form}/sim/ZKT.dll" "${PREFIX}/demo/zkt.ini")
  string(REPLACE "/" "\\" target "Z:${sdk}/${form}/sim/ZKT.dll")
  list_boards_run("${form}: through the proxy" "${work}/traced" ${expected} ${run_here}
    FILES "${sdk}/${form}/trace/ZKT.dll" "${PREFIX}/demo/zkt.ini"
    ENV "ZKT_TRACE_TARGET=${target}" ZKT_TRACE_FILE=boards.log)
  compare("${form}: the proxy's trace" ${here}/list_boards.trace "${work}/traced/boards.log")
  list_boards_replay("${form}: replaying the proxy's recording" "${work}/traced/boards.log"
    "${work}/replay" ${expected} ${run_here} FILES "${sdk}/${form}/sim/ZKT.dll")
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "list_boards built against sdk/ as ${FORMS}: beside the simulator, through the proxy and replayed, as expected")
