# Cross build for 64-bit Windows with MinGW-w64; programs run under 64-bit
# Wine. The tool ships as the 32-bit build: this one runs the same tests where
# 32-bit programs cannot be started (a kernel without 32-bit support).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUILMAR_MINGW_TRIPLET x86_64-w64-mingw32)
# Debian keeps the 64-bit loader off PATH when the 32-bit one is installed.
find_program(QUILMAR_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
