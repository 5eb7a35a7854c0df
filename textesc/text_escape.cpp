#include "textesc/text_escape.h"

#include <cstdio>
#include <cstring>

#include "textread/text_chars.h"

namespace {

// Which bytes a form escapes.
enum class EscapeForm {
    kQuoted,        // the quote, the backslash and every byte outside printable ASCII
    kUnquoted,      // the backslash and every byte outside printable ASCII
    kControlsOnly,  // control bytes (below 0x20, 0x7F) alone
};

const char *Escape(const char *text, size_t maxLength, char *out, size_t outSize, EscapeForm form) {
    if (outSize == 0) return out;
    if (text == nullptr) {
        std::snprintf(out, outSize, "null");
        return out;
    }
    static const char kDigits[] = "0123456789abcdef";
    const bool quoted = form == EscapeForm::kQuoted;
    const bool controlsOnly = form == EscapeForm::kControlsOnly;
    size_t at = 0;
    // Room for the widest escape (4), the closing quote and the NUL.
    const auto fits = [&](size_t n) { return at + n + (quoted ? 1 : 0) + 1 <= outSize; };
    if (quoted && fits(1)) out[at++] = '"';
    for (size_t i = 0; i < maxLength && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!controlsOnly && ((quoted && c == '"') || c == '\\')) {
            if (!fits(2)) break;
            out[at++] = '\\';
            out[at++] = static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || (!controlsOnly && c > 0x7F)) {
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

std::string EscapedIn(EscapeForm form, const char *text, size_t maxLength) {
    std::string shown(4 * maxLength + 5, '\0');  // "null" for no text
    Escape(text, maxLength, &shown[0], shown.size(), form);
    shown.resize(std::strlen(shown.c_str()));
    return shown;
}

}  // namespace

const char *EscapeQuoted(const char *text, size_t maxLength, char *out, size_t outSize) {
    return Escape(text, maxLength, out, outSize, EscapeForm::kQuoted);
}

const char *EscapeUnquoted(const char *text, size_t maxLength, char *out, size_t outSize) {
    return Escape(text, maxLength, out, outSize, EscapeForm::kUnquoted);
}

const char *EscapeControls(const char *text, size_t maxLength, char *out, size_t outSize) {
    return Escape(text, maxLength, out, outSize, EscapeForm::kControlsOnly);
}

std::string Escaped(const char *text, size_t maxLength) {
    return EscapedIn(EscapeForm::kUnquoted, text, maxLength);
}

std::string EscapedControls(const char *text) {
    return EscapedControls(text, text != nullptr ? std::strlen(text) : 0);
}

std::string EscapedControls(const char *text, size_t maxLength) {
    return EscapedIn(EscapeForm::kControlsOnly, text, maxLength);
}

bool UnescapeQuoted(const char *text, char *out, size_t outSize, size_t *length, const char **end,
                    char *error, size_t errorSize) {
    if (text == nullptr || text[0] != '"') {
        std::snprintf(error, errorSize, "quoted text must start with a double quote");
        return false;
    }
    if (outSize == 0) {
        std::snprintf(error, errorSize, "no room for the text");
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
                const int high = HexDigitValue(text[at + 2]);
                const int low = high < 0 ? -1 : HexDigitValue(text[at + 3]);
                if (low < 0) {
                    std::snprintf(error, errorSize,
                                  "the x escape at character %d of the quoted text needs two "
                                  "hex digits",
                                  static_cast<int>(at + 1));
                    return false;
                }
                if (high == 0 && low == 0) {
                    std::snprintf(error, errorSize,
                                  "the escape of byte 00 at character %d: the text cannot hold "
                                  "a NUL byte",
                                  static_cast<int>(at + 1));
                    return false;
                }
                byte = static_cast<char>(high * 16 + low);
                used = 4;
            } else {
                // Messages show a backslash doubled, so the reason names
                // the escapes in words.
                std::snprintf(error, errorSize,
                              "unknown escape at character %d of the quoted text: a backslash "
                              "is followed by a double quote, a backslash, or x and two hex "
                              "digits",
                              static_cast<int>(at + 1));
                return false;
            }
        }
        if (written + 1 >= outSize) {
            std::snprintf(error, errorSize, "quoted text longer than %d bytes",
                          static_cast<int>(outSize - 1));
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
