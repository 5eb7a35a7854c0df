// Lines of a text file as users save them, read alike by the settings reader
// and the simulator's zkt.ini reader: UTF-8 (with or without a byte order
// mark) or UTF-16 with its byte order mark, lines ended by CRLF, LF or a lone
// CR, the last line with or without an end.
#ifndef QUILMAR_TEXTREAD_TEXT_LINES_H
#define QUILMAR_TEXTREAD_TEXT_LINES_H

#include <cstddef>

// The bytes of one line, its line end excluded.
struct TextLine {
    const char *begin;
    const char *end;
};

// True when text starts with a UTF-16 byte order mark (either byte order).
bool IsUtf16(const char *text, size_t length);

// Writes a UTF-16 text (IsUtf16) as the same text in single bytes, without
// the mark, into out, which has room for length / 2 bytes and may be text
// itself. Characters outside ASCII cannot be part of a key or a number and
// become '?'; an odd last byte is dropped. Returns the narrowed length.
size_t NarrowUtf16(const char *text, size_t length, char *out);

// The code units of a UTF-16 text (IsUtf16) that NarrowUtf16 made the bytes
// [first, first + count) of its result from, one for each, into out: the
// characters a value of the narrowed text stands for.
void Utf16UnitsAt(const char *text, size_t length, size_t first, size_t count, char16_t *out);

// 3 when text starts with a UTF-8 byte order mark, else 0.
size_t Utf8MarkLength(const char *text, size_t length);

// The next line of [*cursor, end), moving *cursor past it and its line end.
TextLine NextTextLine(const char **cursor, const char *end);

#endif  // QUILMAR_TEXTREAD_TEXT_LINES_H
