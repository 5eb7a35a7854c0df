# cmake -DGROFF=groff -DINPUT=page.5 -DOUTPUT=page.txt -P man_text.cmake
# Renders a man page as the plain text that the Windows zip carries in doc\,
# where there is no man to open the page itself: ASCII with no overstrike
# (bold, underline) and no escape sequence, so that Notepad shows it as it
# is, and CR LF line ends, as every text file there has. A byte of either
# kind left over stops the build rather than ship a page a reader cannot
# read. OUTPUT is written beside itself first and renamed into place, so a
# failed run never leaves half a page under its name.
include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
require_definitions(GROFF INPUT OUTPUT)
run_and_expect(text "\nNAME\n" "NAME section"
  COMMAND ${GROFF} -man -Tascii -P -cbou "${INPUT}")
# execute_process drops every CR of the output, so the ends are groff's LF.
string(ASCII 8 backspace)
string(ASCII 27 escape)
foreach(byte backspace escape)
  string(FIND "${text}" "${${byte}}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${INPUT} rendered with a ${byte} byte at offset ${at}")
  endif()
endforeach()
string(REPLACE "\n" "\r\n" text "${text}")
set(partial "${OUTPUT}.partial")
file(WRITE "${partial}" "${text}")
file(RENAME "${partial}" "${OUTPUT}")
