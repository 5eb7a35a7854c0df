// The escaped text form read back: every byte survives a trip through
// EscapeQuoted and UnescapeQuoted, and each malformed form gets its reason.
// The forms for messages and names, EscapeUnquoted, EscapeControls and
// EscapedControls: which bytes each escapes, and where each cuts a text that
// does not fit its buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "textesc/text_escape.h"

namespace {

struct Unescaped {
    bool ok;
    std::string text;
    size_t consumed;
    std::string error;
};

Unescaped Unescape(const std::string &quoted, size_t outSize = 256) {
    std::string out(outSize, '\x55');
    char error[160] = "";
    size_t length = 99;
    const char *end = nullptr;
    Unescaped result;
    result.ok =
        UnescapeQuoted(quoted.c_str(), &out[0], out.size(), &length, &end, error, sizeof error);
    result.text = result.ok ? std::string(out.c_str(), length) : "";
    result.consumed = result.ok ? static_cast<size_t>(end - quoted.c_str()) : 0;
    result.error = error;
    return result;
}

TEST(TextEscapeTest, EveryByteButNulSurvivesTheTrip) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    char escaped[1100];
    EscapeQuoted(all.c_str(), all.size(), escaped, sizeof escaped);
    // The escaped form is printable ASCII alone, whatever the bytes were.
    for (const char *c = escaped; *c != '\0'; ++c) {
        EXPECT_TRUE(*c >= 0x20 && *c < 0x7F) << "byte " << static_cast<int>(*c) << " left as it is";
    }
    const Unescaped back = Unescape(escaped);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.text, all);
    EXPECT_EQ(back.consumed, std::string(escaped).size());
}

TEST(TextEscapeTest, ReadsUpToTheClosingQuoteOnly) {
    const Unescaped back = Unescape("\"a\\\"b\\\\c\\X41\\xAf\", 0x1");
    EXPECT_FALSE(back.ok);  // \X is not an escape
    const Unescaped good = Unescape("\"a\\\"b\\\\c\\x41\\xAf\", 0x1");
    ASSERT_TRUE(good.ok) << good.error;
    EXPECT_EQ(good.text, "a\"b\\cA\xaf");
    EXPECT_EQ(good.consumed, 17u);  // the rest is the caller's
    // Bytes that need no escape may stand as they are, blanks and all.
    EXPECT_EQ(Unescape("\" x;\xc3\xa4 \"").text, " x;\xc3\xa4 ");
    EXPECT_EQ(Unescape("\"\"").text, "");
}

TEST(TextEscapeTest, MalformedFormsGiveTheirReason) {
    const struct {
        const char *quoted;
        const char *error;
    } cases[] = {
        {"abc", "quoted text must start with a double quote"},
        {"\"abc", "quoted text has no closing double quote"},
        {"\"abc\\\"", "quoted text has no closing double quote"},
        {"\"ab\\n\"",
         "unknown escape at character 4 of the quoted text: a backslash is followed by a double "
         "quote, a backslash, or x and two hex digits"},
        {"\"ab\\",
         "unknown escape at character 4 of the quoted text: a backslash is followed by a double "
         "quote, a backslash, or x and two hex digits"},
        {"\"\\x4\"", "the x escape at character 2 of the quoted text needs two hex digits"},
        {"\"\\xg0\"", "the x escape at character 2 of the quoted text needs two hex digits"},
        {"\"a\\x00b\"", "the escape of byte 00 at character 3: the text cannot hold a NUL byte"},
    };
    for (const auto &c : cases) {
        const Unescaped back = Unescape(c.quoted);
        EXPECT_FALSE(back.ok) << c.quoted;
        EXPECT_EQ(back.error, c.error) << c.quoted;
    }
    const Unescaped tooLong = Unescape("\"abcdef\"", 4);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.error, "quoted text longer than 3 bytes");
    EXPECT_TRUE(Unescape("\"abc\"", 4).ok);
    // Not even the NUL of an empty text fits: nothing is written.
    const Unescaped noRoom = Unescape("\"\"", 0);
    EXPECT_FALSE(noRoom.ok);
    EXPECT_EQ(noRoom.error, "no room for the text");
}

using EscapeFunction = const char *(*)(const char *, size_t, char *, size_t);

struct EscapeRow {
    const char *form;
    EscapeFunction escape;
    const char *text;  // null: no text
    size_t maxLength;
    size_t outSize;
    const char *expected;
};

constexpr size_t kAll = static_cast<size_t>(-1);

// Each row's text escaped into a buffer of outSize bytes, inside a larger one
// whose bytes past outSize must stay untouched.
const EscapeRow kEscapeRows[] = {
    // EscapeControls: control bytes alone; quote, backslash and bytes of
    // 0x80 and above (the code page's) stay as they are.
    {"controls", EscapeControls, "plain text", kAll, 64, "plain text"},
    {"controls", EscapeControls, "\x1b[2J", kAll, 64, "\\x1b[2J"},
    {"controls", EscapeControls, "\t\n\r\x1f \x7f~", kAll, 64, "\\x09\\x0a\\x0d\\x1f \\x7f~"},
    {"controls", EscapeControls, "\"\\\x80\xe9\xff", kAll, 64, "\"\\\x80\xe9\xff"},
    {"controls", EscapeControls, "abcdef", 3, 64, "abc"},
    {"controls", EscapeControls, "ab\0cd", 5, 64, "ab"},
    {"controls", EscapeControls, nullptr, kAll, 64, "null"},
    {"controls", EscapeControls, nullptr, kAll, 3, "nu"},
    {"controls", EscapeControls, "", kAll, 64, ""},
    // "ab\x01c" escapes to 7 bytes: whole in 8, then cut before the plain
    // byte, then before the escape, never inside it.
    {"controls", EscapeControls, "ab\001c", kAll, 8, "ab\\x01c"},
    {"controls", EscapeControls, "ab\001c", kAll, 7, "ab\\x01"},
    {"controls", EscapeControls, "ab\x01", kAll, 7, "ab\\x01"},
    {"controls", EscapeControls, "ab\x01", kAll, 6, "ab"},
    {"controls", EscapeControls, "ab\x01", kAll, 4, "ab"},
    {"controls", EscapeControls, "ab\x01", kAll, 3, "ab"},
    {"controls", EscapeControls, "ab\x01", kAll, 2, "a"},
    {"controls", EscapeControls, "ab\x01", kAll, 1, ""},
    // EscapeUnquoted: the backslash and every byte outside printable ASCII;
    // the quote stays as it is.
    {"unquoted", EscapeUnquoted, "plain text", kAll, 64, "plain text"},
    {"unquoted", EscapeUnquoted, "a\"b\\c", kAll, 64, "a\"b\\\\c"},
    {"unquoted", EscapeUnquoted, "\x01\x1f \x7f\x80\xe9\xff~", kAll, 64,
     "\\x01\\x1f \\x7f\\x80\\xe9\\xff~"},
    {"unquoted", EscapeUnquoted, "abcdef", 0, 64, ""},
    {"unquoted", EscapeUnquoted, "ab\0cd", kAll, 64, "ab"},
    {"unquoted", EscapeUnquoted, nullptr, kAll, 64, "null"},
    {"unquoted", EscapeUnquoted, nullptr, kAll, 5, "null"},
    {"unquoted", EscapeUnquoted, nullptr, kAll, 4, "nul"},
    // "a\\" escapes to 3 bytes, "ab\xe9" to 6: each whole at the limit, and
    // one byte short of it the last escape goes whole.
    {"unquoted", EscapeUnquoted, "a\\", kAll, 4, "a\\\\"},
    {"unquoted", EscapeUnquoted, "a\\", kAll, 3, "a"},
    {"unquoted", EscapeUnquoted, "ab\xe9", kAll, 7, "ab\\xe9"},
    {"unquoted", EscapeUnquoted, "ab\xe9", kAll, 6, "ab"},
    {"unquoted", EscapeUnquoted, "abc", kAll, 4, "abc"},
    {"unquoted", EscapeUnquoted, "abc", kAll, 3, "ab"},
};

TEST(TextEscapeTest, UnquotedAndControlFormsEscapeTheirBytesAndCutAtWholeEscapes) {
    constexpr size_t kGuard = 8;
    for (const EscapeRow &row : kEscapeRows) {
        const std::string text = row.text != nullptr ? row.text : "(null)";
        SCOPED_TRACE(std::string(row.form) + " of \"" + EscapedControls(text.c_str()) + "\" into " +
                     std::to_string(row.outSize) + " bytes");
        std::string buffer(row.outSize + kGuard, '#');
        const char *result = row.escape(row.text, row.maxLength, &buffer[0], row.outSize);
        EXPECT_EQ(result, buffer.data());
        EXPECT_EQ(std::string(buffer.c_str()), row.expected);
        EXPECT_EQ(buffer.substr(row.outSize), std::string(kGuard, '#')) << "written past the end";
    }
}

TEST(TextEscapeTest, NoRoomAtAllWritesNothing) {
    for (EscapeFunction escape : {EscapeUnquoted, EscapeControls, EscapeQuoted}) {
        char buffer[4] = "###";
        EXPECT_EQ(escape("abc", 3, buffer, 0), buffer);
        EXPECT_STREQ(buffer, "###");
        EXPECT_EQ(escape(nullptr, 3, buffer, 0), buffer);
        EXPECT_STREQ(buffer, "###");
    }
}

TEST(TextEscapeTest, EscapedControlsShowsAWholeTextWithItsControlBytesEscaped) {
    const struct {
        const char *text;
        std::string expected;
    } rows[] = {
        {"", ""},
        {nullptr, "null"},
        {"quilmar.ini", "quilmar.ini"},
        {"-\x1b[2J", "-\\x1b[2J"},
        {"a\"b\\c\x80\xff", "a\"b\\c\x80\xff"},
        {"\x7f\x01", "\\x7f\\x01"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(EscapedControls(row.text), row.expected) << row.expected;
    }
    // A text of control bytes alone grows fourfold, the most it can: never cut.
    const std::string controls(300, '\x01');
    std::string expected;
    for (int i = 0; i < 300; ++i) expected += "\\x01";
    EXPECT_EQ(EscapedControls(controls.c_str()), expected);
}

}  // namespace
