# Writes a document for the Windows zip as a text file with CR LF line ends:
#   cmake -DINPUT=README.md -DOUTPUT=README.txt -P windows_text.cmake
# With -DGROFF=path or -DMAN=path, INPUT is a manual page, rendered as plain
# text: no backspace overstrikes (bold, underline) and no escape codes.
if(DEFINED GROFF)
  execute_process(COMMAND ${GROFF} -man -Tascii -P-cbou ${INPUT}
    OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
elseif(DEFINED MAN)
  # man-db drops the formatting from output that is not a terminal.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C MANWIDTH=78 MAN_KEEP_FORMATTING=
                          ${MAN} -l ${INPUT}
    OUTPUT_VARIABLE text COMMAND_ERROR_IS_FATAL ANY)
else()
  file(READ ${INPUT} text)
endif()
if(DEFINED GROFF OR DEFINED MAN)
  string(ASCII 8 backspace)
  string(ASCII 27 escape)
  # Whatever a formatter left of overstrikes ("_\bx", "x\bx") and of SGR codes.
  string(REGEX REPLACE ".${backspace}" "" text "${text}")
  string(REGEX REPLACE "${escape}\\[[0-9;]*[A-Za-z]" "" text "${text}")
endif()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
