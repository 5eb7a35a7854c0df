# Renders one man page as groff and as man-db's man would, and fails on any
# warning either prints (an undefined macro, a line that cannot be broken, a
# bad escape), or on a page that renders to nothing. Then renders it as the
# Windows zip carries it (cmake/man_text.cmake, into TEXT) and wants every
# line ended by one CR LF and no backspace or escape byte in it.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(PAGE GROFF MAN TEXT)
foreach(tool GROFF MAN)
  if(NOT ${tool} OR ${tool} MATCHES "-NOTFOUND$")
    message("man page check skipped: no ${tool} program found (Debian: groff-base, man-db)")
    return()
  endif()
endforeach()

execute_process(COMMAND ${GROFF} -man -ww -z ${PAGE}
  RESULT_VARIABLE groff_result
  OUTPUT_VARIABLE groff_out
  ERROR_VARIABLE groff_err)
if(NOT groff_result STREQUAL "0" OR NOT groff_err STREQUAL "")
  message(FATAL_ERROR "groff -man -ww -z ${PAGE} (exit ${groff_result}):\n${groff_err}")
endif()

set(ENV{MANWIDTH} 80)
set(ENV{MANPAGER} cat)
set(ENV{PAGER} cat)
execute_process(COMMAND ${MAN} --warnings=w -l ${PAGE}
  RESULT_VARIABLE man_result
  OUTPUT_VARIABLE man_out
  ERROR_VARIABLE man_err)
if(NOT man_result STREQUAL "0" OR NOT man_err STREQUAL "")
  message(FATAL_ERROR "man --warnings=w -l ${PAGE} (exit ${man_result}):\n${man_err}")
endif()
if(NOT man_out MATCHES "NAME")
  message(FATAL_ERROR "man -l ${PAGE} rendered no NAME section:\n${man_out}")
endif()

file(REMOVE "${TEXT}")
execute_process(COMMAND ${CMAKE_COMMAND} -DGROFF=${GROFF} -DINPUT=${PAGE} -DOUTPUT=${TEXT}
    -P ${CMAKE_CURRENT_LIST_DIR}/../../cmake/man_text.cmake
  RESULT_VARIABLE text_result
  ERROR_VARIABLE text_err)
if(NOT text_result STREQUAL "0")
  message(FATAL_ERROR "man_text.cmake on ${PAGE} (exit ${text_result}):\n${text_err}")
endif()
# Read as bytes, one "xx " a byte (file(READ) as text would drop the CRs).
file(READ "${TEXT}" hex HEX)
string(REGEX REPLACE "(..)" "\\1 " bytes "${hex}")
set(bytes " ${bytes}")
foreach(byte "08" "1b")
  if(bytes MATCHES " ${byte} ")
    message(FATAL_ERROR "${TEXT}: holds the byte 0x${byte} (an overstrike or an escape sequence)")
  endif()
endforeach()
# NAME, ended by CR LF, on a line of its own; the last line ended too.
if(NOT bytes MATCHES " 0d 0a 4e 41 4d 45 0d 0a " OR NOT bytes MATCHES " 0d 0a $")
  message(FATAL_ERROR "${TEXT}: no NAME line ended by CR LF, or its last line not ended")
endif()
string(REPLACE "0d 0a " "" lines_joined "${bytes}")
if(lines_joined MATCHES " (0d|0a) ")
  message(FATAL_ERROR "${TEXT}: a CR or an LF that is not part of a CR LF line end")
endif()
