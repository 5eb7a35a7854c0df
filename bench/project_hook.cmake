# Joins the benchmark to the quilmar build without the top-level list naming
# it: given as CMAKE_PROJECT_INCLUDE (bench/run.sh does), it runs right after
# project() and defers the target until the project's own libraries exist.
# A deferred call reads its variables late, so the path is fixed in now.
cmake_language(EVAL CODE
  "cmake_language(DEFER CALL include [[${CMAKE_CURRENT_LIST_DIR}/targets.cmake]])")
