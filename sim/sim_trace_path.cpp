#include "sim/sim_trace_path.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/platform.h"
#include "sim/sim_text.h"
#include "textread/text_lines.h"
#include "zktini/zkt_ini_limits.h"

void SimFindTracePath(const char *text, size_t length, char *out, size_t outSize) {
    SimFindLibraryPath(text, length, "Trace", out, outSize);
}

void SimFindLibraryPathInFile(const char *path, const char *key, char *out, size_t outSize) {
    if (outSize == 0) return;
    out[0] = '\0';
    std::string text;
    char reason[128];
    if (PlatformReadWholeFile(path, static_cast<size_t>(kSimMaxConfigBytes), &text, reason,
                              sizeof reason) != kWholeFileRead) {
        return;
    }
    SimFindLibraryPath(text.data(), text.size(), key, out, outSize);
}

NarrowPathResult SimPathValue(const char *file, size_t fileLength, const char *value, size_t offset,
                              size_t length, char *out, size_t outSize, char *reason,
                              size_t reasonSize) {
    if (outSize == 0) return kNarrowPathTooLong;
    out[0] = '\0';
    if (!IsUtf16(file, fileLength)) {
        if (length >= outSize) return kNarrowPathTooLong;
        std::memcpy(out, value, length);
        out[length] = '\0';
        return kNarrowPathDone;
    }
    char16_t units[kSimMaxLineLength];
    if (length > kSimMaxLineLength) return kNarrowPathTooLong;
    Utf16UnitsAt(file, fileLength, offset, length, units);
    return PlatformNarrowPath(units, length, out, outSize, reason, reasonSize);
}

namespace {

// SimFindLibraryPath in the narrowed text of file.
void FindLibraryPath(const char *file, size_t fileLength, const char *text, size_t length,
                     const char *wanted, char *out, size_t outSize) {
    char buffer[kSimMaxLineLength + 1];
    bool inLibrary = false;
    const char *cursor = text + Utf8MarkLength(text, length);
    const char *const end = text + length;
    while (cursor < end) {
        const TextLine textLine = NextTextLine(&cursor, end);
        const char *start = textLine.begin;
        const size_t lineLength = static_cast<size_t>(textLine.end - textLine.begin);
        if (lineLength > kSimMaxLineLength || std::memchr(start, '\0', lineLength) != nullptr) {
            continue;
        }
        std::memcpy(buffer, start, lineLength);
        size_t n = lineLength;
        char *line = SimTrim(buffer, &n);
        if (n == 0 || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line[n - 1] != ']') continue;
            line[n - 1] = '\0';
            size_t nameLength = n - 2;
            char *name = SimTrim(line + 1, &nameLength);
            inLibrary = SimEqualNoCase(name, "Library");
            continue;
        }
        char *equals = std::strchr(line, '=');
        if (!inLibrary || equals == nullptr) continue;
        *equals = '\0';
        size_t keyLength = static_cast<size_t>(equals - line);
        char *key = SimTrim(line, &keyLength);
        if (!SimEqualNoCase(key, wanted)) continue;
        size_t valueLength = std::strlen(equals + 1);
        const char *value = SimTrim(equals + 1, &valueLength);
        const size_t offset =
            static_cast<size_t>(start - text) + static_cast<size_t>(value - buffer);
        char reason[80];
        if (SimPathValue(file, fileLength, value, offset, valueLength, out, outSize, reason,
                         sizeof reason) != kNarrowPathDone) {
            out[0] = '\0';
        }
        return;
    }
}

}  // namespace

void SimFindLibraryPath(const char *text, size_t length, const char *wanted, char *out,
                        size_t outSize) {
    if (outSize == 0) return;
    out[0] = '\0';
    if (!IsUtf16(text, length)) {
        FindLibraryPath(text, length, text, length, wanted, out, outSize);
        return;
    }
    const std::unique_ptr<char[]> narrow(new (std::nothrow) char[length / 2 + 1]);
    if (narrow == nullptr) return;
    FindLibraryPath(text, length, narrow.get(), NarrowUtf16(text, length, narrow.get()), wanted,
                    out, outSize);
}
