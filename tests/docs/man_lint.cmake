# Renders one man page as groff and as man-db's man would, and fails on any
# warning either prints (an undefined macro, a line that cannot be broken, a
# bad escape), or on a page that renders to nothing.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(PAGE GROFF MAN)
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
