# Joins the fuzz targets to the quilmar build without the top-level list
# naming them: given as CMAKE_PROJECT_INCLUDE (see the asan and fuzz
# presets), it runs right after project() and defers the targets until the
# project's own libraries exist. A deferred call reads its variables late, so
# the path is fixed into the call now.
cmake_language(EVAL CODE
  "cmake_language(DEFER CALL include [[${CMAKE_CURRENT_LIST_DIR}/targets.cmake]])")
