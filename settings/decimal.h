// Decimal conversion of settings text, the same on every system: leading
// white space is skipped, the longest decimal prefix is converted, and a text
// with no such prefix gives 0. Integers saturate at the 32-bit limits.
#ifndef QUILMAR_SETTINGS_DECIMAL_H
#define QUILMAR_SETTINGS_DECIMAL_H

#include <cstdint>

// [sign] digits
int32_t DecimalToInt32(const char *text);

// [sign] (digits [. digits] | . digits) [(e|E) [sign] digits]
double DecimalToDouble(const char *text);

#endif  // QUILMAR_SETTINGS_DECIMAL_H
