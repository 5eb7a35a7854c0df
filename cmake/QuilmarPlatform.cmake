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
