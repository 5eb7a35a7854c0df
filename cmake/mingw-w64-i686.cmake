# Cross build for 32-bit Windows (the tool's home) with MinGW-w64; programs
# run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILMAR_MINGW_TRIPLET i686-w64-mingw32)
# Debian's launcher picks the 32-bit loader when it is installed.
find_program(QUILMAR_WINE_LOADER NAMES wine REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
