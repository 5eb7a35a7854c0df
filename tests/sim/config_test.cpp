// The zkt.ini reader: what a well-formed file yields, and the one message a
// malformed file gets.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "sim/sim_config.h"
#include "tests/support/sim_test_support.h"
#include "tests/support/utf16_text.h"

namespace {

struct ParseOutcome {
    bool ok;
    std::string message;
};

class ConfigTest : public ::testing::Test {
protected:
    ParseOutcome Parse(const std::string &text) {
        char message[512];
        std::memset(message, 'x', sizeof message);
        const bool ok = SimParseConfigText("zkt.ini", text.data(), text.size(), config.get(),
                                           message, sizeof message);
        return {ok, message};
    }

    std::unique_ptr<SimConfig> config = std::make_unique<SimConfig>();
};

TEST_F(ConfigTest, ReadsEveryKeyOfLibraryAndBoards) {
    const ParseOutcome outcome = Parse(
        "\xEF\xBB\xBF; simulated boards\r\n"
        "[library]\r\n"
        "  trace =  run trace.log  \r\n"
        "DeviceCount = -2\r\n"
        "[Board]\n"
        "# first board\n"
        "Name = Signal board A\n"
        "DEVID = 0xBEEF\n"
        "RevID = 7\n"
        "Bus = -1\n"
        "Dev = 0x1F\n"
        "Slot = 2147483647\n"
        "Unit = -3, 0xFFFFFFFF, 5, Clock, with a comma\n"
        "Unit = 4, 1, 2,\n"
        "Service = BASEDDS0, 0x80000001\n"
        "Service = TIMER, 0\n"
        "Open = fail\n"
        "Info = fail\n"
        "CaptureMode = spy\n"
        "CaptureHandle = -5\n"
        "UnitCount = 9\n"
        "ServiceCount = -1\n"
        "Status.0x1800 = ZKTerr_INSUFFICIENT_SERVICES\n"
        "Status.2304 = 0xC001010A\n"
        "Write.0x1802 = 0:i32:-7, 4:f64:2.5e6\n"
        "InternalClock = 50e6\n"
        "MaxRefClock = 1000000000.\n"
        "TuningBits = 48\n"
        "ThresholdMin = -2.5\n"
        "ThresholdMax = 2.5\n"
        "[Board]\n"
        "IdWord = 0x1234AB56\n"
        "DevID = 1\n"
        "Lid = 0x42\n"
        "OpenHandle = 0\n"
        "CaptureMode = 7\n"
        "[Board]\n");
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const SimConfig &c = *config;
    EXPECT_STREQ(c.tracePath, "run trace.log");
    EXPECT_TRUE(c.reportedDeviceCount.set);
    EXPECT_EQ(c.reportedDeviceCount.value, -2);
    ASSERT_EQ(c.boardCount, 3);

    const SimBoard &a = c.boards[0];
    EXPECT_STREQ(a.name, "Signal board A");
    EXPECT_EQ(a.idWord, 0xBEEF0007u);
    EXPECT_EQ(a.bus, -1);
    EXPECT_EQ(a.dev, 31);
    EXPECT_EQ(a.slot, 2147483647);
    EXPECT_EQ(a.lid, 0x1001u);
    ASSERT_EQ(a.unitCount, 2);
    EXPECT_EQ(a.units[0].id, -3);
    EXPECT_EQ(a.units[0].code, 0xFFFFFFFFu);
    EXPECT_EQ(a.units[0].attr, 5u);
    EXPECT_STREQ(a.units[0].description, "Clock, with a comma");
    EXPECT_STREQ(a.units[1].description, "");
    ASSERT_EQ(a.serviceCount, 2);
    EXPECT_STREQ(a.services[0].name, "BASEDDS0");
    EXPECT_EQ(a.services[0].attr, 0x80000001u);
    EXPECT_STREQ(a.services[1].name, "TIMER");
    EXPECT_TRUE(a.openResult.set);
    EXPECT_EQ(a.openResult.value, kBadMode);
    EXPECT_TRUE(a.infoFails);
    EXPECT_EQ(a.captureMode.value, ZKT_CAPTURE_SPY);
    EXPECT_EQ(a.captureResult.value, -5);
    EXPECT_EQ(a.reportedUnitCount.value, 9);
    EXPECT_EQ(a.reportedServiceCount.value, -1);
    ASSERT_NE(SimFindStatusOverride(a, 0x1800), nullptr);
    EXPECT_EQ(SimFindStatusOverride(a, 0x1800)->status, ZKTerr_INSUFFICIENT_SERVICES);
    EXPECT_EQ(SimFindStatusOverride(a, 0x900)->status, 0xC001010Au);
    EXPECT_EQ(SimFindStatusOverride(a, 0x1802), nullptr);
    const SimWriteOverride *writes = SimFindWriteOverride(a, 0x1802);
    ASSERT_NE(writes, nullptr);
    ASSERT_EQ(writes->writeCount, 2);
    EXPECT_EQ(writes->writes[0].offset, 0);
    EXPECT_FALSE(writes->writes[0].isDouble);
    EXPECT_EQ(writes->writes[0].intValue, -7);
    EXPECT_EQ(writes->writes[1].offset, 4);
    EXPECT_TRUE(writes->writes[1].isDouble);
    EXPECT_EQ(writes->writes[1].doubleValue, 2.5e6);
    EXPECT_EQ(a.dds.internalClock, 50e6);
    EXPECT_EQ(a.dds.maxRefClock, 1e9);
    EXPECT_EQ(a.dds.tuningBits, 48);
    EXPECT_EQ(a.dds.thresholdMin, -2.5);

    // IdWord wins over DevID whatever their order; defaults elsewhere.
    const SimBoard &b = c.boards[1];
    EXPECT_EQ(b.idWord, 0x1234AB56u);
    EXPECT_EQ(b.lid, 0x42u);
    EXPECT_EQ(b.openResult.value, 0);
    EXPECT_EQ(b.captureMode.value, 7);
    EXPECT_FALSE(b.captureResult.set);
    EXPECT_EQ(b.dds.internalClock, SimDefaultDdsLimits().internalClock);
    EXPECT_EQ(b.unitCount, 0);

    const SimBoard &empty = c.boards[2];
    EXPECT_EQ(empty.lid, 0x1003u);
    EXPECT_EQ(empty.idWord, 0u);
    EXPECT_EQ(empty.name[0], '\0');
    EXPECT_FALSE(empty.openResult.set);
}

TEST_F(ConfigTest, TextLongerThanItsFieldIsCutWithoutNul) {
    const std::string longName(200, 'N');
    const std::string longDescription(130, 'D');
    const ParseOutcome outcome =
        Parse("[Board]\nName = " + longName + "\nUnit = 1, 2, 3, " + longDescription +
              "\nService = ABCDEFGHIJKLMNOPQ, 1"
              "\nService = ABCDEFGHIJKLMNO, 2\n");
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const SimBoard &b = config->boards[0];
    EXPECT_EQ(std::string(b.name, sizeof b.name), std::string(136, 'N'));
    EXPECT_EQ(std::string(b.units[0].description, sizeof b.units[0].description),
              std::string(128, 'D'));
    EXPECT_EQ(std::string(b.services[0].name, 16), "ABCDEFGHIJKLMNOP");
    // Fifteen characters still leave room for the NUL.
    EXPECT_EQ(std::string(b.services[1].name, 16), std::string("ABCDEFGHIJKLMNO\0", 16));
}

TEST_F(ConfigTest, MalformedFileGivesOneMessageWithFileAndLine) {
    struct Case {
        std::string text;
        std::string message;
    };
    std::string thirtyThreeBoards;
    for (int i = 0; i < 33; ++i) thirtyThreeBoards += "[Board]\n";
    std::string seventeenUnits = "[Board]\n";
    for (int i = 0; i < 17; ++i) seventeenUnits += "Unit = 1, 2, 3, u\n";
    std::string seventeenServices = "[Board]\n";
    for (int i = 0; i < 17; ++i) seventeenServices += "Service = S, 1\n";
    std::string seventeenStatus = "[Board]\n";
    for (int i = 0; i < 17; ++i) seventeenStatus += "Status." + std::to_string(i) + " = 1\n";
    const Case cases[] = {
        {"[Board]\nName = A\nNmae = B\n", "zkt.ini:3: unknown key 'Nmae' in [Board]"},
        {"[Library]\nName = A\n", "zkt.ini:2: unknown key 'Name' in [Library]"},
        {"[Board]\nBus = 12x\n", "zkt.ini:2: bad number '12x' for Bus"},
        {"[Board]\nBus = \n", "zkt.ini:2: bad number '' for Bus"},
        {"[Board]\nDevID = 0x10000\n", "zkt.ini:2: '0x10000' out of range for DevID (0..0xFFFF)"},
        {"[Board]\nBus = 2147483648\n",
         "zkt.ini:2: '2147483648' out of range for Bus (-2147483648..2147483647)"},
        {"[Board]\nMaxRefClock = 0\n", "zkt.ini:2: MaxRefClock must be above 0"},
        {"[Board]\nTuningBits = 64\n", "zkt.ini:2: '64' out of range for TuningBits (8..48)"},
        {thirtyThreeBoards, "zkt.ini:33: too many boards (at most 32)"},
        {seventeenUnits, "zkt.ini:18: too many units (at most 16)"},
        {seventeenServices, "zkt.ini:18: too many services (at most 16)"},
        {"\n[Boards]\n", "zkt.ini:2: unknown section [Boards]"},
        {"[Board\n", "zkt.ini:1: bad section header: expected [Name]"},
        {"[Board] x\n", "zkt.ini:1: bad section header: expected [Name]"},
        {seventeenStatus, "zkt.ini:18: too many Status overrides (at most 16)"},
        {"[Board]\nWrite.0x1800 = 0:i32:1\nWrite.6144 = 0:i32:2\n",
         "zkt.ini:3: duplicate key 'Write.6144' in [Board]"},
        {"Name = A\n", "zkt.ini:1: key 'Name' outside any section"},
        {"[Board]\nName A\n", "zkt.ini:2: expected 'key = value'"},
        {"[Board]\nName = A\nname = B\n", "zkt.ini:3: duplicate key 'name' in [Board]"},
        {"[Board]\nOpen = fail\nOpen = ok\n", "zkt.ini:3: duplicate key 'Open' in [Board]"},
        {"[Library]\n[Board]\n[Library]\n", "zkt.ini:3: second [Library] section"},
        {"[Board]\nUnit = 1, 2\n",
         "zkt.ini:2: bad list for Unit: expected <Id>, <Code>, <Attr>, <description>"},
        {"[Board]\nService = BASEDDS0\n",
         "zkt.ini:2: bad list for Service: expected <name>, <Attr>"},
        {"[Board]\nOpen = maybe\n", "zkt.ini:2: bad value 'maybe' for Open: expected ok or fail"},
        {"[Board]\nStatus.0x1800 = 1\nStatus.6144 = 2\n",
         "zkt.ini:3: duplicate key 'Status.6144' in [Board]"},
        {"[Board]\nStatus.x = 1\n", "zkt.ini:2: bad number 'x' for Status.x"},
        {"[Board]\nWrite.0x1800 = 2:i32:1\n",
         "zkt.ini:2: Write.0x1800: 4 bytes at offset 2 lie beyond the 4-byte payload"},
        {"[Board]\nWrite.0x1802 = 0:i32:1, 4:f64:1.5, 8:f64:1\n",
         "zkt.ini:2: Write.0x1802: 8 bytes at offset 8 lie beyond the 12-byte payload"},
        {"[Board]\nWrite.0x1806 = 0:i32:1\n",
         "zkt.ini:2: Write.0x1806: code 0x1806 has no payload to write"},
        {"[Board]\nWrite.0x1800 = 0:i16:1\n",
         "zkt.ini:2: bad type 'i16' in Write.0x1800: expected i32 or f64"},
        {"[Board]\nWrite.0x1800 = 0:1\n",
         "zkt.ini:2: bad list for Write.0x1800: expected <offset>:<i32|f64>:<value>[, ...]"},
        {"[Board]\nLid = 0x1002\n[Board]\n",
         "zkt.ini:3: Lid 0x1002 of this board is already the Lid of board 1"},
        {"\n[Board]\nThresholdMin = 3\nThresholdMax = 3\n[Board]\n",
         "zkt.ini:2: ThresholdMin must be below ThresholdMax in this [Board]"},
        {std::string("[Board]\nName = a\0b\n", 19), "zkt.ini:2: NUL byte in line"},
        {"[Board]\nName = " + std::string(1100, 'x') + "\n",
         "zkt.ini:2: line longer than 1024 characters"},
        {"[Board]\nName = " + std::string(1018, 'x') + "\r\n",
         "zkt.ini:2: line longer than 1024 characters"},
    };
    for (const Case &c : cases) {
        const ParseOutcome outcome = Parse(c.text);
        EXPECT_FALSE(outcome.ok) << c.text;
        EXPECT_EQ(outcome.message, c.message);
        // Nothing of a rejected file survives.
        EXPECT_EQ(config->boardCount, 0);
        EXPECT_EQ(config->tracePath[0], '\0');
    }
}

// A Trace path fills its field but for the NUL, or is refused whole; the
// fields beside it keep what the file gave them.
TEST_F(ConfigTest, TracePathTakesUpToItsFieldLessTheNul) {
    static_assert(sizeof(SimConfig::tracePath) == 260, "the rows below are 259 and 260 long");
    const struct {
        size_t length;
        const char *message;
    } rows[] = {{259, ""}, {260, "zkt.ini:3: Trace path longer than 259 characters"}};
    for (const auto &row : rows) {
        const std::string path(row.length, 'p');
        const ParseOutcome outcome =
            Parse("[Library]\nDeviceCount = -3\nTrace = " + path + "\n[Board]\nName = A\n");
        EXPECT_EQ(outcome.ok, row.message[0] == '\0') << row.length;
        if (!outcome.ok) {
            EXPECT_EQ(outcome.message, row.message);
            continue;
        }
        EXPECT_EQ(std::string(config->tracePath), path);
        EXPECT_TRUE(config->reportedDeviceCount.set);
        EXPECT_EQ(config->reportedDeviceCount.value, -3);
        ASSERT_EQ(config->boardCount, 1);
        EXPECT_STREQ(config->boards[0].name, "A");
    }
}

// Floating-point values are decimal whatever the C library would take, and
// a field that cannot be negative takes no sign; the words that may be
// written signed or unsigned still take both.
TEST_F(ConfigTest, NumbersFollowTheDocumentedForms) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case rejected[] = {
        {"[Board]\nMaxRefClock = 0x10\n", "zkt.ini:2: bad number '0x10' for MaxRefClock"},
        {"[Board]\nInternalClock = 0x1p30\n", "zkt.ini:2: bad number '0x1p30' for InternalClock"},
        {"[Board]\nThresholdMax = inf\n", "zkt.ini:2: bad number 'inf' for ThresholdMax"},
        {"[Board]\nThresholdMin = nan\n", "zkt.ini:2: bad number 'nan' for ThresholdMin"},
        {"[Board]\nThresholdMin = 1,5\n", "zkt.ini:2: bad number '1,5' for ThresholdMin"},
        {"[Board]\nInternalClock = 1e\n", "zkt.ini:2: bad number '1e' for InternalClock"},
        {"[Board]\nInternalClock = 1e999\n", "zkt.ini:2: bad number '1e999' for InternalClock"},
        {"[Board]\nInternalClock = .\n", "zkt.ini:2: bad number '.' for InternalClock"},
        {"[Board]\nWrite.0x1802 = 4:f64:0x1p3\n", "zkt.ini:2: bad number '0x1p3' for Write.0x1802"},
        {"[Board]\nDevID = +1\n", "zkt.ini:2: bad number '+1' for DevID"},
        {"[Board]\nRevID = -0\n", "zkt.ini:2: bad number '-0' for RevID"},
        {"[Board]\nTuningBits = +16\n", "zkt.ini:2: bad number '+16' for TuningBits"},
        {"[Board]\nWrite.0x1800 = +0:i32:1\n", "zkt.ini:2: bad number '+0' for Write.0x1800"},
    };
    for (const Case &c : rejected) {
        const ParseOutcome outcome = Parse(c.text);
        EXPECT_FALSE(outcome.ok) << c.text;
        EXPECT_EQ(outcome.message, c.message);
    }

    const ParseOutcome outcome = Parse(
        "[Board]\n"
        "InternalClock = 5.\n"
        "MaxRefClock = .5e+9\n"
        "ThresholdMin = -1.25E-1\n"
        "ThresholdMax = +7\n"
        "DevID = 0x00FF\n"
        "RevID = 9\n"
        "TuningBits = 0x10\n"
        "Write.0x1802 = 0:i32:+3, 4:f64:-2e-3\n"
        "Status.-1 = -1\n"
        "Lid = -2\n");
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const SimBoard &b = config->boards[0];
    EXPECT_EQ(b.dds.internalClock, 5.0);
    EXPECT_EQ(b.dds.maxRefClock, 0.5e9);
    EXPECT_EQ(b.dds.thresholdMin, -0.125);
    EXPECT_EQ(b.dds.thresholdMax, 7.0);
    EXPECT_EQ(b.idWord, 0x00FF0009u);
    EXPECT_EQ(b.dds.tuningBits, 16);
    ASSERT_EQ(b.writeOverrideCount, 1);
    EXPECT_EQ(b.writeOverrides[0].writes[0].intValue, 3);
    EXPECT_EQ(b.writeOverrides[0].writes[1].doubleValue, -2e-3);
    ASSERT_EQ(b.statusOverrideCount, 1);
    EXPECT_EQ(b.statusOverrides[0].code, -1);
    EXPECT_EQ(b.statusOverrides[0].status, 0xFFFFFFFFu);
    EXPECT_EQ(b.lid, 0xFFFFFFFEu);
}

TEST_F(ConfigTest, OneOfTwoKeysForTheSameResult) {
    const std::string pairs[][2] = {{"Open = fail", "OpenHandle = 3"},
                                    {"Capture = fail", "CaptureHandle = 3"}};
    for (const auto &pair : pairs) {
        const std::string names =
            pair[0].substr(0, pair[0].find(' ')) + " and " + pair[1].substr(0, pair[1].find(' '));
        const std::string expected = "zkt.ini:4: " + names + " cannot be combined in one [Board]";
        EXPECT_EQ(Parse("[Board]\n" + pair[0] + "\nName = x\n" + pair[1] + "\n").message, expected);
        EXPECT_EQ(Parse("[Board]\n" + pair[1] + "\nName = x\n" + pair[0] + "\n").message, expected);
        // Each board chooses for itself.
        EXPECT_TRUE(Parse("[Board]\n" + pair[0] + "\n[Board]\n" + pair[1] + "\n").ok);
    }
}

// Bytes of the file reach the user's terminal only as printable escapes.
TEST_F(ConfigTest, MessagesEscapeTheFileBytesTheyQuote) {
    EXPECT_EQ(Parse("[Board]\n\x1b[2J\x1b[H = 1\n").message,
              "zkt.ini:2: unknown key '\\x1b[2J\\x1b[H' in [Board]");
    EXPECT_EQ(Parse("[Board]\nBus = caf\xc3\xa9\\n\x7f\n").message,
              "zkt.ini:2: bad number 'caf\\xc3\\xa9\\\\n\\x7f' for Bus");
    EXPECT_EQ(Parse("[\x07"
                    "Board]\n")
                  .message,
              "zkt.ini:1: unknown section [\\x07Board]");
    // The 40 bytes quoted are cut before they are escaped.
    std::string forty;
    for (int i = 0; i < 40; ++i) forty += "\\x01";
    EXPECT_EQ(Parse("[Board]\nBus = " + std::string(50, '\x01') + "\n").message,
              "zkt.ini:2: bad number '" + forty + "' for Bus");
}

// Line ends and encodings as the settings reader takes them: CRLF, LF and a
// lone CR, UTF-8 with or without its mark, UTF-16 with its mark.
TEST_F(ConfigTest, ReadsEveryLineEndAndEncoding) {
    const std::string lf = "; boards\n[Board]\nName = A\nBus = 3\n[Board]\nName = B\n";
    std::string cr = lf;
    for (char &c : cr) {
        if (c == '\n') c = '\r';
    }
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const std::string noEnd = lf.substr(0, lf.size() - 1);
    const struct {
        const char *what;
        std::string text;
    } files[] = {{"LF", lf},
                 {"lone CR", cr},
                 {"CRLF", crlf},
                 {"no end on the last line", noEnd},
                 {"UTF-8 mark", "\xEF\xBB\xBF" + crlf},
                 {"UTF-16LE", Utf16(lf, false)},
                 {"UTF-16BE", Utf16(cr, true)}};
    for (const auto &file : files) {
        const ParseOutcome outcome = Parse(file.text);
        ASSERT_TRUE(outcome.ok) << file.what << ": " << outcome.message;
        ASSERT_EQ(config->boardCount, 2) << file.what;
        EXPECT_STREQ(config->boards[0].name, "A") << file.what;
        EXPECT_EQ(config->boards[0].bus, 3) << file.what;
        EXPECT_STREQ(config->boards[1].name, "B") << file.what;
    }

    // Line numbers count lines however they end.
    EXPECT_EQ(Parse("[Board]\rName = A\r\nBus = x\n").message, "zkt.ini:3: bad number 'x' for Bus");
    EXPECT_EQ(Parse(Utf16("[Board]\r\nBus = x\r\n", false)).message,
              "zkt.ini:2: bad number 'x' for Bus");
    // Characters beyond ASCII in a UTF-16 file read as '?', whatever their
    // low byte (U+0141 and U+013D have those of 'A' and '=').
    const struct {
        std::string text;
        const char *name;
    } beyondAscii[] = {{Utf16("[Board]\nName = \xE9\n", true), "?"},
                       {Utf16(u"[Board]\nName = \u0141\u013D\n", false), "??"},
                       {Utf16(u"[Board]\nName = x\u0141\u013Dy\n", true), "x??y"}};
    for (const auto &file : beyondAscii) {
        const ParseOutcome outcome = Parse(file.text);
        ASSERT_TRUE(outcome.ok) << outcome.message;
        EXPECT_STREQ(config->boards[0].name, file.name);
    }
    // A path keeps its characters: taken from where its value stands, past
    // text beyond ASCII, in either byte order. One that has no narrow form
    // on any system (an unpaired surrogate) is refused on its line.
    const std::string paths =
        Utf16(u"; \u0141\n[Library]\nReplay = r\u00E9.log\nTrace = \u00E9 t\u00E9\n", true);
    ASSERT_TRUE(Parse(paths).ok);
    char narrow[kZktIniMaxPathSize];
    char reason[128];
    const std::u16string replay = u"r\u00E9.log";
    const std::u16string trace = u"\u00E9 t\u00E9";
    ASSERT_EQ(PlatformNarrowPath(replay.data(), replay.size(), narrow, sizeof narrow, reason,
                                 sizeof reason),
              kNarrowPathDone);
    EXPECT_STREQ(config->replayPath, narrow);
    ASSERT_EQ(PlatformNarrowPath(trace.data(), trace.size(), narrow, sizeof narrow, reason,
                                 sizeof reason),
              kNarrowPathDone);
    EXPECT_STREQ(config->tracePath, narrow);
    const struct {
        std::string text;
        const char *message;
    } unnarrowable[] = {
        {Utf16(u"[Library]\nTrace = t\xD800.log\n", false),
         "zkt.ini:2: Trace path: U+D800 has no form in "},
        {Utf16(u"; \u00E9\r\n[Library]\r\nReplay = \xDC00\r\n", true),
         "zkt.ini:3: Replay path: U+DC00 has no form in "},
    };
    for (const auto &file : unnarrowable) {
        const ParseOutcome outcome = Parse(file.text);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.message.rfind(file.message, 0), 0u) << outcome.message;
        EXPECT_STREQ(config->replayPath, "");
    }
    // A NUL character is refused in UTF-16 too.
    EXPECT_EQ(Parse(Utf16(std::string("[Board]\nName = a\0b\n", 18), false)).message,
              "zkt.ini:2: NUL byte in line");
}

// The line end is no part of the 1024 characters a line may hold.
TEST_F(ConfigTest, LongestLineEndsInAnyLineEnd) {
    const std::string longest = "Name = " + std::string(1024 - 7, 'n');
    for (const char *end : {"\n", "\r\n", "\r", ""}) {
        const ParseOutcome outcome = Parse("[Board]\n" + longest + end);
        ASSERT_TRUE(outcome.ok) << outcome.message;
        EXPECT_EQ(std::string(config->boards[0].name, sizeof config->boards[0].name),
                  std::string(sizeof config->boards[0].name, 'n'));
        EXPECT_EQ(Parse("[Board]\n" + longest + "n" + end).message,
                  "zkt.ini:2: line longer than 1024 characters");
    }
}

using ConfigFileTest = SimLibraryTest;

// Only a file that is not there means "no simulated devices"; one that is
// there but cannot be looked at or read is an error with the system's reason.
TEST_F(ConfigFileTest, MissingFileIsToldApartFromAnUnreadableOne) {
    namespace fs = std::filesystem;
    std::error_code error;
    ASSERT_TRUE(fs::create_directory("zkt.ini"));
    // A link that leads to itself.
    fs::create_symlink("loop.ini", "loop.ini", error);
    const bool loopMade = !error;
    // A folder that may not be searched (its owner's rights do not hold for
    // a user who may read every file).
    ASSERT_TRUE(fs::create_directory("locked"));
    WriteFile("locked/zkt.ini", "[Board]\n");
    fs::permissions("locked", fs::perms::none, error);
    const bool lockHolds = !error && !std::ifstream("locked/zkt.ini").is_open();

    const struct {
        const char *path;
        bool staged;
        SimLoadResult result;
        std::string message;
    } rows[] = {
        {"no-such-dir/zkt.ini", true, kSimConfigMissing,
         "no-such-dir/zkt.ini: cannot open (No such file or directory)"},
        {"zkt.ini", true, kSimConfigInvalid, "zkt.ini: cannot read (Is a directory)"},
        {"loop.ini", loopMade, kSimConfigInvalid,
         std::string("loop.ini: cannot open (") + std::strerror(ELOOP) + ")"},
        {"locked/zkt.ini", lockHolds, kSimConfigInvalid,
         std::string("locked/zkt.ini: cannot open (") + std::strerror(EACCES) + ")"},
        // The name is the caller's, but it reaches a terminal too.
        {"no\x1b[2J/zkt.ini", true, kSimConfigMissing,
         "no\\x1b[2J/zkt.ini: cannot open (No such file or directory)"},
    };
    auto config = std::make_unique<SimConfig>();
    for (const auto &row : rows) {
        if (!row.staged) {
            std::printf("not staged on this system: %s\n", row.path);
            continue;
        }
        char message[256];
        EXPECT_EQ(SimLoadConfigFile(row.path, config.get(), message, sizeof message), row.result)
            << row.path;
        EXPECT_EQ(std::string(message), row.message);
        EXPECT_EQ(config->boardCount, 0);
    }
    fs::permissions("locked", fs::perms::owner_all, error);
}

}  // namespace
