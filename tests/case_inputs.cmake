# The inputs of an end-to-end case folder (tests/e2e/cases/*, the demo), for
# the scripts that run the tools on one: include(.../tests/case_inputs.cmake).

# case_settings(case_dir result_var): the quilmar.ini the case runs with: the
# demo's for a case holding uses-demo-settings, else the case's own; empty
# for a case with neither.
function(case_settings case_dir result_var)
  set(settings "")
  if(EXISTS ${case_dir}/uses-demo-settings)
    set(settings ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../demo/quilmar.ini)
    if(EXISTS ${case_dir}/quilmar.ini)
      message(FATAL_ERROR "${case_dir}: quilmar.ini beside uses-demo-settings; keep one of them")
    endif()
  elseif(EXISTS ${case_dir}/quilmar.ini)
    set(settings ${case_dir}/quilmar.ini)
  endif()
  set(${result_var} "${settings}" PARENT_SCOPE)
endfunction()

# case_stdin(dir work_dir result_var): the file fed to the tool's standard
# input: dir's stdin, or where it has none an empty file made in work_dir.
function(case_stdin dir work_dir result_var)
  set(stdin_file ${dir}/stdin)
  if(NOT EXISTS ${stdin_file})
    set(stdin_file ${work_dir}/empty.stdin)
    file(WRITE ${stdin_file} "")
  endif()
  set(${result_var} ${stdin_file} PARENT_SCOPE)
endfunction()
