# The round trip of one zkt.ini: quilmar against the simulator on the file,
# zktdump against the simulator on the same file, and quilmar against the
# simulator on zktdump's output must print the same. Checked:
#   - zktdump exits 0 without a note of its own, and the simulator's trace
#     of its run holds only the inventory operations, in order, every device
#     it opened closed once and ZKT_cleanup last;
#   - quilmar reads the dump without any message (standard error empty);
#   - quilmar's standard output is byte for byte the same on both files:
#     whole, or only its inventory lines (boards, units, services, closing
#     lines) when the file gives the synthesizers limits or overrides that
#     no inventory can show;
#   - a dump of the dump is the dump (what ZKT_init returned aside);
#   - on a file the simulator refuses (ZKT_init fails), zktdump exits 1 with
#     one line of its own, writes no lab.ini and calls only ZKT_displayMode,
#     ZKT_init and ZKT_cleanup; there is then nothing to go round.
# Inputs: QUILMAR, ZKTDUMP, EMULATOR, CASE_DIR (zkt.ini, quilmar.ini, either
# as a .from, stdin; each may be absent), STDIN_DIR (where stdin is,
# default CASE_DIR), WORK_DIR.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(QUILMAR ZKTDUMP CASE_DIR WORK_DIR)
if(NOT DEFINED STDIN_DIR)
  set(STDIN_DIR ${CASE_DIR})
endif()

file(REMOVE_RECURSE ${WORK_DIR})
foreach(dir original capture replay again)
  file(MAKE_DIRECTORY ${WORK_DIR}/${dir})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../case_inputs.cmake)
case_stdin(${STDIN_DIR} ${WORK_DIR} stdin_file)

set(ini "")
case_input(${CASE_DIR} zkt.ini zkt_ini)
if(zkt_ini)
  file(READ ${zkt_ini} ini)
  file(COPY ${zkt_ini} DESTINATION ${WORK_DIR}/original)
endif()
case_input(${CASE_DIR} quilmar.ini settings)
if(settings)
  foreach(dir original replay)
    file(COPY_FILE ${settings} ${WORK_DIR}/${dir}/quilmar.ini)
  endforeach()
endif()

function(run_quilmar dir)
  execute_process(
    COMMAND ${EMULATOR} ${QUILMAR}
    WORKING_DIRECTORY ${WORK_DIR}/${dir}
    INPUT_FILE ${stdin_file}
    OUTPUT_FILE ${WORK_DIR}/${dir}/quilmar.out
    ERROR_FILE ${WORK_DIR}/${dir}/quilmar.err
    RESULT_VARIABLE exit_code
    TIMEOUT 60)
  if(NOT exit_code STREQUAL "0")
    file(READ ${WORK_DIR}/${dir}/quilmar.err err)
    message(FATAL_ERROR "quilmar in ${dir} exited with '${exit_code}', standard error:\n${err}")
  endif()
endfunction()

# Sets init_failed in the caller when zktdump said that ZKT_init failed.
function(run_zktdump dir)
  execute_process(
    COMMAND ${EMULATOR} ${ZKTDUMP} lab.ini
    WORKING_DIRECTORY ${WORK_DIR}/${dir}
    INPUT_FILE ${WORK_DIR}/empty.stdin
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    RESULT_VARIABLE exit_code
    TIMEOUT 60)
  set(init_failed FALSE PARENT_SCOPE)
  string(REPLACE "\r\n" "\n" err_lf "${err}")
  if(exit_code STREQUAL "1" AND
     err_lf MATCHES "(^|\n)zktdump: ZKT_init failed, returning -?[0-9]+ \\(0x[0-9a-f]+\\): no dump written\n$")
    if(NOT out STREQUAL "" OR EXISTS ${WORK_DIR}/${dir}/lab.ini)
      message(FATAL_ERROR "zktdump in ${dir}: ZKT_init failed, yet it wrote a dump")
    endif()
    set(init_failed TRUE PARENT_SCOPE)
    return()
  endif()
  if(NOT exit_code STREQUAL "0")
    message(FATAL_ERROR "zktdump in ${dir} exited with '${exit_code}'\n${err}")
  endif()
  if(NOT out STREQUAL "")
    message(FATAL_ERROR "zktdump in ${dir} wrote to standard output with a file named:\n${out}")
  endif()
  if(NOT EXISTS ${WORK_DIR}/${dir}/lab.ini)
    message(FATAL_ERROR "zktdump in ${dir} did not write lab.ini")
  endif()
  file(WRITE ${WORK_DIR}/${dir}/zktdump.err "${err}")
endfunction()
file(WRITE ${WORK_DIR}/empty.stdin "")

# The capture runs on the same file with a trace of the simulator's calls.
# A UTF-16 file cannot take an added line of single-byte text: it runs as it
# is, with its own trace if it names one.
set(utf16 FALSE)
if(zkt_ini)
  file(READ ${zkt_ini} bom LIMIT 2 HEX)
  if(bom STREQUAL "fffe" OR bom STREQUAL "feff")
    set(utf16 TRUE)
  endif()
endif()
string(TOLOWER "\n${ini}" ini_lower)
set(capture_ini "${ini}")
set(trace_file "")
# A case whose own trace is refused or fails (its expected.err says so)
# writes none: the capture's trace goes to dump.trace instead.
set(trace_refused FALSE)
if(EXISTS ${CASE_DIR}/expected.err)
  file(READ ${CASE_DIR}/expected.err case_err)
  if(case_err MATCHES "zkt: cannot (open|write) trace file")
    set(trace_refused TRUE)
  endif()
endif()
if(trace_refused)
  string(REGEX REPLACE "(\n[ \t]*[Tt][Rr][Aa][Cc][Ee][ \t]*=)[^\r\n]*" "\\1 dump.trace"
         capture_ini "\n${ini}")
  set(trace_file dump.trace)
elseif(ini_lower MATCHES "\n[ \t]*trace[ \t]*=[ \t]*([^\r\n]*[^ \t\r\n])")
  set(trace_file ${CMAKE_MATCH_1})
elseif(ini_lower MATCHES "\n[ \t]*\\[[ \t]*library[ \t]*\\]")
  string(REGEX REPLACE "(\n[ \t]*\\[[ \t]*[Ll][Ii][Bb][Rr][Aa][Rr][Yy][ \t]*\\][^\n]*)"
         "\\1\nTrace = dump.trace" capture_ini "\n${ini}")
  set(trace_file dump.trace)
else()
  set(capture_ini "${ini}\n[Library]\nTrace = dump.trace\n")
  set(trace_file dump.trace)
endif()
if(utf16)
  file(COPY ${zkt_ini} DESTINATION ${WORK_DIR}/capture)
  set(trace_file "")
elseif(zkt_ini)
  file(WRITE ${WORK_DIR}/capture/zkt.ini "${capture_ini}")
endif()

run_quilmar(original)
run_zktdump(capture)
if(init_failed)
  file(GLOB left RELATIVE ${WORK_DIR}/capture ${WORK_DIR}/capture/*)
  list(REMOVE_ITEM left zkt.ini ${trace_file})
  if(left)
    message(FATAL_ERROR "zktdump left files after a failed ZKT_init: ${left}")
  endif()
  set(trace_path ${WORK_DIR}/capture/${trace_file})
  if(NOT trace_file STREQUAL "" AND EXISTS ${trace_path})
    file(STRINGS ${trace_path} calls REGEX "^ZKT_")
    list(TRANSFORM calls REPLACE "\\(.*" "")
    if(NOT calls STREQUAL "ZKT_displayMode;ZKT_init;ZKT_cleanup")
      message(FATAL_ERROR "zktdump after a failed ZKT_init called: ${calls}")
    endif()
  endif()
  message(STATUS "ZKT_init fails on this file: no dump, nothing to go round")
  return()
endif()
file(COPY_FILE ${WORK_DIR}/capture/lab.ini ${WORK_DIR}/replay/zkt.ini)
run_quilmar(replay)
file(COPY_FILE ${WORK_DIR}/capture/lab.ini ${WORK_DIR}/again/zkt.ini)
run_zktdump(again)

set(failures "")

# The trace: only inventory operations, in their order.
set(trace_path ${WORK_DIR}/capture/${trace_file})
if(utf16)
  # Checked on every other file; this one names no trace.
elseif(EXISTS ${trace_path})
  # A malformed file's error stands in its trace as a note line, not a call.
  # Library text in a line may hold ';', '[' or ']', which would break the
  # list of lines: they are masked before the split.
  file(READ ${trace_path} trace_text)
  string(REPLACE ";" "<semicolon>" trace_text "${trace_text}")
  string(REPLACE "[" "<open>" trace_text "${trace_text}")
  string(REPLACE "]" "<close>" trace_text "${trace_text}")
  string(REGEX REPLACE "\n$" "" trace_text "${trace_text}")
  string(REPLACE "\n" ";" trace_lines "${trace_text}")
  list(FILTER trace_lines EXCLUDE REGEX "^#")
  set(open_devices "")
  set(expect "displayMode")
  set(last "")
  foreach(line IN LISTS trace_lines)
    if(NOT line MATCHES "^ZKT_([A-Za-z]+)\\(")
      string(APPEND failures "trace: not a call line: ${line}\n")
      continue()
    endif()
    set(op ${CMAKE_MATCH_1})
    set(last ${op})
    if(NOT op MATCHES "^(displayMode|init|lidList|getInfo|open|puList|serviceList|close|cleanup)$")
      string(APPEND failures "trace: zktdump called ZKT_${op}: ${line}\n")
    endif()
    # Only a handle above 0 is a device open; a close of any other is wrong.
    if(line MATCHES "^ZKT_open\\(.*\\) = ([1-9][0-9]*)$")
      list(APPEND open_devices ${CMAKE_MATCH_1})
    elseif(line MATCHES "^ZKT_close\\(device=(-?[0-9]+)\\)")
      list(FIND open_devices ${CMAKE_MATCH_1} at)
      if(at LESS 0)
        string(APPEND failures "trace: close of a device not open: ${line}\n")
      else()
        list(REMOVE_AT open_devices ${at})
      endif()
    elseif(line MATCHES "^ZKT_(puList|serviceList)\\(device=(-?[0-9]+),")
      list(FIND open_devices ${CMAKE_MATCH_2} at)
      if(at LESS 0)
        string(APPEND failures "trace: list of a device not open: ${line}\n")
      endif()
    endif()
  endforeach()
  if(NOT open_devices STREQUAL "")
    string(APPEND failures "trace: devices left open: ${open_devices}\n")
  endif()
  if(NOT last STREQUAL "cleanup")
    string(APPEND failures "trace: the last call is ZKT_${last}, not ZKT_cleanup\n")
  endif()
  list(GET trace_lines 0 first)
  if(NOT first MATCHES "^ZKT_displayMode\\(mode=0x8f\\)")
    string(APPEND failures "trace: the first call is not ZKT_displayMode(0x8f): ${first}\n")
  endif()
else()
  # A missing or malformed file starts no trace; a file that was read does.
  file(READ ${WORK_DIR}/capture/lab.ini dump)
  if(zkt_ini AND dump MATCHES "; ZKT_init returned 0,")
    string(APPEND failures "no trace ${trace_path} of the zktdump run\n")
  endif()
endif()

# The simulator holds all it reports: a note of zktdump's own means that
# something was left out or told wrongly. (The simulator's messages about
# its file go to standard error too.)
file(READ ${WORK_DIR}/capture/zktdump.err capture_err)
if(capture_err MATCHES "(^|\n)zktdump: ")
  string(APPEND failures "zktdump wrote a note on the simulator's boards:\n${capture_err}\n")
endif()

file(READ ${WORK_DIR}/replay/quilmar.err replay_err)
if(NOT replay_err STREQUAL "")
  string(APPEND failures "quilmar on the dump wrote to standard error:\n${replay_err}\n")
endif()

# Lines of quilmar's output that the inventory decides.
function(inventory_lines file result_var)
  file(READ ${file} text)
  set(kept "")
  string(LENGTH "${text}" length)
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${text}" ${at} -1 rest)
    string(FIND "${rest}" "\n" end)
    if(end LESS 0)
      set(line "${rest}")
      math(EXPR at "${length}")
    else()
      math(EXPR line_length "${end} + 1")
      string(SUBSTRING "${rest}" 0 ${line_length} line)
      math(EXPR at "${at} + ${line_length}")
    endif()
    if(line MATCHES "^(Board: |Programable unit |Service |ZKT_close: OK|ZKT_cleanup: OK|Press any key for leaving)")
      string(APPEND kept "${line}")
    endif()
  endwhile()
  set(${result_var} "${kept}" PARENT_SCOPE)
endfunction()

set(original_out ${WORK_DIR}/original/quilmar.out)
set(replay_out ${WORK_DIR}/replay/quilmar.out)
if(ini_lower MATCHES "\n[ \t]*(capture|status\\.|write\\.|internalclock|maxrefclock|tuningbits|thresholdm)")
  set(compared "the inventory lines of standard output")
  inventory_lines(${original_out} original_text)
  inventory_lines(${replay_out} replay_text)
  file(WRITE ${WORK_DIR}/original/inventory.out "${original_text}")
  file(WRITE ${WORK_DIR}/replay/inventory.out "${replay_text}")
  set(original_out ${WORK_DIR}/original/inventory.out)
  set(replay_out ${WORK_DIR}/replay/inventory.out)
else()
  set(compared "standard output")
endif()
message(STATUS "compared: ${compared}")

include(${CMAKE_CURRENT_LIST_DIR}/../compare_files.cmake)
compare("${compared} (original, then on the dump)" ${original_out} ${replay_out})

# The dump of the dump, the line of ZKT_init's answer aside.
foreach(dir capture again)
  file(READ ${WORK_DIR}/${dir}/lab.ini text)
  string(REGEX REPLACE "; ZKT_init returned [^\n]*\n" "" text "${text}")
  file(WRITE ${WORK_DIR}/${dir}/lab.cmp "${text}")
endforeach()
compare("the dump of the dump" ${WORK_DIR}/capture/lab.cmp ${WORK_DIR}/again/lab.cmp)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
