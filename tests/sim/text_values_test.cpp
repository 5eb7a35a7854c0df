// Text values of zkt.ini in their escaped form, and a failing information
// query that still fills the record (InfoRecord = written).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "sim/sim_config.h"
#include "tests/support/sim_test_support.h"

namespace {

class TextValuesTest : public ::testing::Test {
protected:
    bool Parse(const std::string &text) {
        const bool ok = SimParseConfigText("zkt.ini", text.data(), text.size(), config.get(),
                                           message, sizeof message);
        return ok;
    }

    std::unique_ptr<SimConfig> config = std::make_unique<SimConfig>();
    char message[512] = "";
};

TEST_F(TextValuesTest, QuotedValuesAreTheEscapedForm) {
    ASSERT_TRUE(
        Parse("[Board]\n"
              "Name = \"  \\x01; name \\\"quoted\\\" \\\\ \\xc3\\xA4  \"\n"
              "Unit = 1, 2, 3, \"a, b\\x09\"\n"
              "Unit = 1, 2, 3, \"" +
              std::string(130, 'd') +
              "\"\n"
              "Service = \"A,B\"  , 0x7\n"
              "Service = \"\\x3bx\",1\n"
              "Service = \"\", 2\n"
              "[Board]\n"
              // Quotes that do not start the value are plain text.
              "Name = say \"hi\"\n"
              "Unit = 1, 2, 3, x \"y\"\n"
              "Service = a\"b, 3\n"))
        << message;
    const SimBoard &a = config->boards[0];
    EXPECT_STREQ(a.name, "  \x01; name \"quoted\" \\ \xc3\xa4  ");
    EXPECT_STREQ(a.units[0].description, "a, b\t");
    // Cut to the field like plain text, without a NUL.
    EXPECT_EQ(std::string(a.units[1].description, ZKT_UNIT_DESCRIPTION_SIZE),
              std::string(128, 'd'));
    ASSERT_EQ(a.serviceCount, 3);
    EXPECT_STREQ(a.services[0].name, "A,B");
    EXPECT_EQ(a.services[0].attr, 7u);
    EXPECT_STREQ(a.services[1].name, ";x");
    EXPECT_EQ(a.services[2].name[0], '\0');
    const SimBoard &b = config->boards[1];
    EXPECT_STREQ(b.name, "say \"hi\"");
    EXPECT_STREQ(b.units[0].description, "x \"y\"");
    EXPECT_STREQ(b.services[0].name, "a\"b");
}

TEST_F(TextValuesTest, MalformedQuotedValuesNameLineAndReason) {
    const struct {
        const char *text;
        const char *message;
    } cases[] = {
        {"[Board]\nName = \"open\n",
         "zkt.ini:2: bad quoted text for Name: quoted text has no closing double quote"},
        {"[Board]\nName = \"a\" b\n", "zkt.ini:2: text after the closing quote of Name"},
        {"[Board]\nName = \"a\\tb\"\n",
         "zkt.ini:2: bad quoted text for Name: unknown escape at character 3 of the quoted text: "
         "a backslash is followed by a double quote, a backslash, or x and two hex digits"},
        {"[Board]\nUnit = 1, 2, 3, \"x\\x0\"\n",
         "zkt.ini:2: bad quoted text for Unit description: the x escape at character 3 of the "
         "quoted text needs two hex digits"},
        {"[Board]\nUnit = 1, 2, 3, \"x\", more\n",
         "zkt.ini:2: text after the closing quote of Unit description"},
        {"[Board]\nService = \"A\\x00\", 1\n",
         "zkt.ini:2: bad quoted text for Service name: the escape of byte 00 at character 3: the "
         "text cannot hold a NUL byte"},
        {"[Board]\nService = \"A\" 1\n",
         "zkt.ini:2: bad list for Service: expected <name>, <Attr>"},
        {"[Board]\nService = \"A, 1\n",
         "zkt.ini:2: bad quoted text for Service name: quoted text has no closing double quote"},
        {"[Board]\nInfoRecord = maybe\n",
         "zkt.ini:2: bad value 'maybe' for InfoRecord: expected untouched or written"},
    };
    for (const auto &c : cases) {
        EXPECT_FALSE(Parse(c.text)) << c.text;
        EXPECT_STREQ(message, c.message);
        EXPECT_EQ(config->boardCount, 0);
    }
}

using InfoRecordTest = SimLibraryTest;

TEST_F(InfoRecordTest, AFailingQueryFillsTheRecordOnlyWhenToldTo) {
    ASSERT_EQ(Init("[Board]\nName = Written\nIdWord = 0x12340056\nBus = 7\n"
                   "Info = fail\nInfoRecord = written\n"
                   "[Board]\nName = Untouched\nInfo = fail\nInfoRecord = untouched\n"
                   "[Board]\nName = Fine\nInfoRecord = written\n"),
              0);
    BoardInfo info;
    std::memset(&info, 0x5A, sizeof info);
    info.size = sizeof info;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    EXPECT_STREQ(info.name, "Written");
    EXPECT_EQ(info.idWord, 0x12340056u);
    EXPECT_EQ(info.bus, 7);
    EXPECT_EQ(info.reserved160[0], 0);

    const BoardInfo before = info;
    EXPECT_EQ(ZKT_getInfo(0x1002, &info), kBadMode);
    EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);

    EXPECT_EQ(ZKT_getInfo(0x1003, &info), 0);
    EXPECT_STREQ(info.name, "Fine");

    // A record too small for the library is never written, failing or not.
    std::memset(&info, 0x5A, sizeof info);
    info.size = 279;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    EXPECT_EQ(info.name[0], 0x5A);
}

}  // namespace
