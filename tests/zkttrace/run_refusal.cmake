# Runs the tool through the tracing proxy when the proxy cannot do its whole
# work, in a fresh folder holding the case's zkt.ini, and checks what the
# user sees. KIND is one of:
#   missing    the target cannot be loaded (Linux: a path that does not
#              exist; Windows: no ZKT.DLL in the system directory)
#   partial    the target has four operations only (PARTIAL, a stand-in
#              library of two boards that cannot be opened): those go to
#              it, and each other one the tool calls answers
#              ZKTerr_BAD_MODE, said once at its first call
#   self       the target is the proxy itself
#   tracefile  the trace file cannot be opened (it is a folder); on Windows
#              the proxy loads the simulator from SIMULATOR
#   emptyname  ZKT_TRACE_FILE is set but empty: the trace goes to the
#              default file, zkt-trace.log, silently
#   controls   ZKT_TRACE_TARGET names a library that does not exist through
#              a folder whose name holds an ESC byte and a line end: the
#              message shows them as \x1b and \x0a, never raw
#   tracefilecontrols  the same folder in ZKT_TRACE_FILE: the trace file
#              cannot be opened, and its message shows them escaped
#   replayed   ZKT_TRACE_FILE is empty and zkt.ini replays the default
#              file, zkt-trace.log (the case's expected.trace): one line,
#              no proxy trace, the recording left byte for byte
#   full       ZKT_TRACE_FILE=/dev/full (Linux): every write fails, one line
#   shared     ZKT_TRACE_FILE=trace.log, the trace the case's zkt.ini names
#              too: the proxy, which starts its trace first, holds it; the
#              simulator says so in one line and writes none
#   stdout     ZKT_TRACE_FILE=actual.out, the file standard output goes to:
#              one line, and standard output as the case's own
#   settings   ZKT_TRACE_FILE=quilmar.ini, settings that start with a "# "
#              comment and set nothing: one line, and the file kept
# Without a usable target: one line on standard error naming the library and
# what is wrong, every call answered with ZKTerr_BAD_MODE (so the tool lists
# nothing), the calls still in the proxy's trace, and the simulator never
# reached (it writes no trace). With a trace file that cannot be opened: one
# line on standard error, and the run is the case's own, simulator trace
# included.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(KIND QUILMAR PROXY PARTIAL CASE_DIR WORK_DIR NEWLINE)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${CASE_DIR}/zkt.ini DESTINATION ${WORK_DIR})
file(WRITE ${WORK_DIR}/empty.stdin "")

# Where the proxy sits and how a path is handed to it.
set(program ${QUILMAR})
set(proxy ${PROXY})
set(environment ZKT_TRACE_FILE=proxy.log)
if(WIN32_PROGRAM)
  get_filename_component(program_name ${QUILMAR} NAME)
  get_filename_component(proxy_name ${PROXY} NAME)
  file(COPY ${QUILMAR} ${PROXY} DESTINATION ${WORK_DIR})
  set(program ${WORK_DIR}/${program_name})
  set(proxy ${WORK_DIR}/${proxy_name})
else()
  list(APPEND environment LD_PRELOAD=${PROXY}
    "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:verify_asan_link_order=0")
endif()
function(host_path path result_var)
  if(WIN32_PROGRAM)
    string(REPLACE "/" "\\" path "Z:${path}")
  endif()
  set(${result_var} "${path}" PARENT_SCOPE)
endfunction()

set(refused ON)
# The proxy loads the simulator and forwards every call, with ZKT_TRACE_FILE
# set to file (empty: set but empty) instead of proxy.log.
macro(forward_with_trace_file file)
  set(refused OFF)
  if(WIN32_PROGRAM)
    host_path(${SIMULATOR} target)
    list(APPEND environment ZKT_TRACE_TARGET=${target})
  endif()
  list(REMOVE_ITEM environment ZKT_TRACE_FILE=proxy.log)
  set(environment "ZKT_TRACE_FILE=${file}" ${environment})
endmacro()

# A folder name with an ESC byte and a line end, and how the messages show
# it.
string(ASCII 27 escape)
set(control_folder "no-such${escape}folder\n")
set(control_folder_pattern "no-such\\\\x1bfolder\\\\x0a")

if(KIND STREQUAL "missing")
  if(WIN32_PROGRAM)
    set(message_pattern "^zkttrace: cannot load [A-Za-z]:\\\\[^\n]*\\\\ZKT\\.DLL \\([^\n]+\\); ")
  else()
    host_path(${WORK_DIR}/no-such-folder/libzkt.so target)
    list(APPEND environment ZKT_TRACE_TARGET=${target})
    set(message_pattern "^zkttrace: cannot load ${target} \\([^\n]*No such file[^\n]*\\); ")
  endif()
elseif(KIND STREQUAL "partial")
  set(refused OFF)
  host_path(${PARTIAL} target)
  list(APPEND environment ZKT_TRACE_TARGET=${target})
  string(REPLACE "\\" "\\\\" target_pattern "${target}")
  string(REPLACE "." "\\." target_pattern "${target_pattern}")
  set(message_pattern "")
  foreach(operation ZKT_displayMode ZKT_open)
    string(APPEND message_pattern "zkttrace: ${target_pattern} has no ${operation} \\(tried [^\n]+\\)\; ${operation} answers ZKTerr_BAD_MODE\r?\n")
  endforeach()
  set(message_pattern "^${message_pattern}$")
elseif(KIND STREQUAL "self")
  host_path(${proxy} target)
  list(APPEND environment ZKT_TRACE_TARGET=${target})
  set(message_pattern "^zkttrace: [^\n]+ is this tracing library itself; ")
elseif(KIND STREQUAL "tracefile")
  forward_with_trace_file(folder.log)
  file(MAKE_DIRECTORY ${WORK_DIR}/folder.log)
  set(message_pattern
    "^zkttrace: cannot open trace file 'folder\\.log' \\([^\n]+\\); calls go on without a trace\r?\n$")
elseif(KIND STREQUAL "controls")
  host_path(${WORK_DIR}/${control_folder}/libzkt.so target)
  list(APPEND environment "ZKT_TRACE_TARGET=${target}")
  host_path(${WORK_DIR} folder)
  string(REPLACE "\\" "\\\\" folder_pattern "${folder}")
  # The loader's reason, which repeats the path on Linux, is escaped too
  # (no raw ESC anywhere, checked below for every kind).
  set(message_pattern "^zkttrace: cannot load ${folder_pattern}[/\\\\]${control_folder_pattern}[/\\\\]libzkt\\.so \\([^\n]+\\); ")
elseif(KIND STREQUAL "tracefilecontrols")
  forward_with_trace_file(${control_folder}/trace.log)
  set(message_pattern
    "^zkttrace: cannot open trace file '${control_folder_pattern}/trace\\.log' \\([^\n]+\\); calls go on without a trace\r?\n$")
elseif(KIND STREQUAL "emptyname")
  forward_with_trace_file("")
  set(message_pattern "^$")
elseif(KIND STREQUAL "replayed")
  forward_with_trace_file("")
  file(COPY_FILE ${CASE_DIR}/expected.trace ${WORK_DIR}/zkt-trace.log)
  file(WRITE ${WORK_DIR}/zkt.ini "[Library]\nReplay = zkt-trace.log\nTrace = trace.log\n")
  set(message_pattern "^zkttrace: cannot open trace file 'zkt-trace\\.log' \\(the same file as the recording 'zkt-trace\\.log'\\)\\; calls go on without a trace\r?\n$")
elseif(KIND STREQUAL "full")
  forward_with_trace_file(/dev/full)
  set(message_pattern "^zkttrace: cannot write trace file '/dev/full' \\(No space left on device\\)\\; the trace stops, calls go on\r?\n$")
elseif(KIND STREQUAL "shared")
  forward_with_trace_file(trace.log)
  set(message_pattern "^zkt: cannot open trace file 'trace\\.log' \\(in use by another run\\)\\; no trace\r?\n$")
elseif(KIND STREQUAL "stdout")
  forward_with_trace_file(actual.out)
  set(message_pattern "^zkttrace: cannot open trace file 'actual\\.out' \\(the same file as standard output\\)\\; calls go on without a trace\r?\n$")
elseif(KIND STREQUAL "settings")
  forward_with_trace_file(quilmar.ini)
  set(settings_text "# Lab settings, do not lose\n[Option]\n")
  file(WRITE ${WORK_DIR}/quilmar.ini "${settings_text}")
  set(message_pattern "^zkttrace: cannot open trace file 'quilmar\\.ini' \\(a file that is not a trace\\)\\; calls go on without a trace\r?\n$")
else()
  message(FATAL_ERROR "unknown KIND '${KIND}'")
endif()
if(refused)
  string(APPEND message_pattern "every call answers ZKTerr_BAD_MODE\r?\n$")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${environment} ${EMULATOR} ${program}
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${WORK_DIR}/empty.stdin
  OUTPUT_FILE ${WORK_DIR}/actual.out
  ERROR_FILE ${WORK_DIR}/actual.err
  RESULT_VARIABLE exit_code
  TIMEOUT 60)
file(READ ${WORK_DIR}/actual.err err)

set(failures "")
if(NOT exit_code STREQUAL "0")
  string(APPEND failures "quilmar exited with '${exit_code}' (expected 0)\n")
endif()
string(FIND "${err}" "${escape}" raw_escape)
if(NOT raw_escape EQUAL -1)
  string(APPEND failures "standard error holds a raw ESC byte\n")
endif()
if(NOT err MATCHES "${message_pattern}")
  string(APPEND failures "standard error:\n${err}\ndoes not match:\n${message_pattern}\n")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/../compare_files.cmake)
if(refused)
  set(expected_out "ZKT_cleanup: OK\nPress any key for leaving program...\n")
  file(WRITE ${WORK_DIR}/expected-proxy.trace
    "ZKT_displayMode(mode=0x8f) = -1073741558\n"
    "ZKT_init(configFile=\"zkt.ini\") = -1073741558\n"
    "ZKT_lidList(capacity=10) = -1073741558\n"
    "ZKT_cleanup() = -1073741558\n")
  compare("the proxy's trace" ${WORK_DIR}/expected-proxy.trace ${WORK_DIR}/proxy.log)
  if(EXISTS ${WORK_DIR}/trace.log)
    string(APPEND failures "the simulator was reached: it wrote trace.log\n")
  endif()
elseif(KIND STREQUAL "partial")
  set(expected_out "")
  string(CONCAT expected_trace "ZKT_displayMode(mode=0x8f) = -1073741558\n"
    "ZKT_init(configFile=\"zkt.ini\") = 0, count=2\n"
    "ZKT_lidList(capacity=10) = 0, count=2, lids=[0x2001, 0x2002]\n")
  foreach(board 1 2)
    string(APPEND expected_out
      "Board: PART-200${board}, DevID = 0x1234, RevID = 0x1, Bus = 1, Dev = ${board}, Slot = 0.\n")
    string(APPEND expected_trace
      "ZKT_getInfo(lid=0x200${board}, size=280) = 0, info={idWord=0x12340001, name=\"PART-200${board}\", bus=1, dev=${board}, slot=0}\n"
      "ZKT_open(lid=0x200${board}, mode=1, reserved=null) = -1073741558\n")
  endforeach()
  string(APPEND expected_out "ZKT_cleanup: OK\nPress any key for leaving program...\n")
  file(WRITE ${WORK_DIR}/expected-proxy.trace "${expected_trace}ZKT_cleanup() = 0\n")
  compare("the proxy's trace" ${WORK_DIR}/expected-proxy.trace ${WORK_DIR}/proxy.log)
else()
  file(READ ${CASE_DIR}/expected.out expected_out)
  compare("the simulator's trace" ${CASE_DIR}/expected.trace ${WORK_DIR}/trace.log)
  if(KIND STREQUAL "settings")
    file(READ ${WORK_DIR}/quilmar.ini settings_left)
    if(NOT settings_left STREQUAL settings_text)
      string(APPEND failures "quilmar.ini changed:\n${settings_left}\n")
    endif()
  endif()
  if(KIND STREQUAL "replayed")
    compare("the recording, zkt-trace.log," ${CASE_DIR}/expected.trace ${WORK_DIR}/zkt-trace.log)
  endif()
  if(KIND STREQUAL "emptyname")
    # The case's trace holds calls only, so the proxy's is the same.
    compare("the proxy's trace, zkt-trace.log" ${CASE_DIR}/expected.trace
      ${WORK_DIR}/zkt-trace.log)
  endif()
endif()
# Compared as files: CMake's text reading drops the CRs of the Windows
# console streams.
if(NEWLINE STREQUAL "CRLF")
  string(REPLACE "\n" "\r\n" expected_out "${expected_out}")
endif()
file(WRITE ${WORK_DIR}/expected.out "${expected_out}")
compare("standard output" ${WORK_DIR}/expected.out ${WORK_DIR}/actual.out)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
