# How the twelve ZKT_ operations are called and exported, for every target
# that declares, defines or calls them.
#
# ZKT_CALLING_CONVENTION: cdecl (the compiler's default) or stdcall, to match
# a maker's 32-bit library that passes arguments that way. It is defined for
# the whole build (boardlib/zkt_api.h's ZKT_CALL), so the tool, the
# simulator, the tracing proxy, the test stand-ins and any other program
# agree. On 64-bit targets there is one convention and the choice has no
# effect.
#
# ZKT_LIBRARY: a board access library to link quilmar against instead of the
# simulator (an import library, a DLL or a shared object).
set(ZKT_CALLING_CONVENTION cdecl CACHE STRING
  "Calling convention of the ZKT_ operations: cdecl or stdcall")
set_property(CACHE ZKT_CALLING_CONVENTION PROPERTY STRINGS cdecl stdcall)
set(ZKT_LIBRARY "" CACHE FILEPATH
  "Board access library to link quilmar against instead of the simulator (import library, DLL or shared object)")

if(ZKT_CALLING_CONVENTION STREQUAL "stdcall")
  if(WIN32)
    add_compile_definitions(ZKT_CALL=__stdcall)
  elseif(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_definitions("ZKT_CALL=__attribute__((stdcall))")
  else()
    message(STATUS "ZKT_CALLING_CONVENTION=stdcall: this target has one calling convention")
  endif()
elseif(NOT ZKT_CALLING_CONVENTION STREQUAL "cdecl")
  message(FATAL_ERROR "ZKT_CALLING_CONVENTION must be cdecl or stdcall, not '${ZKT_CALLING_CONVENTION}'")
endif()

# 32-bit Windows decorates stdcall names (_ZKT_init@8). A maker's DLL exports
# them undecorated, so ours do too, and programs import them undecorated.
# Our DLLs' import libraries map the decorated names to the plain ones
# (zkt_library_exports), and every program links with stdcall fixup, so that
# a maker's DLL linked directly (ZKT_LIBRARY), which offers only the plain
# ZKT_init, still serves a caller that asks for _ZKT_init@8.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND ZKT_CALLING_CONVENTION STREQUAL "stdcall")
  set(QUILMAR_ZKT_KILL_AT ON)
  add_link_options(-Wl,--enable-stdcall-fixup)
  set(QUILMAR_ZKT_STDCALL_DEF ${CMAKE_CURRENT_LIST_DIR}/zkt-stdcall.def)
  find_program(QUILMAR_DLLTOOL NAMES ${QUILMAR_MINGW_TRIPLET}-dlltool dlltool REQUIRED)
else()
  set(QUILMAR_ZKT_KILL_AT OFF)
endif()

# A shared library that exports the twelve operations (the simulator, the
# proxy): exactly those twelve, undecorated, and nothing of the code it is
# made of, so that two of them in one process never bind to each other.
function(zkt_library_exports target)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE "ZKT_API=__declspec(dllexport)")
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
      target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
    endif()
    if(QUILMAR_ZKT_KILL_AT)
      # The linker's own import library would offer the plain names only,
      # which no caller compiled for stdcall asks for: it is made anew with
      # the decorated names, each importing the plain one.
      target_link_options(${target} PRIVATE -Wl,--kill-at)
      add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${QUILMAR_DLLTOOL} --kill-at
          --input-def ${QUILMAR_ZKT_STDCALL_DEF}
          --dllname $<TARGET_FILE_NAME:${target}>
          --output-lib $<TARGET_LINKER_FILE:${target}>
        VERBATIM)
    endif()
  else()
    target_compile_definitions(${target} PRIVATE
      "ZKT_API=__attribute__((visibility(\"default\")))")
    if(NOT APPLE)
      target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
    endif()
  endif()
endfunction()

# The board access library quilmar is linked against.
function(zkt_link_library target)
  if(ZKT_LIBRARY)
    target_link_libraries(${target} PRIVATE ${ZKT_LIBRARY})
  else()
    target_link_libraries(${target} PRIVATE zkt)
  endif()
endfunction()
