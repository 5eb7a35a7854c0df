# Runs a copy of PROGRAM alone in the fresh folder WORK_DIR, beside LIBRARY
# as ZKT.dll when given, and checks that it calls nothing and says why in
# one line: exit status 1, no standard output, standard error matching
# ERROR_PATTERN.
foreach(var PROGRAM WORK_DIR ERROR_PATTERN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_unbound.cmake needs -D${var}=...")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(COPY ${PROGRAM} DESTINATION ${WORK_DIR})
get_filename_component(program_name ${PROGRAM} NAME)
if(DEFINED LIBRARY)
  file(COPY_FILE ${LIBRARY} ${WORK_DIR}/ZKT.dll)
endif()
# The settings and boards of the demo: a program that bound would list them.
file(COPY ${CMAKE_CURRENT_LIST_DIR}/../../demo/zkt.ini ${CMAKE_CURRENT_LIST_DIR}/../../demo/quilmar.ini
  DESTINATION ${WORK_DIR})
execute_process(
  COMMAND ${EMULATOR} ${WORK_DIR}/${program_name}
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${WORK_DIR}/zkt.ini
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE status
  TIMEOUT 60)
set(failures "")
if(NOT status STREQUAL "1")
  string(APPEND failures "exit status '${status}', expected 1\n")
endif()
if(NOT out STREQUAL "")
  string(APPEND failures "standard output not empty:\n${out}\n")
endif()
if(NOT err MATCHES "${ERROR_PATTERN}")
  string(APPEND failures "standard error does not match ${ERROR_PATTERN}:\n${err}\n")
endif()
if(failures)
  message(FATAL_ERROR "${program_name}: ${failures}")
endif()
