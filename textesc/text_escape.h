// Text escapes shared by the call trace, the library's messages and the
// zkt.ini text values: a byte text becomes printable ASCII and back.
//
// The escaped form: the text in double quotes, with a quote as \", a
// backslash as \\ and every byte outside printable ASCII (below 0x20, 0x7F and above) as
// \xNN with two lower-case hex digits.
#ifndef QUILMAR_TEXTESC_TEXT_ESCAPE_H
#define QUILMAR_TEXTESC_TEXT_ESCAPE_H

#include <cstddef>
#include <string>

// Writes the escaped form of at most maxLength bytes of text (stopping at a
// NUL) into out (outSize bytes, always NUL-terminated), or "null" for a null
// pointer. A text whose escaped form does not fit is cut after the last
// whole escape that fits, and still closed by its quote. Returns out.
const char *EscapeQuoted(const char *text, size_t maxLength, char *out, size_t outSize);

// The same escapes without the enclosing quotes and with '"' left as it is,
// for text set into a message: a backslash as \\ and every byte outside
// printable ASCII as \xNN, so that no byte of the text acts on a terminal.
// "null" for a null pointer; a text that does not fit is cut after the last
// whole escape that fits. Returns out.
const char *EscapeUnquoted(const char *text, size_t maxLength, char *out, size_t outSize);

// EscapeUnquoted of at most maxLength bytes of text, as a string: a path
// from a file or a name as a message shows it.
std::string Escaped(const char *text, size_t maxLength);

// Only the control bytes (below 0x20, and 0x7F) as \xNN, every other byte as
// it is, for library text printed in the program's lines: a name cannot act
// on the terminal, and a name without control bytes prints byte for byte
// (bytes of 0x80 and above belong to the text's code page). "null" for a
// null pointer; a text that does not fit is cut after the last whole escape
// that fits. Returns out.
const char *EscapeControls(const char *text, size_t maxLength, char *out, size_t outSize);

// EscapeControls of a whole NUL-terminated text, for a message that shows
// text the program did not write itself (an argument, a path); or of at most
// maxLength bytes of it, for a field that need not end in NUL.
std::string EscapedControls(const char *text);
std::string EscapedControls(const char *text, size_t maxLength);

// Reads back the escaped form that starts at text[0], which must be a double
// quote, up to its closing quote. Inside the quotes \", \\ and \xNN (hex
// digits in either case) stand for one byte each, and every other byte but
// NUL stands for itself; any other escape is an error, and so is \x00, since
// the text ends at its first NUL. On success writes the bytes into out
// (outSize bytes; NUL-terminated), their count into *length and the position
// just after the closing quote into *end, and returns true. On failure
// returns false and writes the reason, one line without a newline, into
// error (errorSize bytes); out then holds no meaning.
bool UnescapeQuoted(const char *text, char *out, size_t outSize, size_t *length, const char **end,
                    char *error, size_t errorSize);

#endif  // QUILMAR_TEXTESC_TEXT_ESCAPE_H
