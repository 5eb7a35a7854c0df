#include "textesc/text_escape.h"

#include <cstdio>

const char *EscapeQuoted(const char *text, size_t maxLength, char *out, size_t outSize) {
    if (outSize == 0) return out;
    if (text == nullptr) {
        std::snprintf(out, outSize, "null");
        return out;
    }
    static const char kDigits[] = "0123456789abcdef";
    size_t at = 0;
    // Room for the widest escape (4), the closing quote and the NUL.
    const auto fits = [&](size_t n) { return at + n + 2 <= outSize; };
    if (fits(1)) out[at++] = '"';
    for (size_t i = 0; i < maxLength && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
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
    if (at + 1 < outSize) out[at++] = '"';
    out[at] = '\0';
    return out;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The escape character as it can be shown in a message: itself when it is
// printable ASCII, else its hex value.
const char *Shown(char c, char *out, size_t outSize) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
        std::snprintf(out, outSize, "\\%c", c);
    } else {
        std::snprintf(out, outSize, "\\ followed by byte 0x%02x", byte);
    }
    return out;
}

}  // namespace

bool UnescapeQuoted(const char *text, char *out, size_t outSize, size_t *length, const char **end,
                    char *error, size_t errorSize) {
    if (text == nullptr || text[0] != '"') {
        std::snprintf(error, errorSize, "quoted text must start with a double quote");
        return false;
    }
    size_t at = 1;
    size_t written = 0;
    for (;;) {
        const char c = text[at];
        if (c == '\0') {
            std::snprintf(error, errorSize, "quoted text has no closing double quote");
            return false;
        }
        if (c == '"') break;
        char byte = c;
        size_t used = 1;
        if (c == '\\') {
            const char next = text[at + 1];
            if (next == '"' || next == '\\') {
                byte = next;
                used = 2;
            } else if (next == 'x') {
                const int high = HexValue(text[at + 2]);
                const int low = high < 0 ? -1 : HexValue(text[at + 3]);
                if (low < 0) {
                    std::snprintf(error, errorSize,
                                  "\\x at character %d of the quoted text needs two hex digits",
                                  static_cast<int>(at + 1));
                    return false;
                }
                if (high == 0 && low == 0) {
                    std::snprintf(error, errorSize,
                                  "\\x00 at character %d: the text cannot hold a NUL byte",
                                  static_cast<int>(at + 1));
                    return false;
                }
                byte = static_cast<char>(high * 16 + low);
                used = 4;
            } else {
                char shown[40];
                std::snprintf(error, errorSize,
                              "unknown escape %s at character %d of the quoted text "
                              "(known: \\\", \\\\, \\xNN)",
                              Shown(next, shown, sizeof shown), static_cast<int>(at + 1));
                return false;
            }
        }
        if (written + 1 >= outSize) {
            std::snprintf(error, errorSize, "quoted text longer than %d bytes",
                          static_cast<int>(outSize == 0 ? 0 : outSize - 1));
            return false;
        }
        out[written++] = byte;
        at += used;
    }
    out[written] = '\0';
    *length = written;
    *end = text + at + 1;
    return true;
}
