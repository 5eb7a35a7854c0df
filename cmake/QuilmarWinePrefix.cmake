# The first program started in a fresh Wine prefix sets it up, which takes
# seconds and is reported on standard error. The build does it once
# beforehand, so that every test finds a ready prefix and the end-to-end runs
# see only the tool's own output.
#
# A crash must end the program with its exception's status, as on a machine
# without a debugger: Wine otherwise starts its own (AeDebug), which prints
# on the program's standard output. With Auto 0 it still starts one unless
# a message box can ask; a Debugger that cannot be started leaves none.
# (Wine's one line on standard error, "wine: Unhandled ..., starting
# debugger...", stays: tests/e2e/run_case.cmake drops it.)
#
# Where this Wine cannot start programs at all (a 32-bit Wine on a kernel
# without 32-bit support), the build still makes the programs and the
# package, and says so here; the tests then fail at their first run.
execute_process(COMMAND ${QUILMAR_WINE_LOADER} --version
  RESULT_VARIABLE quilmar_wine_result
  OUTPUT_VARIABLE quilmar_wine_version
  ERROR_VARIABLE quilmar_wine_error
  OUTPUT_STRIP_TRAILING_WHITESPACE
  ERROR_STRIP_TRAILING_WHITESPACE)
if(NOT quilmar_wine_result EQUAL 0)
  message(WARNING
    "${QUILMAR_WINE_LOADER} cannot run here (${quilmar_wine_error}): the tests of this "
    "build cannot run on this machine. The windows-x64 preset runs them under 64-bit Wine.")
  return()
endif()
message(STATUS "Tests run under ${quilmar_wine_version} in ${QUILMAR_WINEPREFIX}")

set(quilmar_aedebug "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug")
set(quilmar_wineprefix_stamp ${QUILMAR_WINEPREFIX}/quilmar-prefix-ready)
# With the folder in place, the emulator's own start-up (cmake/wine-run.sh)
# fills the prefix with its output detached; the program it then runs does
# nothing. (wineboot started from here would leave services holding the
# build tool's output pipe for over a minute.)
add_custom_command(OUTPUT ${quilmar_wineprefix_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILMAR_WINEPREFIX}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} cmd.exe /c exit
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add ${quilmar_aedebug} /v Auto /t REG_SZ /d 0 /f
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add ${quilmar_aedebug} /v Debugger /t REG_SZ /d "" /f
  COMMAND ${CMAKE_COMMAND} -E touch ${quilmar_wineprefix_stamp}
  COMMENT "Setting up the Wine prefix in ${QUILMAR_WINEPREFIX}"
  VERBATIM)
add_custom_target(quilmar_wineprefix ALL DEPENDS ${quilmar_wineprefix_stamp})
