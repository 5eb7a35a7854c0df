#include "textesc/text_escape.h"

#include <cstdio>

namespace {

// The escapes of both forms; quoted also escapes '"' and closes the text in
// quotes.
const char *Escape(const char *text, size_t maxLength, char *out, size_t outSize, bool quoted) {
    if (outSize == 0) return out;
    if (text == nullptr) {
        std::snprintf(out, outSize, "null");
        return out;
    }
    static const char kDigits[] = "0123456789abcdef";
    const size_t quotes = quoted ? 1 : 0;
    size_t at = 0;
    // Room for the widest escape (4), the closing quote and the NUL.
    const auto fits = [&](size_t n) { return at + n + quotes + 1 <= outSize; };
    if (quoted && fits(1)) out[at++] = '"';
    for (size_t i = 0; i < maxLength && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((quoted && c == '"') || c == '\\') {
            if (!fits(2)) break;
            out[at++] = '\\';
            out[at++] = static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            if (!fits(4)) break;
            out[at++] = '\\';
            out[at++] = 'x';
            out[at++] = kDigits[c >> 4];
            out[at++] = kDigits[c & 0x0F];
        } else {
            if (!fits(1)) break;
            out[at++] = static_cast<char>(c);
        }
    }
    if (quoted && at + 1 < outSize) out[at++] = '"';
    out[at] = '\0';
    return out;
}

}  // namespace

const char *EscapeQuoted(const char *text, size_t maxLength, char *out, size_t outSize) {
    return Escape(text, maxLength, out, outSize, true);
}

const char *EscapeUnquoted(const char *text, size_t maxLength, char *out, size_t outSize) {
    return Escape(text, maxLength, out, outSize, false);
}
