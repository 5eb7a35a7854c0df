#include "zktini/library_paths.h"

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "textread/ini_lines.h"
#include "zktini/zkt_ini_limits.h"

void ZktIniFindLibraryPathInFile(const char *path, const char *key, char *out, size_t outSize) {
    std::string text;
    char reason[128];
    // A file that cannot be read leaves text empty, which names no path.
    PlatformReadWholeFile(path, static_cast<size_t>(kZktIniMaxFileBytes), &text, reason,
                          sizeof reason);
    ZktIniFindLibraryPath(text.data(), text.size(), key, out, outSize);
}

NarrowPathResult ZktIniPathValue(const char *file, size_t fileLength, const char *value,
                                 size_t offset, size_t length, char *out, size_t outSize,
                                 char *reason, size_t reasonSize) {
    if (outSize == 0) return kNarrowPathTooLong;
    out[0] = '\0';
    if (!IsUtf16(file, fileLength)) {
        if (length >= outSize) return kNarrowPathTooLong;
        std::memcpy(out, value, length);
        out[length] = '\0';
        return kNarrowPathDone;
    }
    char16_t units[kZktIniMaxLineLength];
    if (length > kZktIniMaxLineLength) return kNarrowPathTooLong;
    Utf16UnitsAt(file, fileLength, offset, length, units);
    return PlatformNarrowPath(units, length, out, outSize, reason, reasonSize);
}

// Only the lines the simulator's reader takes count here, but each on its
// own: a line it would refuse is passed over, and so is a header with text
// after its ']', which leaves the section as it was.
void ZktIniFindLibraryPath(const char *text, size_t length, const char *wanted, char *out,
                           size_t outSize) {
    if (outSize == 0) return;
    out[0] = '\0';
    IniText narrow;
    if (!IniNarrowed(text, length, &narrow)) return;
    bool inLibrary = false;
    IniScan scan;
    IniScanStart(&scan, narrow.text, narrow.length);
    IniLine line;
    while (IniNextLine(&scan, &line)) {
        const size_t lineLength = static_cast<size_t>(line.whole.end - line.whole.begin);
        if (lineLength > kZktIniMaxLineLength ||
            std::memchr(line.whole.begin, '\0', lineLength) != nullptr || line.kind == kIniBlank ||
            *line.text.begin == ';' || *line.text.begin == '#') {
            continue;
        }
        if (*line.text.begin == '[') {
            if (line.kind == kIniSection && line.closedAtEnd) {
                inLibrary = IniNameIs(line.name, "Library");
            }
            continue;
        }
        if (!inLibrary || !line.hasValue || !IniNameIs(line.name, wanted)) continue;
        const size_t offset = static_cast<size_t>(line.value.begin - narrow.text);
        char reason[80];
        if (ZktIniPathValue(text, length, line.value.begin, offset,
                            static_cast<size_t>(line.value.end - line.value.begin), out, outSize,
                            reason, sizeof reason) != kNarrowPathDone) {
            out[0] = '\0';
        }
        return;
    }
}
