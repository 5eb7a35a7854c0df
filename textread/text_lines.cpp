#include "textread/text_lines.h"

#include <cstring>

namespace {

bool StartsWith(const char *text, size_t length, unsigned char first, unsigned char second) {
    return length >= 2 && static_cast<unsigned char>(text[0]) == first &&
           static_cast<unsigned char>(text[1]) == second;
}

bool IsLittleEndianUtf16(const char *text, size_t length) {
    return StartsWith(text, length, 0xFF, 0xFE);
}

// The UTF-16 unit whose bytes start at text[i].
unsigned UnitAt(const char *text, size_t i, bool littleEndian) {
    const auto low = static_cast<unsigned char>(text[littleEndian ? i : i + 1]);
    const auto high = static_cast<unsigned char>(text[littleEndian ? i + 1 : i]);
    return static_cast<unsigned>(high << 8 | low);
}

}  // namespace

bool IsUtf16(const char *text, size_t length) {
    return IsLittleEndianUtf16(text, length) || StartsWith(text, length, 0xFE, 0xFF);
}

size_t NarrowUtf16(const char *text, size_t length, char *out) {
    const bool littleEndian = IsLittleEndianUtf16(text, length);
    // Character i is written at i, always behind the bytes still to read, so
    // out may be text itself.
    size_t narrow = 0;
    for (size_t i = 2; i + 1 < length; i += 2) {
        const unsigned unit = UnitAt(text, i, littleEndian);
        out[narrow++] = unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return narrow;
}

void Utf16UnitsAt(const char *text, size_t length, size_t first, size_t count, char16_t *out) {
    const bool littleEndian = IsLittleEndianUtf16(text, length);
    for (size_t k = 0; k < count; ++k) {
        const size_t i = 2 + 2 * (first + k);
        out[k] = i + 1 < length ? static_cast<char16_t>(UnitAt(text, i, littleEndian)) : u'\0';
    }
}

size_t Utf8MarkLength(const char *text, size_t length) {
    return (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) ? 3 : 0;
}

// Found with memchr: a replay splits a whole recording into lines before
// it answers the first call, and a byte-by-byte scan showed in its cost.
// Both ends are looked for a window at a time, so that finding a line costs
// its own length: a search for the line feed alone crossed every line
// ended by a lone CR up to the next line feed, again for each of them.
TextLine NextTextLine(const char **cursor, const char *end) {
    constexpr size_t kWindow = 256;
    const char *lineEnd = end;
    for (const char *window = *cursor; window < end; window += kWindow) {
        const size_t rest = static_cast<size_t>(end - window);
        const size_t size = rest < kWindow ? rest : kWindow;
        const auto *newline = static_cast<const char *>(std::memchr(window, '\n', size));
        // A CR before the line feed ends the line there.
        const size_t beforeNewline =
            newline != nullptr ? static_cast<size_t>(newline - window) : size;
        const auto *cr = static_cast<const char *>(std::memchr(window, '\r', beforeNewline));
        if (cr != nullptr || newline != nullptr) {
            lineEnd = cr != nullptr ? cr : newline;
            break;
        }
    }
    const TextLine line = {*cursor, lineEnd};
    if (lineEnd < end) {
        const bool crlf = *lineEnd == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n';
        lineEnd += crlf ? 2 : 1;
    }
    *cursor = lineEnd;
    return line;
}
