// A text field of a library record as a zkt.ini value that reads back into
// the same bytes.
#ifndef QUILMAR_ZKTDUMP_TEXT_VALUE_H
#define QUILMAR_ZKTDUMP_TEXT_VALUE_H

#include <cstddef>
#include <string>

// Where the value stands on its line: the last item (Name, a unit's
// description) runs to the line's end; a Service name ends at the first
// comma.
enum TextPlace { kTextToLineEnd, kTextBeforeComma };

// Appends the field's text (up to its first NUL or its end) to *out: plainly
// when the reader gives back the same bytes, else in the escaped form (in
// double quotes). The escaped form is used for control bytes and bytes of
// 0x7F and above, blanks at either end, a leading ';', '#' or '"', a comma
// in a service name, and a field filled to its last byte without a NUL.
void AppendTextValue(std::string *out, const char *field, size_t fieldSize, TextPlace place);

#endif  // QUILMAR_ZKTDUMP_TEXT_VALUE_H
