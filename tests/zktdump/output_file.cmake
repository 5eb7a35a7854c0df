# zktdump's output file: the dump into a named file, a file replaced only
# when the dump is complete, files named through links, the mode of a file it
# creates or replaces, names as long as the folder takes, a capture that
# failed or was interrupted, and the system's reason when it cannot be
# written. (Its command
# line, and the dump on standard output, are end-to-end cases:
# tests/e2e/cases/zktdump-*.)
# Inputs: ZKTDUMP, EMULATOR, WORK_DIR; SIGNAL_LIBRARY (POSIX systems), the
# library call that sends the process a signal (signal_in_library.cpp).
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(ZKTDUMP WORK_DIR)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/zkt.ini "[Board]\nName = ZK-ONE\nService = BASEDDS0, 0x1\n")
file(WRITE ${WORK_DIR}/empty.stdin "")

set(failures "")
set(run_prefix "")
macro(run)
  execute_process(COMMAND ${run_prefix} ${EMULATOR} ${ZKTDUMP} ${ARGN}
    WORKING_DIRECTORY ${WORK_DIR}
    INPUT_FILE ${WORK_DIR}/empty.stdin
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    RESULT_VARIABLE code
    TIMEOUT 60)
endmacro()
macro(fail what)
  string(APPEND failures "zktdump ${what}\n  exit: ${code}\n  stdout: ${out}\n  stderr: ${err}\n")
endmacro()

# Files in the work folder besides the given ones: a left-over temporary file.
function(expect_only_files)
  file(GLOB present RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
  list(SORT present)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT present STREQUAL expected)
    set(failures "${failures}files in the work folder: ${present}; expected: ${expected}\n"
        PARENT_SCOPE)
  endif()
endfunction()

# The dump on standard output, which each file below must hold.
run()
if(NOT (code STREQUAL "0" AND err STREQUAL "" AND out MATCHES "^. zkt.ini written by zktdump"))
  fail("without arguments: the dump on standard output")
endif()
string(REPLACE "\r\n" "\n" stdout_dump "${out}")

# A named file: replaced whole, nothing left beside it.
file(WRITE ${WORK_DIR}/lab.ini "old content\n")
run(lab.ini)
if(NOT (code STREQUAL "0" AND out STREQUAL "" AND err STREQUAL ""))
  fail("lab.ini: exit 0, silent")
endif()
file(READ ${WORK_DIR}/lab.ini written)
if(NOT written STREQUAL stdout_dump)
  string(APPEND failures "lab.ini holds:\n${written}\nnot the dump of standard output:\n${stdout_dump}\n")
endif()
expect_only_files(empty.stdin lab.ini zkt.ini)

# The file it reads is read before it is replaced.
run(zkt.ini)
file(READ ${WORK_DIR}/zkt.ini written)
if(NOT (code STREQUAL "0" AND written STREQUAL stdout_dump))
  fail("zkt.ini: replaced by the dump of itself")
endif()
expect_only_files(empty.stdin lab.ini zkt.ini)

# Output that cannot be written: exit 1, the file named with a reason.
run(no-such-folder/lab.ini)
if(NOT (code STREQUAL "1" AND err MATCHES "^zktdump: no-such-folder/lab.ini: cannot create a file beside it \\(.+\\)"))
  fail("into a missing folder: exit 1 with the reason")
endif()
file(MAKE_DIRECTORY ${WORK_DIR}/folder)
file(WRITE ${WORK_DIR}/folder/keep "kept\n")
run(folder)
if(NOT (code STREQUAL "1" AND err MATCHES "^zktdump: folder: cannot replace it with .+ \\(.+\\)"))
  fail("onto a folder: exit 1 with the reason")
endif()
expect_only_files(empty.stdin folder lab.ini zkt.ini)
file(READ ${WORK_DIR}/folder/keep kept)
if(NOT kept STREQUAL "kept\n")
  fail("onto a folder: the folder is left as it was")
endif()

# A library that does not start (a malformed zkt.ini in the simulator):
# exit 1 with one line of its own after the simulator's, and the file from
# the last good capture stays byte for byte, with nothing left beside it.
file(RENAME ${WORK_DIR}/zkt.ini ${WORK_DIR}/good.ini)
file(WRITE ${WORK_DIR}/zkt.ini "[Board]\nName = ZK-ONE\nNmae = typo\n")
file(WRITE ${WORK_DIR}/lab.ini "; the last good capture\n[Board]\nName = ZK-KEPT\n")
file(READ ${WORK_DIR}/lab.ini before_failed_start)
run(lab.ini)
set(failed_start_err "zkt.ini:3: unknown key 'Nmae' in [Board]
zktdump: ZKT_init failed, returning -1073741558 (0xc000010a): no dump written
")
string(REPLACE "\r\n" "\n" err_lf "${err}")
if(NOT (code STREQUAL "1" AND out STREQUAL "" AND err_lf STREQUAL failed_start_err))
  fail("lab.ini with a malformed zkt.ini: exit 1, the failed ZKT_init said")
endif()
file(READ ${WORK_DIR}/lab.ini written)
if(NOT written STREQUAL before_failed_start)
  string(APPEND failures "lab.ini after a failed ZKT_init holds:\n${written}\n")
endif()
expect_only_files(empty.stdin folder good.ini lab.ini zkt.ini)
file(REMOVE ${WORK_DIR}/zkt.ini)
file(RENAME ${WORK_DIR}/good.ini ${WORK_DIR}/zkt.ini)

# Files the user names through links, and their permissions (POSIX tools).
if("${EMULATOR}" STREQUAL "" AND NOT CMAKE_HOST_WIN32)
  function(mode_of file variable)
    execute_process(COMMAND stat -c %a ${file} OUTPUT_VARIABLE mode
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(${variable} "${mode}" PARENT_SCOPE)
  endfunction()
  file(MAKE_DIRECTORY ${WORK_DIR}/links)
  set(run_prefix sh -c "umask 027 && exec \"$@\"" umask)
  # Each row: the link's name in links/, where it points, the file it leads
  # to (in the work folder), and the mode that file has before ("-" for
  # none yet). The dump goes through the link into the file, which keeps its
  # mode; the link stays a link.
  set(link_rows
    "to-file|../lab-600.ini|lab-600.ini|600"
    "to-link|to-file|lab-600.ini|600"
    "to-group-file|../lab-660.ini|lab-660.ini|660"
    "dangling|../made.ini|made.ini|-")
  foreach(row IN LISTS link_rows)
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 link)
    list(GET fields 1 points)
    list(GET fields 2 target)
    list(GET fields 3 mode)
    if(NOT mode STREQUAL "-")
      file(WRITE ${WORK_DIR}/${target} "old content\n")
      execute_process(COMMAND chmod ${mode} ${WORK_DIR}/${target})
    endif()
    file(CREATE_LINK ${points} ${WORK_DIR}/links/${link} SYMBOLIC)
    run(links/${link})
    if(NOT (code STREQUAL "0" AND out STREQUAL "" AND err STREQUAL ""))
      fail("links/${link}: exit 0, silent")
    endif()
    if(NOT IS_SYMLINK ${WORK_DIR}/links/${link})
      string(APPEND failures "links/${link}: no longer a symbolic link\n")
    endif()
    set(written "(no such file)")
    if(EXISTS ${WORK_DIR}/${target})
      file(READ ${WORK_DIR}/${target} written)
    endif()
    if(NOT written STREQUAL stdout_dump)
      string(APPEND failures "links/${link}: ${target} does not hold the dump:\n${written}\n")
    endif()
    if(mode STREQUAL "-")
      set(mode 640)  # a new file: 0666 less the umask of the run
    endif()
    mode_of(${WORK_DIR}/${target} now)
    if(NOT now STREQUAL mode)
      string(APPEND failures "links/${link}: ${target} has mode ${now}, not ${mode}\n")
    endif()
    file(REMOVE ${WORK_DIR}/${target})
  endforeach()

  # A link that leads to a device is written straight into, not replaced.
  file(CREATE_LINK /dev/null ${WORK_DIR}/links/device SYMBOLIC)
  run(links/device)
  if(NOT (code STREQUAL "0" AND err STREQUAL "" AND IS_SYMLINK ${WORK_DIR}/links/device))
    fail("links/device: written into the device, the link kept")
  endif()

  # Forty links that end in a file not there yet are all followed, as the
  # system follows as many; the file is made at their end.
  foreach(i RANGE 39)
    math(EXPR next "${i} + 1")
    file(CREATE_LINK chain${next} ${WORK_DIR}/links/chain${i} SYMBOLIC)
  endforeach()
  run(links/chain0)
  set(written "(no such file)")
  if(EXISTS ${WORK_DIR}/links/chain40)
    file(READ ${WORK_DIR}/links/chain40 written)
  endif()
  if(NOT (code STREQUAL "0" AND err STREQUAL "" AND written STREQUAL stdout_dump))
    fail("links/chain0: forty links followed to the new file")
  endif()

  # A loop of links is an error that names the file.
  file(CREATE_LINK loop-b ${WORK_DIR}/links/loop-a SYMBOLIC)
  file(CREATE_LINK loop-a ${WORK_DIR}/links/loop-b SYMBOLIC)
  run(links/loop-a)
  if(NOT (code STREQUAL "1" AND err MATCHES "^zktdump: links/loop-a: cannot follow it \\(.+\\)"))
    fail("links/loop-a: exit 1 with the reason")
  endif()
  file(REMOVE_RECURSE ${WORK_DIR}/links)
  set(run_prefix "")
  expect_only_files(empty.stdin folder lab.ini zkt.ini)
endif()

# A file it creates gets what the umask leaves of 0666, like any new file.
if(NOT WIN32 AND "${EMULATOR}" STREQUAL "")
  foreach(row "022;-rw-r--r--" "027;-rw-r-----" "002;-rw-rw-r--" "077;-rw-------")
    list(GET row 0 mask)
    list(GET row 1 expected_mode)
    file(REMOVE ${WORK_DIR}/created.ini)
    execute_process(COMMAND sh -c "umask ${mask} && exec \"$0\" created.ini" ${ZKTDUMP}
      WORKING_DIRECTORY ${WORK_DIR}
      INPUT_FILE ${WORK_DIR}/empty.stdin
      OUTPUT_VARIABLE out
      ERROR_VARIABLE err
      RESULT_VARIABLE code)
    execute_process(COMMAND ls -ln created.ini WORKING_DIRECTORY ${WORK_DIR}
      OUTPUT_VARIABLE listing)
    string(SUBSTRING "${listing}" 0 10 mode)
    if(NOT (code STREQUAL "0" AND mode STREQUAL expected_mode))
      fail("created.ini under umask ${mask}: mode ${mode}, expected ${expected_mode}")
    endif()
  endforeach()
  file(REMOVE ${WORK_DIR}/created.ini)
endif()

# POSIX systems: names at the edge of what a folder holds, the bits a
# replaced file keeps, and signals during a library call.
if(NOT WIN32 AND "${EMULATOR}" STREQUAL "")
  # A name as long as the folder takes is written, and one byte more is
  # refused with the system's reason before the library is called.
  execute_process(COMMAND getconf NAME_MAX ${WORK_DIR} OUTPUT_VARIABLE name_max
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT name_max STREQUAL "255")
    message(STATUS "names of 249 to 256 bytes: skipped, this file system takes ${name_max}")
  else()
    foreach(length 249 255)
      string(REPEAT "n" ${length} long_name)
      file(WRITE ${WORK_DIR}/${long_name} "old content\n")
      run(${long_name})
      file(READ ${WORK_DIR}/${long_name} written)
      if(NOT (code STREQUAL "0" AND err STREQUAL "" AND written STREQUAL stdout_dump))
        fail("a name of ${length} bytes: written")
      endif()
      file(REMOVE ${WORK_DIR}/${long_name})
    endforeach()
    string(REPEAT "n" 256 long_name)
    run(${long_name})
    if(NOT (code STREQUAL "1" AND out STREQUAL "" AND
            err STREQUAL "zktdump: ${long_name}: cannot create a file beside it (File name too long)\n"))
      fail("a name of 256 bytes: refused")
    endif()
    expect_only_files(empty.stdin folder lab.ini zkt.ini)
  endif()

  # A replaced file keeps its permission bits, not its set-user-ID and
  # set-group-ID bits: a dump is no program.
  file(WRITE ${WORK_DIR}/setid.ini "old content\n")
  execute_process(COMMAND chmod 6755 ${WORK_DIR}/setid.ini)
  execute_process(COMMAND stat -c %a ${WORK_DIR}/setid.ini OUTPUT_VARIABLE mode_before
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  run(setid.ini)
  execute_process(COMMAND stat -c %a ${WORK_DIR}/setid.ini OUTPUT_VARIABLE mode_after
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT (mode_before STREQUAL "6755" AND code STREQUAL "0" AND mode_after STREQUAL "755"))
    fail("setid.ini of mode ${mode_before}: replaced by a file of mode ${mode_after}, not 755")
  endif()
  file(REMOVE ${WORK_DIR}/setid.ini)

  # SIGINT or SIGTERM during a library call: the new file, there at that
  # moment, is removed, the file named stays as it was, and the process
  # ends by that signal (128 + its number from the shell).
  if(NOT DEFINED SIGNAL_LIBRARY)
    message(FATAL_ERROR "output_file.cmake needs -DSIGNAL_LIBRARY=... on this system")
  endif()
  foreach(row "INT;130" "TERM;143")
    list(GET row 0 signal)
    list(GET row 1 status)
    file(WRITE ${WORK_DIR}/lab.ini "; the last good capture\n")
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env "ASAN_OPTIONS=$ENV{ASAN_OPTIONS}:verify_asan_link_order=0"
        sh -c "LD_PRELOAD=\"$1\" ZKTDUMP_TEST_SIGNAL=$2 \"$3\" lab.ini; echo \"status $?\""
        sh ${SIGNAL_LIBRARY} ${signal} ${ZKTDUMP}
      WORKING_DIRECTORY ${WORK_DIR}
      INPUT_FILE ${WORK_DIR}/empty.stdin
      OUTPUT_VARIABLE out
      ERROR_VARIABLE err
      RESULT_VARIABLE code
      TIMEOUT 60)
    if(NOT err MATCHES "(^|\n)file: zkd[A-Za-z0-9]+\\.tmp\n")
      fail("SIG${signal}: the new file is not there during the library call")
    endif()
    if(NOT out STREQUAL "status ${status}\n")
      fail("SIG${signal}: not ended by the signal")
    endif()
    file(READ ${WORK_DIR}/lab.ini written)
    if(NOT written STREQUAL "; the last good capture\n")
      string(APPEND failures "lab.ini after SIG${signal} holds:\n${written}\n")
    endif()
    expect_only_files(empty.stdin folder lab.ini zkt.ini)
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
