# The first program started in a fresh Wine prefix sets it up, which takes
# seconds and is reported on standard error. The build does it once
# beforehand, so that every test finds a ready prefix and the end-to-end runs
# see only the tool's own output.
set(quilmar_wineprefix_stamp ${QUILMAR_WINEPREFIX}/quilmar-prefix-ready)
add_custom_command(OUTPUT ${quilmar_wineprefix_stamp}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot.exe --init
  COMMAND ${CMAKE_COMMAND} -E touch ${quilmar_wineprefix_stamp}
  COMMENT "Setting up the Wine prefix in ${QUILMAR_WINEPREFIX}"
  VERBATIM)
add_custom_target(quilmar_wineprefix ALL DEPENDS ${quilmar_wineprefix_stamp})
