// Text helpers of the configuration reader: trimming, case-insensitive
// comparison, strict number parsing and cutting text into fixed record fields.
#ifndef QUILMAR_SIM_SIM_TEXT_H
#define QUILMAR_SIM_SIM_TEXT_H

#include <cstddef>
#include <cstdint>

// Trims white space at both ends of the n bytes at text, in place; returns
// the new start and stores the new length in *n. The trimmed text ends in a
// NUL, written at most at text[n], which must be writable.
char *SimTrim(char *text, size_t *n);

// True when a and b are equal ignoring ASCII case.
bool SimEqualNoCase(const char *a, const char *b);

// True when text starts with prefix ignoring ASCII case.
bool SimStartsNoCase(const char *text, const char *prefix);

// Whole-text integer: optional sign, then decimal digits or 0x and hex
// digits, nothing else. Accepts magnitudes up to 2^32 - 1 (so 0xFFFFFFFF
// and -2147483648 both parse); returns false otherwise.
bool SimParseInteger(const char *text, int64_t *value);

// Whole-text finite double in decimal notation with '.' as the point,
// whatever the locale: [sign] (digits [. digits] | . digits) [(e|E) [sign]
// digits]. Returns false for anything else (hexadecimal, "inf", white space,
// trailing junk) and for a value too large for a double.
bool SimParseDouble(const char *text, double *value);

// Copies text into a record field of fieldSize bytes: a shorter text is
// NUL-padded to the end of the field, a text as long as the field or longer
// fills it completely and carries no NUL.
void SimCopyToField(char *field, size_t fieldSize, const char *text);

// Whether the fields a and b (fieldSize bytes each) hold the same text, each
// read up to its first NUL or the field's end.
bool SimSameField(const char *a, const char *b, size_t fieldSize);

#endif  // QUILMAR_SIM_SIM_TEXT_H
