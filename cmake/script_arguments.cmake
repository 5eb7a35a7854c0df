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
