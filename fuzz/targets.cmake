# Fuzz targets. With QUILMAR_FUZZ (clang only) each target is a libFuzzer
# binary fuzz_<target>; otherwise it is a replay binary replay_<target> that
# runs the saved inputs once. Either way a test replays the seed corpus
# (corpus/<target>) and every input that once made a target fail
# (regressions/<target>).
option(QUILMAR_FUZZ "Build the libFuzzer targets (clang only)" OFF)
set(QUILMAR_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

if(QUILMAR_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QUILMAR_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
endif()

add_library(quilmar_fuzz_support STATIC ${QUILMAR_FUZZ_DIR}/harness_io.cpp)
target_include_directories(quilmar_fuzz_support PUBLIC ${CMAKE_SOURCE_DIR})

function(quilmar_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  list(TRANSFORM ARG_SOURCES PREPEND ${QUILMAR_FUZZ_DIR}/)
  if(QUILMAR_FUZZ)
    set(exe fuzz_${name})
    add_executable(${exe} ${ARG_SOURCES})
    target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
  else()
    set(exe replay_${name})
    add_executable(${exe} ${ARG_SOURCES} ${QUILMAR_FUZZ_DIR}/replay_main.cpp)
  endif()
  target_link_libraries(${exe} PRIVATE quilmar_fuzz_support ${ARG_LIBRARIES})
  if(QUILMAR_BUILD_TESTS)
    set(regressions ${QUILMAR_FUZZ_DIR}/regressions/${name})
    set(dirs ${QUILMAR_FUZZ_DIR}/corpus/${name})
    if(IS_DIRECTORY ${regressions})
      list(APPEND dirs ${regressions})
    endif()
    if(QUILMAR_FUZZ)
      add_test(NAME fuzz.replay.${name} COMMAND ${exe} -runs=0 ${dirs})
    else()
      add_test(NAME fuzz.replay.${name} COMMAND ${exe} ${dirs})
    endif()
  endif()
endfunction()

quilmar_fuzz_target(settings_file
  SOURCES settings_file_fuzz.cpp
  LIBRARIES quilmar_settings)

# The walk links the stand-in library instead of zkt.
quilmar_fuzz_target(walk
  SOURCES walk_fuzz.cpp hostile_zkt.cpp
  LIBRARIES quilmar_core)

quilmar_fuzz_target(sim_config
  SOURCES sim_config_fuzz.cpp
  LIBRARIES zkt_sim_core)

# The walk against the simulated library itself, zkt.ini from the input.
quilmar_fuzz_target(sim_walk
  SOURCES sim_walk_fuzz.cpp ../sim/zkt_exports.cpp
  LIBRARIES quilmar_core zkt_sim_core)
