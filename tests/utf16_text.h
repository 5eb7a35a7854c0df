// ASCII text as a file saved in UTF-16, byte order mark first, for the tests
// of every reader that takes such files.
#ifndef QUILMAR_TESTS_UTF16_TEXT_H
#define QUILMAR_TESTS_UTF16_TEXT_H

#include <string>

inline std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? '\0' : c;
        bytes += bigEndian ? c : '\0';
    }
    return bytes;
}

#endif  // QUILMAR_TESTS_UTF16_TEXT_H
