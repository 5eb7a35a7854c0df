// Decimal conversion of text that users write (the settings file, zkt.ini),
// the same on every system and in every locale: leading white space is
// skipped, the longest decimal prefix is converted, and a text with no such
// prefix gives 0. Integers saturate at the 32-bit limits.
#ifndef QUILMAR_TEXTREAD_DECIMAL_H
#define QUILMAR_TEXTREAD_DECIMAL_H

#include <cstddef>
#include <cstdint>

// [sign] digits
int32_t DecimalToInt32(const char *text);

// [sign] (digits [. digits] | . digits) [(e|E) [sign] digits]
double DecimalToDouble(const char *text);

// Length of the longest prefix of text (no white space skipped) in the
// floating-point form above, 0 when text does not start with one. A reader
// that wants the whole text to be the number compares it with the length.
size_t DecimalNumberLength(const char *text);

#endif  // QUILMAR_TEXTREAD_DECIMAL_H
