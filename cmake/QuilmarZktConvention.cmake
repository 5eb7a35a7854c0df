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
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND ZKT_CALLING_CONVENTION STREQUAL "stdcall")
  set(QUILMAR_ZKT_KILL_AT ON)
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
      target_link_options(${target} PRIVATE -Wl,--kill-at)
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
    # A DLL linked directly exports undecorated names; the linker matches
    # them to the decorated ones the compiler asks for.
    if(QUILMAR_ZKT_KILL_AT)
      target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
  else()
    target_link_libraries(${target} PRIVATE zkt)
  endif()
endfunction()
