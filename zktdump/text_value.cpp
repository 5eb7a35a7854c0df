#include "zktdump/text_value.h"

#include <cstring>

#include "textesc/text_escape.h"

namespace {

bool NeedsEscape(const char *text, size_t length, size_t fieldSize, TextPlace place) {
    // Read plainly, such a value is as long as the field, but a reader of the
    // file cannot see that nothing follows.
    if (length == fieldSize) return true;
    if (length == 0) return false;
    const char first = text[0];
    if (first == ' ' || text[length - 1] == ' ') return true;  // trimmed away
    if (first == ';' || first == '#' || first == '"') return true;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F) return true;
        if (c == ',' && place == kTextBeforeComma) return true;
    }
    return false;
}

}  // namespace

void AppendTextValue(std::string *out, const char *field, size_t fieldSize, TextPlace place) {
    const size_t length = strnlen(field, fieldSize);
    if (!NeedsEscape(field, length, fieldSize, place)) {
        out->append(field, length);
        return;
    }
    // Every byte may take four characters; two quotes and the NUL.
    std::string escaped(length * 4 + 3, '\0');
    EscapeQuoted(field, length, &escaped[0], escaped.size());
    out->append(escaped.c_str());
}
