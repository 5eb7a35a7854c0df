# The platform layer: one implementation per operating system behind
# platform/platform.h.
if(WIN32)
  set(QUILMAR_PLATFORM_SOURCES platform/platform_win32.cpp)
else()
  set(QUILMAR_PLATFORM_SOURCES
    platform/platform_posix.cpp
    platform/profile_reader.cpp)
endif()

add_library(quilmar_platform STATIC ${QUILMAR_PLATFORM_SOURCES})
target_include_directories(quilmar_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quilmar_platform PUBLIC quilmar_textread)

# ForeignCall (platform/foreign_call.h), with which a library bound by name
# is called: an assembly routine on 32-bit x86 (Linux -m32 and MinGW i686
# alike), nothing to build on other targets, which call directly. It goes
# into shared libraries (the tracing proxy), hence position independent.
if(CMAKE_SIZEOF_VOID_P EQUAL 4
   AND CMAKE_SYSTEM_PROCESSOR MATCHES "^([iI][3-6]86|x86|X86|x86_64|AMD64|amd64)$")
  add_library(quilmar_foreign_call STATIC platform/foreign_call_x86.cpp)
  set_target_properties(quilmar_foreign_call PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(quilmar_foreign_call PUBLIC ${CMAKE_SOURCE_DIR})
else()
  add_library(quilmar_foreign_call INTERFACE)
  target_include_directories(quilmar_foreign_call INTERFACE ${CMAKE_SOURCE_DIR})
endif()
