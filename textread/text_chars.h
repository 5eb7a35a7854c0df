// Single characters of text that users write, judged alike by every reader
// of it (numbers, profile names and values), whatever the C runtime's locale.
#ifndef QUILMAR_TEXTREAD_TEXT_CHARS_H
#define QUILMAR_TEXTREAD_TEXT_CHARS_H

// The white space skipped before a number and trimmed around a name or a
// value: the six characters of the "C" locale.
inline bool IsTextSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Names match without regard to ASCII case only; other bytes stay as they are.
inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The value of a hexadecimal digit, either case, or -1 for any other byte.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

#endif  // QUILMAR_TEXTREAD_TEXT_CHARS_H
