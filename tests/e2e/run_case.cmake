# Runs the tool once in a fresh folder holding one case's files, and compares
# what it wrote byte for byte with the case's expectations:
#   zkt.ini, quilmar.ini   copied into the folder (quilmar.ini may be absent)
#   zkt.ini.from,          in place of the file, the path (relative to the
#   quilmar.ini.from       case) of the one to copy in: another case's, the demo's
#   trace.log              an older trace, copied too (usually absent)
#   program                "zktdump": the case runs zktdump (ZKTDUMP=...)
#                          instead of quilmar (absent: quilmar); "sessions":
#                          tests/e2e/sessions.cpp (SESSIONS=...), a program
#                          of several library sessions
#   args                   the tool's arguments, one a line (absent: none)
#   stdout-redirect        a POSIX shell redirection of standard output that
#                          the run starts with instead: ">&-" (closed) or
#                          ">/dev/full"; standard output is then empty
#   recording.log          a recorded trace for zkt.ini's Replay, copied too
#   standin                "crash <operation>" or "hang <operation>": the case
#                          runs only through the proxy (PROXY), in front of
#                          the stand-in library STANDIN (tests/support/
#                          failing_zkt.cpp), which fails so in that operation
#   interrupts             text the proxy's trace comes to hold once the tool
#                          hangs: the tool then gets two SIGINTs
#   linux-only             the case runs on Linux alone (tests/e2e/CMakeLists.txt
#                          reports it skipped elsewhere with the reason it holds)
#   stdin                  fed to the tool (absent: empty input)
#   expected.status        the exit status (absent: 0), or how a signal ended
#                          the run, as CMake says it ("Segmentation fault")
#   expected.out           standard output
#   expected.err           standard error (absent: must be empty)
#   expected.trace         the simulator's call trace, written to trace.log
#                          (absent: the run must write no trace.log; a case
#                          that makes no library call keeps none)
#   trace-name             the name of that trace file where zkt.ini gives
#                          it another than trace.log (absent: trace.log)
#   expected-files/        the files the run writes in its folder (as the
#                          file its arguments name), each byte for byte
# A run leaves no file in its folder but its call traces and expected-files:
# a tool that names no file writes none. zkt.ini, quilmar.ini and recording.log stay byte for
# byte as they were given.
# ROW=<name> takes the program, its one argument, the redirect, the exit
# status and standard error (a file of CASE_DIR) from that row of
# CASE_DIR/rows (tests/case_inputs.cmake) instead; standard output must then
# be empty.
# Those from stdin on may sit in another folder, EXPECTED_DIR, so that a
# folder of inputs meant for users (the demo) stays free of test files.
# "@PROJECT_VERSION@" in expected.out and expected.err stands for VERSION
# (-DVERSION=...), the project's version, so that a new version changes no
# case. A line "%ZKT_DLL_FORM%" there and in expected-files stands for
# zktdump's line "; ZKT.DLL: <ZKT_DLL_FORM>", left out where ZKT_DLL_FORM
# is empty (where zktdump cannot tell the library's form).
#
# PROXY=<tracing proxy> runs the same case through the tracing proxy in
# front of the simulator, which must change nothing: standard output and
# standard error as above, and the proxy's trace (ZKT_TRACE_FILE=proxy.log)
# byte for byte the simulator's own, expected.trace, without its "# " note
# lines (the proxy sees only calls). A case whose zkt.ini names no trace
# keeps the proxy's trace in expected-proxy.trace instead; a case with
# neither makes no call, and the proxy must write no trace at all. On Linux the proxy
# comes in through LD_PRELOAD and finds the simulator next in load order (or
# at TARGET when given); on Windows the tool and the proxy's ZKT.dll are
# copied into the case folder and the proxy loads the simulator from TARGET,
# the simulator's DLL in the build's bin folder.
#
# REPLAY=ON then replays the run from its recording: the simulator's trace
# (trace.log, when the case expects one) or, with PROXY, the proxy's trace.
# A fresh folder gets quilmar.ini, the recording as recording.log and a
# zkt.ini of three lines (Replay = recording.log, Trace = replay.log), and
# the plain simulator answers the tool from the recording. Standard output
# must be byte for byte the recorded run's, and replay.log the recording
# without its "# " notes. A replay is asked for only where the run records
# (e2e/CMakeLists.txt registers it so): a run that left no recording fails.
#
# NEWLINE=CRLF (the Windows build) says that the tool's standard output and
# standard error end lines in CR LF: the tool writes "\n" to text-mode
# streams, as every Windows console program does. The expected files keep
# LF; each "\n" of them becomes "\r\n" before the byte-for-byte comparison,
# which is just what the text mode does. The trace is written in binary mode
# and compares as it is on every system.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(QUILMAR CASE_DIR WORK_DIR)
if(NOT DEFINED NEWLINE OR NEWLINE STREQUAL "")
  set(NEWLINE LF)
endif()
if(NOT NEWLINE MATCHES "^(LF|CRLF)$")
  message(FATAL_ERROR "NEWLINE must be LF or CRLF, not '${NEWLINE}'")
endif()

if(NOT DEFINED EXPECTED_DIR)
  set(EXPECTED_DIR ${CASE_DIR})
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
# The simulator's trace file: the name a case's zkt.ini gives it, as the
# bytes of the case's file say it (a name beyond ASCII, in UTF-8).
set(trace_name trace.log)
if(EXISTS ${CASE_DIR}/trace-name)
  file(READ ${CASE_DIR}/trace-name trace_name)
  string(REGEX REPLACE "\n.*" "" trace_name "${trace_name}")
endif()
# The settings the run reads, and its replay too (absent: none).
include(${CMAKE_CURRENT_LIST_DIR}/../case_inputs.cmake)
case_input(${CASE_DIR} quilmar.ini settings)
case_input(${CASE_DIR} zkt.ini zkt_ini)
foreach(input ${zkt_ini} ${settings} ${CASE_DIR}/trace.log ${CASE_DIR}/recording.log)
  if(EXISTS ${input})
    file(COPY ${input} DESTINATION ${WORK_DIR})
  endif()
endforeach()
case_stdin(${EXPECTED_DIR} ${WORK_DIR} stdin_file)
if(DEFINED ROW)
  case_row(${CASE_DIR} ${ROW} row)
  list(GET row 1 row_program)
  list(GET row 2 row_argument)
  list(GET row 3 row_redirect)
  list(GET row 4 row_status)
  list(GET row 5 row_err)
endif()

# One argument a line; a line may hold blanks, and an empty line is an
# empty argument. A ";" would split an argument in CMake's lists.
set(arguments "")
if(DEFINED ROW)
  set(arguments ${row_argument})
elseif(EXISTS ${CASE_DIR}/args)
  file(READ ${CASE_DIR}/args args_text)
  if(args_text MATCHES ";")
    message(FATAL_ERROR "${CASE_DIR}/args: an argument cannot hold ';'")
  endif()
  string(REGEX REPLACE "\n$" "" args_text "${args_text}")
  string(REPLACE "\n" ";" arguments "${args_text}")
endif()

set(expected_status 0)
if(DEFINED ROW)
  set(expected_status ${row_status})
elseif(EXISTS ${EXPECTED_DIR}/expected.status)
  file(STRINGS ${EXPECTED_DIR}/expected.status expected_status LIMIT_COUNT 1)
endif()

set(program ${QUILMAR})
set(program_named quilmar)
if(DEFINED ROW AND NOT row_program STREQUAL "quilmar")
  set(program_named ${row_program})
elseif(EXISTS ${CASE_DIR}/program)
  file(STRINGS ${CASE_DIR}/program program_named LIMIT_COUNT 1)
endif()
if(NOT program_named STREQUAL "quilmar")
  if(NOT program_named MATCHES "^(zktdump|sessions)$")
    message(FATAL_ERROR "${CASE_DIR}/program: names '${program_named}', not zktdump or sessions")
  endif()
  string(TOUPPER ${program_named} program_variable)
  if(NOT DEFINED ${program_variable})
    message(FATAL_ERROR "${CASE_DIR} runs ${program_named}: run_case.cmake needs -D${program_variable}=...")
  endif()
  set(program ${${program_variable}})
endif()
set(built_program ${program})

# The command that runs the program (ARGN, the program first): with
# standard output redirected by the shell where the case says so.
set(redirect "")
if(DEFINED ROW)
  set(redirect ${row_redirect})
elseif(EXISTS ${CASE_DIR}/stdout-redirect)
  file(STRINGS ${CASE_DIR}/stdout-redirect redirect LIMIT_COUNT 1)
endif()
function(command_of result_var)
  set(command ${EMULATOR} ${ARGN})
  if(NOT redirect STREQUAL "")
    set(command sh -c "exec \"$@\" ${redirect}" sh ${command})
  elseif(DEFINED hang_text)
    # Interrupted twice once it hangs: the program is the shell's process.
    # (Lines, not ";": that would split CMake's list.)
    set(command sh -c "(until grep -q -F '${hang_text}' proxy.log 2>/dev/null\ndo sleep 0.1\ndone\nkill -INT $$\nsleep 0.5\nkill -INT $$) &\nexec \"$@\"" sh ${command})
  endif()
  set(${result_var} ${command} PARENT_SCOPE)
endfunction()

# LIBRARY=<a DLL> (Windows) runs a copy of the program beside that DLL as
# ZKT.dll, which the program binds at its start whatever the DLL's calling
# convention and export names; with PROXY the proxy takes that place and
# TARGET names the DLL instead.
if(DEFINED LIBRARY)
  get_filename_component(program_name ${program} NAME)
  file(COPY ${program} DESTINATION ${WORK_DIR})
  file(COPY_FILE ${LIBRARY} ${WORK_DIR}/ZKT.dll)
  set(program ${WORK_DIR}/${program_name})
endif()

set(environment "")
if(EXISTS ${CASE_DIR}/standin)
  require_definitions(STANDIN PROXY)
  file(STRINGS ${CASE_DIR}/standin standin LIMIT_COUNT 1)
  list(APPEND environment "ZKT_STANDIN=${standin}")
  set(TARGET ${STANDIN})
endif()
if(EXISTS ${CASE_DIR}/interrupts)
  file(STRINGS ${CASE_DIR}/interrupts hang_text LIMIT_COUNT 1)
endif()
if(DEFINED PROXY)
  list(APPEND environment ZKT_TRACE_FILE=proxy.log)
  if(WIN32_PROGRAM)
    get_filename_component(program_name ${program} NAME)
    file(COPY ${program} ${PROXY} DESTINATION ${WORK_DIR})
    set(program ${WORK_DIR}/${program_name})
  else()
    # The sanitizers' runtime need not come first when the proxy does.
    list(APPEND environment "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:verify_asan_link_order=0")
    if(PROXY MATCHES " ")
      # LD_PRELOAD splits at spaces: a proxy in a folder whose path has one
      # is named by its file name alone and found through LD_LIBRARY_PATH,
      # as the README tells users to do.
      get_filename_component(proxy_name "${PROXY}" NAME)
      get_filename_component(proxy_folder "${PROXY}" DIRECTORY)
      list(APPEND environment LD_PRELOAD=${proxy_name} "LD_LIBRARY_PATH=${proxy_folder}")
    else()
      list(APPEND environment LD_PRELOAD=${PROXY})
    endif()
  endif()
  if(DEFINED TARGET)
    set(target_path ${TARGET})
    if(WIN32_PROGRAM)
      # Wine shows the host's root as drive Z:.
      string(REPLACE "/" "\\" target_path "Z:${TARGET}")
    endif()
    list(APPEND environment ZKT_TRACE_TARGET=${target_path})
  endif()
endif()

# Runs the command (ARGN) in folder with the case's input, into actual.out
# and actual.err there; what names the run in the message of a wrong exit
# status.
function(run_tool folder what)
  execute_process(
    COMMAND ${ARGN}
    WORKING_DIRECTORY ${folder}
    INPUT_FILE ${stdin_file}
    OUTPUT_FILE ${folder}/actual.out
    ERROR_FILE ${folder}/actual.err
    RESULT_VARIABLE exit_code
    TIMEOUT 60)
  if(NOT exit_code STREQUAL expected_status)
    file(READ ${folder}/actual.err err)
    message(FATAL_ERROR "${what} exited with '${exit_code}' (expected ${expected_status})\n${err}")
  endif()
endfunction()

file(GLOB files_before RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
command_of(command ${program} ${arguments})
# cmake -E env reports a signal itself and exits 1; env lets it through.
set(env_command ${CMAKE_COMMAND} -E env)
if(NOT expected_status MATCHES "^[0-9]+$")
  set(env_command env)
endif()
run_tool(${WORK_DIR} ${program_named} ${env_command} ${environment} ${command})
# Wine tells of a crash on standard error itself, in a line of its own
# naming addresses and a thread; a Windows system would not: not the
# program's output. (file(READ) would drop the CRs of the rest.)
if(NEWLINE STREQUAL "CRLF")
  execute_process(COMMAND sed -i "/^wine: Unhandled .*, starting debugger[.][.][.]$/d"
    ${WORK_DIR}/actual.err)
endif()
file(GLOB left_files RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
list(REMOVE_ITEM left_files ${files_before} actual.out actual.err ${trace_name} proxy.log)
set(expected_files "")
if(IS_DIRECTORY ${EXPECTED_DIR}/expected-files)
  file(GLOB expected_files RELATIVE ${EXPECTED_DIR}/expected-files
    ${EXPECTED_DIR}/expected-files/*)
  list(REMOVE_ITEM left_files ${expected_files})
endif()

if(DEFINED ROW)
  set(expected_err ${CASE_DIR}/${row_err})
  set(expected_out ${WORK_DIR}/empty.out)
  file(WRITE ${expected_out} "")
elseif(NOT EXISTS ${EXPECTED_DIR}/expected.err)
  set(expected_err ${WORK_DIR}/empty.err)
  file(WRITE ${expected_err} "")
else()
  set(expected_err ${EXPECTED_DIR}/expected.err)
endif()
if(NOT DEFINED ROW)
  set(expected_out ${EXPECTED_DIR}/expected.out)
endif()

set(failures "")
include(${CMAKE_CURRENT_LIST_DIR}/../compare_files.cmake)

# The expected text of a console stream (newline CRLF or LF) or file as the
# tool writes it on this system.
function(console_text expected result_var newline)
  get_filename_component(name ${expected} NAME)
  set(converted ${WORK_DIR}/${name}.console)
  file(READ ${expected} text)
  if(text MATCHES "%ZKT_DLL_FORM%\n")
    set(form_line "")
    if(ZKT_DLL_FORM)
      set(form_line "; ZKT.DLL: ${ZKT_DLL_FORM}\n")
    endif()
    string(REPLACE "%ZKT_DLL_FORM%\n" "${form_line}" text "${text}")
  elseif(NOT (newline STREQUAL "CRLF" OR text MATCHES "@PROJECT_VERSION@"))
    # Compared as it is, whatever bytes it holds.
    set(${result_var} ${expected} PARENT_SCOPE)
    return()
  endif()
  if(text MATCHES "@PROJECT_VERSION@" AND NOT DEFINED VERSION)
    message(FATAL_ERROR "${expected} names the version: run_case.cmake needs -DVERSION=...")
  endif()
  string(REPLACE "@PROJECT_VERSION@" "${VERSION}" text "${text}")
  if(newline STREQUAL "CRLF")
    string(REPLACE "\n" "\r\n" text "${text}")
  endif()
  file(WRITE ${converted} "${text}")
  set(${result_var} ${converted} PARENT_SCOPE)
endfunction()

# A trace without the simulator's "# " notes: the calls alone, which the
# proxy sees and a replay repeats.
# The note after a call that never returned is the proxy's too.
function(calls_of trace result_file)
  file(READ ${trace} text)
  string(REPLACE "\n# the call above never returned: " "\n#!" text "\n${text}")
  string(REGEX REPLACE "\n# [^\n]*" "" text "${text}")
  string(REPLACE "\n#!" "\n# the call above never returned: " text "${text}")
  string(REGEX REPLACE "^\n" "" text "${text}")
  file(WRITE ${result_file} "${text}")
endfunction()

console_text(${expected_out} expected_out ${NEWLINE})
console_text(${expected_err} expected_err ${NEWLINE})
compare("standard output" ${expected_out} ${WORK_DIR}/actual.out)
compare("standard error" ${expected_err} ${WORK_DIR}/actual.err)
if(DEFINED PROXY)
  if(EXISTS ${EXPECTED_DIR}/expected.trace)
    calls_of(${EXPECTED_DIR}/expected.trace ${WORK_DIR}/expected.calls)
    compare("proxy's call trace" ${WORK_DIR}/expected.calls ${WORK_DIR}/proxy.log)
  elseif(EXISTS ${EXPECTED_DIR}/expected-proxy.trace)
    compare("proxy's call trace" ${EXPECTED_DIR}/expected-proxy.trace ${WORK_DIR}/proxy.log)
  elseif(EXISTS ${WORK_DIR}/proxy.log)
    set(failures "${failures}the proxy wrote a trace, but the case expects no call (no expected.trace or expected-proxy.trace)\n")
  endif()
elseif(EXISTS ${EXPECTED_DIR}/expected.trace)
  compare("call trace" ${EXPECTED_DIR}/expected.trace ${WORK_DIR}/${trace_name})
elseif(EXISTS ${WORK_DIR}/${trace_name})
  set(failures "${failures}the simulator wrote ${trace_name}, but the case has no expected.trace\n")
endif()

foreach(name IN LISTS expected_files)
  console_text(${EXPECTED_DIR}/expected-files/${name} expected_file LF)
  compare("${name}" ${expected_file} ${WORK_DIR}/${name})
endforeach()
if(left_files)
  set(failures "${failures}the run left files in its folder: ${left_files}\n")
endif()

# What the run was given to read it leaves as it was, byte for byte, even
# where its trace is named as one of them.
foreach(input zkt.ini quilmar.ini recording.log)
  if(EXISTS ${WORK_DIR}/${input} AND NOT IS_DIRECTORY ${WORK_DIR}/${input})
    set(given ${CASE_DIR}/${input})
    if(input STREQUAL "quilmar.ini")
      set(given ${settings})
    elseif(input STREQUAL "zkt.ini")
      set(given ${zkt_ini})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${given} ${WORK_DIR}/${input}
      RESULT_VARIABLE changed)
    if(changed)
      set(failures "${failures}the run changed ${input}, which it was given\n")
    endif()
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()

if(REPLAY)
  if(DEFINED PROXY)
    set(recording ${WORK_DIR}/proxy.log)
  elseif(EXISTS ${EXPECTED_DIR}/expected.trace)
    set(recording ${WORK_DIR}/${trace_name})
  else()
    set(recording "")
  endif()
  if(recording STREQUAL "" OR NOT EXISTS ${recording})
    message(FATAL_ERROR "a replay was asked for, but the run left no recording "
      "(${recording}): register the replay only for a run that records")
  endif()
  set(replay_dir ${WORK_DIR}/replay)
  file(MAKE_DIRECTORY ${replay_dir})
  if(settings)
    file(COPY_FILE ${settings} ${replay_dir}/quilmar.ini)
  endif()
  file(COPY_FILE ${recording} ${replay_dir}/recording.log)
  file(WRITE ${replay_dir}/zkt.ini "[Library]\nReplay = recording.log\nTrace = replay.log\n")
  command_of(command ${built_program} ${arguments})
  run_tool(${replay_dir} "the replay" ${command})
  compare("replay's standard output" ${WORK_DIR}/actual.out ${replay_dir}/actual.out)
  calls_of(${recording} ${replay_dir}/recorded.calls)
  compare("replay's call trace" ${replay_dir}/recorded.calls ${replay_dir}/replay.log)
  if(failures)
    file(READ ${replay_dir}/actual.err err)
    message(FATAL_ERROR "${failures}replay's standard error:\n${err}")
  endif()
endif()
