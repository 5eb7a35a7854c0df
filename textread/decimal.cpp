// Decimal conversion of user-written text. The C runtime's atoi/atof differ
// between systems (overflow, hexadecimal, "inf", a 'd' exponent), so the
// accepted form is scanned here and only that prefix is ever converted.
#include "textread/decimal.h"

#include <clocale>
#include <cstdlib>
#include <string>

#include "textread/text_chars.h"

namespace {

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

const char *SkipSpace(const char *text) {
    while (IsTextSpace(*text)) ++text;
    return text;
}

// How many decimal digits text starts with.
size_t DigitCount(const char *text) {
    size_t count = 0;
    while (IsDecimalDigit(text[count])) ++count;
    return count;
}

}  // namespace

int32_t DecimalToInt32(const char *text) {
    if (text == nullptr) return 0;
    const char *p = SkipSpace(text);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    // Accumulating stops one past the largest magnitude (2^31), so the
    // value never overflows however many digits follow.
    const uint32_t kLimit = 2147483648u;
    uint32_t magnitude = 0;
    for (; IsDecimalDigit(*p); ++p) {
        const auto digit = static_cast<uint32_t>(*p - '0');
        magnitude = magnitude > (kLimit - digit) / 10u ? kLimit : magnitude * 10u + digit;
    }
    if (magnitude >= kLimit) return negative ? INT32_MIN : INT32_MAX;
    return negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
}

double DecimalToDouble(const char *text) {
    if (text == nullptr) return 0.0;
    const char *start = SkipSpace(text);
    // strtod rounds correctly; it reads the locale's decimal point, so the
    // '.' of the file is swapped for it in the copy.
    const char *localePoint = std::localeconv()->decimal_point;
    if (localePoint == nullptr || *localePoint == '\0') localePoint = ".";
    try {
        // A number holds one point at most.
        std::string number(start, DecimalNumberLength(start));
        const size_t point = number.find('.');
        if (point != std::string::npos) number.replace(point, 1, localePoint);
        return std::strtod(number.c_str(), nullptr);
    } catch (...) {
        return 0.0;
    }
}

size_t DecimalNumberLength(const char *text) {
    size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    size_t digits = DigitCount(text + i);
    i += digits;
    if (text[i] == '.') {
        const size_t fraction = DigitCount(text + i + 1);
        i += 1 + fraction;
        digits += fraction;
    }
    if (digits == 0) return 0;
    if (text[i] == 'e' || text[i] == 'E') {
        size_t exponent = i + 1;
        if (text[exponent] == '+' || text[exponent] == '-') ++exponent;
        const size_t exponentDigits = DigitCount(text + exponent);
        // An 'e' without digits is not part of the number.
        if (exponentDigits > 0) i = exponent + exponentDigits;
    }
    return i;
}
