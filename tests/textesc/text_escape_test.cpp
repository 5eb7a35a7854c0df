// The escaped text form read back: every byte survives a trip through
// EscapeQuoted and UnescapeQuoted, and each malformed form gets its reason.
#include <gtest/gtest.h>

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

}  // namespace
