# The inputs of an end-to-end case folder (tests/e2e/cases/*, the demo), for
# the scripts that run the tools on one: include(.../tests/case_inputs.cmake).

# case_input(case_dir name result_var): the file the case runs with as name
# (zkt.ini, quilmar.ini): for a case holding name.from, the file of that name
# its one line points to (relative to the case folder: another case's, the
# demo's), so that cases run with one file share it; else the case's own;
# empty for a case with neither.
function(case_input case_dir name result_var)
  set(input "")
  if(EXISTS ${case_dir}/${name}.from)
    file(STRINGS ${case_dir}/${name}.from from LIMIT_COUNT 1)
    get_filename_component(input ${case_dir}/${from} ABSOLUTE)
    get_filename_component(input_name ${input} NAME)
    if(EXISTS ${case_dir}/${name} OR NOT EXISTS ${input} OR NOT input_name STREQUAL name)
      message(FATAL_ERROR "${case_dir}: ${name}.from points to '${from}', which must be a "
                          "${name} and stand in place of one of the case's own")
    endif()
  elseif(EXISTS ${case_dir}/${name})
    set(input ${case_dir}/${name})
  endif()
  set(${result_var} "${input}" PARENT_SCOPE)
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

# case_rows(case_dir result_var): the names of the rows in case_dir/rows, a
# table of runs that share the folder's inputs, one a line, its fields split
# by blanks (name, program, argument, redirect, status, standard error file);
# '#' starts a comment line.
function(case_rows case_dir result_var)
  file(STRINGS ${case_dir}/rows lines REGEX "^[^#]")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "^[^ \t]+" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${result_var} ${names} PARENT_SCOPE)
endfunction()

# case_row(case_dir name result_var): the fields of the row named name.
function(case_row case_dir name result_var)
  file(STRINGS ${case_dir}/rows lines REGEX "^${name}[ \t]")
  list(LENGTH lines found)
  if(NOT found EQUAL 1)
    message(FATAL_ERROR "${case_dir}/rows: ${found} rows named '${name}', not one")
  endif()
  string(REGEX REPLACE "[ \t]+" ";" fields "${lines}")
  list(LENGTH fields count)
  if(NOT count EQUAL 6)
    message(FATAL_ERROR "${case_dir}/rows: row '${name}' has ${count} fields, not 6")
  endif()
  set(${result_var} ${fields} PARENT_SCOPE)
endfunction()
