#include "sim/sim_text.h"

#include <cmath>
#include <cstring>

#include "textread/decimal.h"
#include "textread/ini_lines.h"
#include "textread/text_chars.h"

char *SimTrim(char *text, size_t *n) {
    size_t start = 0;
    size_t end = *n;
    while (start < end && IsTextSpace(text[start])) ++start;
    while (end > start && IsTextSpace(text[end - 1])) --end;
    text[end] = '\0';
    *n = end - start;
    return text + start;
}

// textread's comparison of INI names, on whole texts.
bool SimEqualNoCase(const char *a, const char *b) { return IniNameIs({a, a + std::strlen(a)}, b); }

bool SimStartsNoCase(const char *text, const char *prefix) {
    return IniNameIs({text, text + strnlen(text, std::strlen(prefix))}, prefix);
}

bool SimParseInteger(const char *text, int64_t *value) {
    const bool negative = text[0] == '-';
    const char *p = negative || text[0] == '+' ? text + 1 : text;
    const int base = p[0] == '0' && (p[1] == 'x' || p[1] == 'X') ? 16 : 10;
    if (base == 16) p += 2;
    if (*p == '\0') return false;
    int64_t magnitude = 0;
    for (; *p != '\0'; ++p) {
        const int digit = HexDigitValue(*p);
        if (digit < 0 || digit >= base) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > 0xFFFFFFFFLL) return false;
    }
    *value = negative ? -magnitude : magnitude;
    return true;
}

bool SimParseDouble(const char *text, double *value) {
    const size_t length = DecimalNumberLength(text);
    if (length == 0 || text[length] != '\0') return false;
    const double parsed = DecimalToDouble(text);
    if (!std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

void SimCopyToField(char *field, size_t fieldSize, const char *text) {
    // What strncpy was made for: a fixed field, NUL-padded, not NUL-ended.
    std::strncpy(field, text, fieldSize);
}

bool SimSameField(const char *a, const char *b, size_t fieldSize) {
    const size_t length = strnlen(a, fieldSize);
    return strnlen(b, fieldSize) == length && std::memcmp(a, b, length) == 0;
}
