# Runs of list_boards.c, as the install tests build it from the installed
# package, for the tests of both systems: include() after compare_files.cmake.
# Each run appends what went wrong to the caller's failures.

# list_boards_run(what folder expected COMMAND <command> [FILES ...] [ENV ...]):
# runs command in folder, a fresh one holding the built program (the
# caller's `program`) and the files given, with ENV's variables and no trace
# asked for by the caller's environment. Standard output must be expected,
# standard error empty, the exit status 0.
function(list_boards_run what folder expected)
  cmake_parse_arguments(PARSE_ARGV 3 run "" "" "COMMAND;FILES;ENV")
  file(MAKE_DIRECTORY "${folder}")
  foreach(file IN LISTS run_FILES ITEMS "${program}")
    file(COPY "${file}" DESTINATION "${folder}")
  endforeach()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH --unset=LD_PRELOAD
            --unset=ZKT_TRACE_FILE --unset=ZKT_TRACE_TARGET ${run_ENV} ${run_COMMAND}
    WORKING_DIRECTORY "${folder}"
    OUTPUT_FILE "${folder}/actual.out"
    ERROR_FILE "${folder}/actual.err"
    RESULT_VARIABLE status
    TIMEOUT 120)
  file(READ "${folder}/actual.err" err)
  if(NOT status STREQUAL "0" OR NOT err STREQUAL "")
    string(APPEND failures "${what}: exit status '${status}', standard error:\n${err}\n")
  endif()
  compare("${what}: standard output" "${expected}" "${folder}/actual.out")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# list_boards_replay(what recording folder expected COMMAND <command>
# [FILES ...]): replays recording (a proxy's trace) through a zkt.ini of its
# own in folder, as list_boards_run runs; the replay's trace must then be
# the recording byte for byte.
function(list_boards_replay what recording folder expected)
  cmake_parse_arguments(PARSE_ARGV 4 run "" "" "COMMAND;FILES")
  file(MAKE_DIRECTORY "${folder}")
  file(WRITE "${folder}/zkt.ini" "[Library]\nReplay = boards.log\nTrace = replay.log\n")
  file(COPY_FILE "${recording}" "${folder}/boards.log")
  list_boards_run("${what}" "${folder}" "${expected}" COMMAND ${run_COMMAND} FILES ${run_FILES})
  compare("${what}: the replay's trace" "${recording}" "${folder}/replay.log")
  set(failures "${failures}" PARENT_SCOPE)
endfunction()
