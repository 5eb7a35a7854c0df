# Shared part of the MinGW-w64 cross builds. The including toolchain file sets
# QUILMAR_MINGW_TRIPLET (compiler prefix) and QUILMAR_WINE_LOADER (the Wine
# loader that runs programs of that word size).
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: the -win32 ones lack std::thread and
# std::condition_variable, which GoogleTest needs.
set(CMAKE_C_COMPILER ${QUILMAR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILMAR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILMAR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILMAR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into every program and DLL, so the tool
# and the library are all an operator has to copy. The link time stays out of
# the PE header (its time stamp is 0), so two links of one commit give the
# same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# Every program the build runs (tests, test discovery, the end-to-end runs,
# the demo) goes through Wine, in a prefix of its own inside the build tree so
# that nothing depends on the user's ~/.wine. Mono and Gecko are not wanted:
# without the overrides a fresh prefix offers to download them.
set(QUILMAR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
  ${CMAKE_COMMAND} -E env
    WINEPREFIX=${QUILMAR_WINEPREFIX}
    WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml=
    sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${QUILMAR_WINE_LOADER})
