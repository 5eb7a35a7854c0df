// Reading one key of a profile (INI) file, by the rules of the Windows
// profile reader, so that one settings file reads the same on every system:
// names match without regard to ASCII case, white space around names and
// values is dropped, one pair of enclosing quotes is dropped, the first
// section and the first key of a name win, a ';' line is a key whose name
// starts with ';' (so it never matches a setting), and CRLF, LF and a lone CR
// all end a line.
#include "platform/platform.h"
#include "textread/text_chars.h"
#include "textread/text_lines.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A part of a line: a name or a value.
using TextSpan = TextLine;

TextSpan Trim(TextSpan span) {
    while (span.begin < span.end && IsTextSpace(*span.begin)) ++span.begin;
    while (span.end > span.begin && IsTextSpace(span.end[-1])) --span.end;
    return span;
}

bool NameEquals(TextSpan name, const char *wanted) {
    size_t length = static_cast<size_t>(name.end - name.begin);
    if (std::strlen(wanted) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (AsciiLower(name.begin[i]) != AsciiLower(wanted[i])) return false;
    }
    return true;
}

// The whole file, or false when it cannot be read as a regular file.
// Settings files are small; nothing limits the length of a line. The open
// does not block: a named pipe would otherwise wait for a writer for good
// before it could be told apart from a file.
bool ReadWholeFile(const char *path, std::string &content) {
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    bool ok = true;
    try {
        char chunk[4096];
        for (;;) {
            ssize_t count = read(fd, chunk, sizeof chunk);
            if (count > 0) {
                content.append(chunk, static_cast<size_t>(count));
            } else if (count == 0) {
                break;
            } else if (errno != EINTR) {
                ok = false;
                break;
            }
        }
    } catch (...) {
        ok = false;
    }
    close(fd);
    return ok;
}

// The closing bracket of a section header line, or null when line is none.
const char *LastHeaderBracket(TextSpan line) {
    if (*line.begin != '[') return nullptr;
    for (const char *c = line.end - 1; c > line.begin; --c) {
        if (*c == ']') return c;
    }
    return nullptr;
}

// The value of key in the first section named section. Returns false when
// there is none: no such section or key, or the key's first line has no '='.
bool FindValue(const std::string &content, const char *section, const char *key, TextSpan &value) {
    const char *cursor = content.data();
    const char *end = cursor + content.size();
    cursor += Utf8MarkLength(cursor, content.size());

    bool inSection = false;
    while (cursor < end) {
        TextSpan line = Trim(NextTextLine(&cursor, end));
        if (line.begin == line.end) continue;

        // A header runs from '[' to the last ']' of its line; a '[' line
        // without one is an ordinary line of the section it stands in.
        const char *close = LastHeaderBracket(line);
        if (close != nullptr) {
            // A repeated section is not merged: once the first one ends,
            // the key is not there.
            if (inSection) return false;
            inSection = NameEquals(Trim(TextSpan{line.begin + 1, close}), section);
            continue;
        }
        if (!inSection) continue;

        const char *equals = line.begin;
        while (equals < line.end && *equals != '=') ++equals;
        if (!NameEquals(Trim(TextSpan{line.begin, equals}), key)) continue;
        if (equals == line.end) return false;
        value = Trim(TextSpan{equals + 1, line.end});
        return true;
    }
    return false;
}

TextSpan WithoutQuotes(TextSpan value) {
    size_t length = static_cast<size_t>(value.end - value.begin);
    if (length >= 2 && (*value.begin == '"' || *value.begin == '\'') &&
        value.end[-1] == *value.begin) {
        return TextSpan{value.begin + 1, value.end - 1};
    }
    return value;
}

// Copies text up to its first NUL, cut to the buffer; returns the count.
uint32_t CopyToBuffer(TextSpan text, char *buffer, uint32_t size) {
    size_t length = 0;
    while (text.begin + length < text.end && text.begin[length] != '\0') ++length;
    if (length > size - 1u) length = size - 1u;
    std::memcpy(buffer, text.begin, length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

}  // namespace

uint32_t PlatformReadProfileString(const char *section, const char *key, const char *defaultText,
                                   char *buffer, uint32_t size, const char *path) {
    if (buffer == nullptr || size == 0) return 0;

    // The default loses its trailing blanks, as a value does.
    const char *fallback = (defaultText != nullptr) ? defaultText : "";
    TextSpan fallbackSpan = {fallback, fallback + std::strlen(fallback)};
    while (fallbackSpan.end > fallbackSpan.begin && fallbackSpan.end[-1] == ' ') --fallbackSpan.end;

    if (section == nullptr || key == nullptr || path == nullptr || path[0] == '\0') {
        return CopyToBuffer(fallbackSpan, buffer, size);
    }
    std::string content;
    TextSpan value;
    const bool readable = ReadWholeFile(path, content);
    if (readable && IsUtf16(content.data(), content.size())) {
        content.resize(NarrowUtf16(content.data(), content.size(), &content[0]));
    }
    if (!readable || !FindValue(content, section, key, value)) {
        return CopyToBuffer(fallbackSpan, buffer, size);
    }
    return CopyToBuffer(WithoutQuotes(value), buffer, size);
}
