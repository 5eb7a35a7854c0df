# cmake -DINPUT=file -DOUTPUT=file.gz -P gzip_file.cmake
# Compresses INPUT into OUTPUT with gzip -n -9: no file name and no time in the
# header, so the same input gives the same bytes on every build. OUTPUT is
# written beside itself first and renamed into place, so a failed run never
# leaves half a file under its name.
include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_definitions(INPUT OUTPUT)
find_program(GZIP gzip REQUIRED)
set(partial "${OUTPUT}.partial")
execute_process(COMMAND ${GZIP} -n -9 -c "${INPUT}"
  OUTPUT_FILE "${partial}"
  RESULT_VARIABLE result
  ERROR_VARIABLE error)
if(NOT result STREQUAL "0")
  file(REMOVE "${partial}")
  message(FATAL_ERROR "gzip -n -9 ${INPUT} failed (${result}): ${error}")
endif()
file(RENAME "${partial}" "${OUTPUT}")
