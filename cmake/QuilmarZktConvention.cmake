# How a library that exports the ZKT_ operations (the simulator, the
# tracing proxy) exports them, and how a program reaches them.
#
# The calling convention and the export names are a property of each such
# library, so that one build can make the simulator as a maker's DLL might
# be made: CONVENTION cdecl (the compiler's default, what the shipped
# libraries use) or stdcall (32-bit Windows; elsewhere there is one
# convention), and NAMES plain (ZKT_init) or decorated (_ZKT_init@8, as the
# maker's tools may export a stdcall DLL). OMIT leaves operations out, for a
# library that lacks one. The programs find each operation under any of
# these names and call it in either convention (boardlib/zkt_reach.h), and
# the proxy does the same with its target: nothing else depends on them.

# Each operation with the bytes of its arguments, as stdcall decorates it
# (ZKT_init:8), read from the operations' one list.
function(zkt_operation_bytes result_var)
  set(list_file ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../boardlib/zkt_operations.inc)
  file(STRINGS ${list_file} lines REGEX "^ZKT_OPERATION\\(")
  set(entries "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^ZKT_OPERATION\\([^,]+, *([A-Za-z]+), *[A-Za-z]+, *([0-9]+),")
      message(FATAL_ERROR "${list_file}: cannot read '${line}'")
    endif()
    math(EXPR bytes "4 * ${CMAKE_MATCH_2}")
    list(APPEND entries ZKT_${CMAKE_MATCH_1}:${bytes})
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  set(${result_var} ${entries} PARENT_SCOPE)
endfunction()
zkt_operation_bytes(ZKT_OPERATION_BYTES)

# A shared library that exports the operations: exactly those, and nothing
# of the code it is made of, so that two of them in one process never bind
# to each other.
function(zkt_library_exports target)
  cmake_parse_arguments(ARG "" "CONVENTION;NAMES" "OMIT" ${ARGN})
  if(NOT ARG_CONVENTION)
    set(ARG_CONVENTION cdecl)
  endif()
  if(NOT ARG_NAMES)
    set(ARG_NAMES plain)
  endif()
  if(NOT ARG_CONVENTION MATCHES "^(cdecl|stdcall)$" OR NOT ARG_NAMES MATCHES "^(plain|decorated)$")
    message(FATAL_ERROR "zkt_library_exports(${target}): CONVENTION cdecl|stdcall, NAMES plain|decorated")
  endif()
  set(stdcall OFF)
  if(ARG_CONVENTION STREQUAL "stdcall" AND WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(stdcall ON)
    target_compile_definitions(${target} PRIVATE ZKT_CALL=__stdcall)
  endif()

  if(NOT WIN32)
    target_compile_definitions(${target} PRIVATE
      "ZKT_API=__attribute__((visibility(\"default\")))")
    if(NOT APPLE)
      target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
      # Every function the exports call is in the library: one left out (a
      # traced operation not written) stops its link, not a program's load.
      # The sanitizers' runtime comes with the program, so not there.
      if(NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
        target_link_options(${target} PRIVATE -Wl,--no-undefined)
      endif()
    endif()
    return()
  endif()

  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
  endif()
  if(ARG_NAMES STREQUAL "plain" AND NOT ARG_OMIT)
    target_compile_definitions(${target} PRIVATE "ZKT_API=__declspec(dllexport)")
    if(stdcall)
      # ZKT_init, as a maker's DLL exports it, not the linker's ZKT_init@8.
      target_link_options(${target} PRIVATE -Wl,--kill-at)
    endif()
    return()
  endif()

  # A module-definition file names each export and the function behind it
  # (stdcall functions by their decorated names, which 32-bit .def files
  # write without the leading underscore).
  set(def "; Written by zkt_library_exports for ${target}.\nEXPORTS\n")
  foreach(entry IN LISTS ZKT_OPERATION_BYTES)
    string(REPLACE ":" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 bytes)
    if(name IN_LIST ARG_OMIT)
      continue()
    endif()
    set(internal ${name})
    if(stdcall)
      set(internal ${name}@${bytes})
    endif()
    if(ARG_NAMES STREQUAL "decorated")
      string(APPEND def "_${name}@${bytes}=${internal}\n")
    else()
      string(APPEND def "${name}=${internal}\n")
    endif()
  endforeach()
  set(def_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  file(WRITE ${def_file} "${def}")
  target_sources(${target} PRIVATE ${def_file})
endfunction()

# Another build of the library base (the simulator, the proxy) exporting
# the operations otherwise: zkt_library_exports' arguments follow the
# folder. A ZKT.dll in bin/<folder>/, its import library in lib/<folder>/.
function(zkt_library_variant target base folder)
  get_target_property(sources ${base} SOURCES)
  get_target_property(source_dir ${base} SOURCE_DIR)
  list(TRANSFORM sources PREPEND ${source_dir}/ REGEX "^[^/]")
  add_library(${target} SHARED ${sources})
  get_target_property(libraries ${base} LINK_LIBRARIES)
  get_target_property(includes ${base} INCLUDE_DIRECTORIES)
  target_link_libraries(${target} PRIVATE ${libraries})
  target_include_directories(${target} PRIVATE ${includes})
  quilmar_hidden_symbols(${target})
  zkt_library_exports(${target} ${ARGN})
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ZKT
    PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${folder})
endfunction()

# The board access library a program calls: on Windows bound at run time,
# whatever its convention and export names (boardlib/zkt_reach_bound.cpp);
# elsewhere linked, the simulator libzkt.so or another in its place.
function(zkt_link_library target)
  target_link_libraries(${target} PRIVATE quilmar_zkt_reach)
  if(NOT WIN32)
    target_link_libraries(${target} PRIVATE zkt)
  endif()
endfunction()
