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
    if (!IsUtf16(text.data(), text.size())) {
        SimFindLibraryPath(text.data(), text.size(), key, out, outSize);
        return;
    }
    const std::unique_ptr<char[]> narrow(new (std::nothrow) char[text.size() / 2 + 1]);
    if (narrow == nullptr) return;
    SimFindLibraryPath(narrow.get(), NarrowUtf16(text.data(), text.size(), narrow.get()), key, out,
                       outSize);
}

void SimFindLibraryPath(const char *text, size_t length, const char *wanted, char *out,
                        size_t outSize) {
    if (outSize == 0) return;
    out[0] = '\0';
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
        if (valueLength < outSize) {
            std::memcpy(out, value, valueLength);
            out[valueLength] = '\0';
        }
        return;
    }
}
