# The list of source folders, cmake/source_folders.txt, against the copies
# that cannot read it: .clang-tidy's HeaderFilterRegex, HACKING.md's layout
# table and the top CMakeLists.txt's add_subdirectory lines (in the order of
# what each uses); and against the tree, every top-level folder but tests/
# that holds C++ sources.
# -DSOURCE_DIR=<the source tree>
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${SOURCE_DIR}/cmake/source_folders.txt lines)
set(folders)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  list(APPEND folders ${line})
endforeach()

set(problems)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    list(APPEND problems "listed but missing: ${folder}/")
  endif()
endforeach()

file(GLOB top_entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(entry IN LISTS top_entries)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${entry} OR entry MATCHES "^(\\.|build$|tests$)")
    continue()
  endif()
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${entry}/*.cpp ${SOURCE_DIR}/${entry}/*.h)
  if(sources AND NOT entry IN_LIST folders)
    list(APPEND problems "holds C++ sources but is not listed: ${entry}/")
  endif()
endforeach()

string(REPLACE ";" "|" alternatives "${folders}")
set(expected_filter "HeaderFilterRegex: '/(${alternatives})/'")
file(STRINGS ${SOURCE_DIR}/.clang-tidy filter_lines REGEX "^HeaderFilterRegex:")
if(NOT filter_lines STREQUAL expected_filter)
  list(APPEND problems ".clang-tidy has \"${filter_lines}\", the list gives \"${expected_filter}\"")
endif()

# The product's folders: every one listed, but those of the tests, the fuzz
# harnesses and the benchmark, which the build adds on its own terms.
file(STRINGS ${SOURCE_DIR}/CMakeLists.txt added REGEX "^add_subdirectory\\([a-z]+\\)$")
list(TRANSFORM added REPLACE "^add_subdirectory\\(([a-z]+)\\)$" "\\1")
set(product ${folders})
list(REMOVE_ITEM product tests/support fuzz bench)
list(SORT product)
list(SORT added)
if(NOT added STREQUAL product)
  list(JOIN added " " added)
  list(JOIN product " " product)
  list(APPEND problems "CMakeLists.txt adds the folders ${added}; the list gives ${product}")
endif()

file(READ ${SOURCE_DIR}/HACKING.md hacking)
string(REGEX MATCH "\n## Layout\n[^#]*" layout "${hacking}")
if(layout STREQUAL "")
  list(APPEND problems "HACKING.md has no section \"## Layout\"")
endif()
foreach(folder IN LISTS folders)
  string(FIND "${layout}" "`${folder}/`" at)
  if(at EQUAL -1)
    list(APPEND problems "HACKING.md's layout table does not name `${folder}/`")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "cmake/source_folders.txt:\n  ${text}")
endif()
message(STATUS "source folders: ${alternatives}")
