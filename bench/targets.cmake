# The benchmark: Google Benchmark, linked with the walk and the simulated
# library. Built by bench/run.sh in its own optimised build.
set(QUILMAR_BENCH_DIR ${CMAKE_CURRENT_LIST_DIR})
find_package(benchmark REQUIRED)
add_executable(quilmar_bench ${QUILMAR_BENCH_DIR}/quilmar_bench.cpp)
target_compile_definitions(quilmar_bench PRIVATE QUILMAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(quilmar_bench PRIVATE quilmar_core zkt benchmark::benchmark)
set_target_properties(quilmar_bench PROPERTIES BUILD_RPATH "$ORIGIN")
