#include "textread/ini_lines.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "textread/text_chars.h"

namespace {

TextLine Trim(TextLine span) {
    while (span.begin < span.end && IsTextSpace(*span.begin)) ++span.begin;
    while (span.end > span.begin && IsTextSpace(span.end[-1])) --span.end;
    return span;
}

}  // namespace

bool IniNarrowed(const char *text, size_t length, IniText *out) {
    out->narrowed.reset();
    out->text = text;
    out->length = length;
    if (!IsUtf16(text, length)) return true;
    out->narrowed.reset(new (std::nothrow) char[length / 2 + 1]);
    if (out->narrowed == nullptr) return false;
    out->text = out->narrowed.get();
    out->length = NarrowUtf16(text, length, out->narrowed.get());
    return true;
}

void IniScanStart(IniScan *scan, const char *text, size_t length) {
    scan->cursor = text + Utf8MarkLength(text, length);
    scan->end = text + length;
    scan->number = 0;
}

bool IniNextLine(IniScan *scan, IniLine *line) {
    if (scan->cursor >= scan->end) return false;
    line->number = ++scan->number;
    line->whole = NextTextLine(&scan->cursor, scan->end);
    line->text = Trim(line->whole);
    const TextLine text = line->text;
    line->value = TextLine{text.end, text.end};
    line->hasValue = false;
    line->closedAtEnd = false;
    if (text.begin != text.end && *text.begin == '[') {
        const char *close = text.end - 1;
        while (close > text.begin && *close != ']') --close;
        if (close > text.begin) {
            line->kind = kIniSection;
            line->name = Trim(TextLine{text.begin + 1, close});
            line->closedAtEnd = close == text.end - 1;
            return true;
        }
    }
    // A blank line is read as a key line, with an empty name and no '='.
    line->kind = text.begin == text.end ? kIniBlank : kIniKey;
    const char *equals = std::find(text.begin, text.end, '=');
    line->name = Trim(TextLine{text.begin, equals});
    line->hasValue = equals != text.end;
    if (line->hasValue) line->value = Trim(TextLine{equals + 1, text.end});
    return true;
}

bool IniNameIs(TextLine name, const char *wanted) {
    const auto sameLetter = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
    return std::strlen(wanted) == static_cast<size_t>(name.end - name.begin) &&
           std::equal(name.begin, name.end, wanted, sameLetter);
}
