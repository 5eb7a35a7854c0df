// Text as a file saved in UTF-16, byte order mark first, for the tests
// of every reader that takes such files.
#ifndef QUILMAR_TESTS_SUPPORT_UTF16_TEXT_H
#define QUILMAR_TESTS_SUPPORT_UTF16_TEXT_H

#include <string>

inline std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? '\0' : c;
        bytes += bigEndian ? c : '\0';
    }
    return bytes;
}

// Any text of the Basic Multilingual Plane, so that a character above U+00FF
// can show that only its low byte is not what is read.
inline std::string Utf16(const std::u16string &text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

#endif  // QUILMAR_TESTS_SUPPORT_UTF16_TEXT_H
