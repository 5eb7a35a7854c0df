// The lines of INI-like text (quilmar.ini, zkt.ini), each taken apart the
// same way for every reader: a section header or a key with its value, white
// space around names and values dropped. What a reader then allows (comments,
// repeated keys, a header with text after its ']', long lines) is its own.
#ifndef QUILMAR_TEXTREAD_INI_LINES_H
#define QUILMAR_TEXTREAD_INI_LINES_H

#include <cstddef>
#include <memory>

#include "textread/text_lines.h"

// Text as the scanner reads it: single bytes. A UTF-16 text is narrowed
// into a copy of its own (NarrowUtf16); any other is read where it stands.
struct IniText {
    const char *text;
    size_t length;
    std::unique_ptr<char[]> narrowed;
};

// Sets *out to the single-byte form of the length bytes at text. False when
// memory for a narrowed copy runs out.
bool IniNarrowed(const char *text, size_t length, IniText *out);

enum IniLineKind {
    kIniBlank,    // nothing but white space
    kIniSection,  // '[' and a ']' later in the line
    kIniKey,      // any other line: a key, with or without '='
};

struct IniLine {
    int number;      // from 1
    TextLine whole;  // as it stands, its line end excluded
    TextLine text;   // whole, without white space at either end
    IniLineKind kind;
    // A section's name runs from '[' to the last ']' of the line; a key's
    // up to its first '=', or over the whole line when there is none.
    TextLine name;
    TextLine value;    // a key's after its first '='; empty when there is none
    bool hasValue;     // a key line holding '='
    bool closedAtEnd;  // a section whose last ']' ends the line
};

// Where a scan of [text, text + length) stands; a UTF-8 byte order mark at
// the start is passed over.
struct IniScan {
    const char *cursor;
    const char *end;
    int number;
};

void IniScanStart(IniScan *scan, const char *text, size_t length);

// The next line into *line; false past the last one.
bool IniNextLine(IniScan *scan, IniLine *line);

// Whether name is wanted, without regard to ASCII case.
bool IniNameIs(TextLine name, const char *wanted);

#endif  // QUILMAR_TEXTREAD_INI_LINES_H
