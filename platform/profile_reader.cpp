// Reading keys of a profile (INI) file, all in one pass, by the rules of the Windows
// profile reader, so that one settings file reads the same on every system:
// the lines taken apart as textread/ini_lines.h does, names matched without
// regard to ASCII case, one pair of enclosing quotes dropped, the first
// section and the first key of a name winning, and a ';' line a key whose
// name starts with ';' (so it never matches a setting).
#include "platform/platform.h"
#include "textread/ini_lines.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A part of a line: a name or a value.
using TextSpan = TextLine;

// Where the search for one key stands.
struct KeySearch {
    bool inSection;  // within the first section of the key's section name
    bool decided;    // its value found, or known to be absent
    bool found;
    TextSpan value;
};

// The value of each query's key in the first section named as the query's
// section, in one pass over content. A key is absent when there is no such
// section or key, or when the key's first line has no '='.
void FindValues(const IniText &content, const ProfileQuery *queries, size_t count,
                std::vector<KeySearch> &searches) {
    searches.assign(count, KeySearch{false, false, false, TextSpan{nullptr, nullptr}});
    size_t undecided = count;
    const auto decide = [&undecided](KeySearch &search) {
        search.decided = true;
        --undecided;
    };
    // A query without a section or key finds nothing.
    for (size_t i = 0; i < count; ++i) {
        if (queries[i].section == nullptr || queries[i].key == nullptr) decide(searches[i]);
    }
    IniScan scan;
    IniScanStart(&scan, content.text, content.length);
    IniLine line;
    while (undecided > 0 && IniNextLine(&scan, &line)) {
        if (line.kind == kIniBlank) continue;

        // A header runs from '[' to the last ']' of its line; a '[' line
        // without one is an ordinary line of the section it stands in.
        for (size_t i = 0; i < count; ++i) {
            KeySearch &search = searches[i];
            if (search.decided) continue;
            if (line.kind == kIniKey) {
                // A key line without '=' hides the key's later lines.
                if (search.inSection && IniNameIs(line.name, queries[i].key)) {
                    decide(search);
                    search.found = line.hasValue;
                    search.value = line.value;
                }
            } else if (search.inSection) {
                // A repeated section is not merged: once the first one
                // ends, the key is not there.
                decide(search);
            } else {
                search.inSection = IniNameIs(line.name, queries[i].section);
            }
        }
    }
}

TextSpan WithoutQuotes(TextSpan value) {
    if (value.end - value.begin >= 2 && (*value.begin == '"' || *value.begin == '\'') &&
        value.end[-1] == *value.begin) {
        return TextSpan{value.begin + 1, value.end - 1};
    }
    return value;
}

// Copies text up to its first NUL, cut to the buffer.
void CopyToBuffer(TextSpan text, char *buffer, uint32_t size) {
    auto length = static_cast<size_t>(std::find(text.begin, text.end, '\0') - text.begin);
    if (length > size - 1u) length = size - 1u;
    std::memcpy(buffer, text.begin, length);
    buffer[length] = '\0';
}

}  // namespace

uint32_t PlatformReadProfileString(const char *section, const char *key, const char *defaultText,
                                   char *buffer, uint32_t size, const char *path) {
    if (buffer == nullptr || size == 0) return 0;
    const ProfileQuery query = {section, key, buffer, size};
    PlatformReadProfileStrings(&query, 1, defaultText, path);
    return static_cast<uint32_t>(std::strlen(buffer));
}

void PlatformReadProfileStrings(const ProfileQuery *queries, size_t count, const char *defaultText,
                                const char *path) {
    // The default loses its trailing blanks, as a value does.
    const char *fallback = (defaultText != nullptr) ? defaultText : "";
    TextSpan fallbackSpan = {fallback, fallback + std::strlen(fallback)};
    while (fallbackSpan.end > fallbackSpan.begin && fallbackSpan.end[-1] == ' ') --fallbackSpan.end;

    std::string content;
    // Settings files are small, but nothing limits the length of a line: the
    // file is taken whole whatever its size. A file that cannot be read as a
    // regular file counts as absent.
    char reason[128];
    const bool readable = path != nullptr && path[0] != '\0' &&
                          PlatformReadWholeFile(path, static_cast<size_t>(-1), &content, reason,
                                                sizeof reason) == kWholeFileRead;
    // Memory for a UTF-16 file's narrowed copy that runs out leaves it as
    // absent too.
    IniText narrow;
    const bool found = readable && IniNarrowed(content.data(), content.size(), &narrow);
    std::vector<KeySearch> searches;
    if (found) FindValues(narrow, queries, count, searches);

    for (size_t i = 0; i < count; ++i) {
        const ProfileQuery &query = queries[i];
        if (query.buffer == nullptr || query.size == 0) continue;
        CopyToBuffer(found && searches[i].found ? WithoutQuotes(searches[i].value) : fallbackSpan,
                     query.buffer, query.size);
    }
}
