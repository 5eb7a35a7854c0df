# For scripts run with cmake -P: include(.../cmake/script_arguments.cmake).
#
# require_definitions(var...): stops the script, naming it and the first
# variable it was not given with -Dvar=....
function(require_definitions)
  get_filename_component(script "${CMAKE_CURRENT_LIST_FILE}" NAME)
  foreach(var ${ARGN})
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "${script} needs -D${var}=...")
    endif()
  endforeach()
endfunction()

# run_and_expect(out pattern what COMMAND ... [other execute_process words]):
# runs the command into out and stops the script, with the command's own
# error output, when it fails or when out does not match pattern ("gave no
# <what>"). A macro, so that the pattern's groups (CMAKE_MATCH_<n>) are the
# caller's.
macro(run_and_expect out pattern what)
  execute_process(${ARGN}
    RESULT_VARIABLE run_result
    OUTPUT_VARIABLE ${out}
    ERROR_VARIABLE run_errors)
  string(REPLACE ";" " " run_command "${ARGN}")
  if(NOT run_result STREQUAL "0")
    message(FATAL_ERROR "${run_command} failed (${run_result}):\n${run_errors}")
  endif()
  if(NOT "${${out}}" MATCHES "${pattern}")
    message(FATAL_ERROR "${run_command} gave no ${what}:\n${${out}}${run_errors}")
  endif()
endmacro()
