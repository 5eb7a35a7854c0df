#include "sim/sim_text.h"

#include <cmath>
#include <cstring>

#include "textread/decimal.h"
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

bool SimEqualNoCase(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return false;
    }
    return *a == *b;
}

bool SimStartsNoCase(const char *text, const char *prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text == '\0' || AsciiLower(*text) != AsciiLower(*prefix)) return false;
    }
    return true;
}

bool SimParseInteger(const char *text, int64_t *value) {
    const char *p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (*p == '\0') return false;
    const int64_t limit = 0xFFFFFFFFLL;
    int64_t magnitude = 0;
    for (; *p != '\0'; ++p) {
        const int digit = HexDigitValue(*p);
        if (digit < 0 || digit >= base) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return false;
    }
    *value = negative ? -magnitude : magnitude;
    return true;
}

bool SimParseUnsigned(const char *text, int64_t *value) {
    if (*text == '+' || *text == '-') return false;
    return SimParseInteger(text, value);
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
    const size_t length = std::strlen(text);
    const size_t copied = length < fieldSize ? length : fieldSize;
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text, copied);
}

size_t SimFieldLength(const char *field, size_t fieldSize) {
    size_t n = 0;
    while (n < fieldSize && field[n] != '\0') ++n;
    return n;
}
