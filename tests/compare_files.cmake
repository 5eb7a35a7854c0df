# compare(what expected actual): appends to the caller's `failures` a
# paragraph naming what differs, with a unified diff where diff exists, when
# actual is missing or differs byte for byte from expected.
function(compare what expected actual)
  if(NOT EXISTS ${actual})
    set(failures "${failures}${what}: ${actual} was not written\n" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${expected} ${actual}
                  RESULT_VARIABLE differs)
  if(differs)
    find_program(DIFF diff)
    set(shown "")
    if(DIFF)
      execute_process(COMMAND ${DIFF} -u ${expected} ${actual} OUTPUT_VARIABLE shown)
    endif()
    set(failures "${failures}${what} differs from ${expected}:\n${shown}\n" PARENT_SCOPE)
  endif()
endfunction()
