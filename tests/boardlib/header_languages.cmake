# Compiles header_languages.c, which includes boardlib/zkt_api.h, as C99,
# C11 and C++17 with every warning an error: the header must compile clean
# in each. Then again with ZKT_HEADER_CHECK_FAILS, which adds a layout check
# that does not hold: each compile must fail on that check, so the header's
# checks of its records are real in every language, the C99 form included.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/script_arguments.cmake)
require_definitions(C_COMPILER CXX_COMPILER SOURCE_DIR WORK_DIR)

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(source ${CMAKE_CURRENT_LIST_DIR}/header_languages.c)
set(warnings -Wall -Wextra -pedantic -Wconversion -Wshadow -Werror)
set(languages "C99" "C11" "C++17")
set(C99_command ${C_COMPILER} -std=c99)
set(C11_command ${C_COMPILER} -std=c11)
set(C++17_command ${CXX_COMPILER} -x c++ -std=c++17)
# What the failed check says: the message in C11 and C++, the name of the
# negative array in C99.
set(C99_failure "zkt_static_assert_failed_at_line_")
set(C11_failure "a failed layout check stops the compiler")
set(C++17_failure "a failed layout check stops the compiler")

set(failures "")
foreach(language IN LISTS languages)
  set(failures_before "${failures}")
  execute_process(
    COMMAND ${${language}_command} ${warnings} -I${SOURCE_DIR} -c ${source}
            -o ${WORK_DIR}/clean.o
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  if(NOT status STREQUAL "0" OR NOT out STREQUAL "")
    string(APPEND failures "${language}: zkt_api.h does not compile clean (${status}):\n${out}\n")
  endif()
  execute_process(
    COMMAND ${${language}_command} ${warnings} -I${SOURCE_DIR} -DZKT_HEADER_CHECK_FAILS
            -c ${source} -o ${WORK_DIR}/failing.o
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE out)
  string(FIND "${out}" "${${language}_failure}" at)
  if(status STREQUAL "0" OR at EQUAL -1)
    string(APPEND failures
      "${language}: a layout check that does not hold must fail with '${${language}_failure}'"
      " (status ${status}):\n${out}\n")
  endif()
  if(failures STREQUAL failures_before)
    message(STATUS "${language}: clean, and a failing check stops it")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
