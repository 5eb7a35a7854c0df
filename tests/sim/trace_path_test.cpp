// Where a zkt.ini sends its trace, read even from a file the reader rejects,
// so that a run on a broken file never leaves an older trace looking current.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "sim/sim_config.h"
#include "tests/support/utf16_text.h"
#include "zktini/library_paths.h"

namespace {

std::string Found(const std::string &text, size_t outSize = kZktIniMaxPathSize) {
    char out[kZktIniMaxPathSize];
    std::memset(out, 'x', sizeof out);
    ZktIniFindLibraryPath(text.data(), text.size(), "Trace", out, outSize);
    return out;
}

TEST(TracePathTest, FoundWhereverTheErrorIs) {
    // After the error, before it, in a second [Library] (which the reader
    // rejects), with other spelling and white space, after a BOM, CRLF.
    EXPECT_EQ(Found("[Board]\nNmae = x\n[Library]\nTrace = a.log\n"), "a.log");
    EXPECT_EQ(Found("[Library]\nTrace = b.log\n[Board]\nNmae = x\n"), "b.log");
    EXPECT_EQ(Found("[Library]\n[Board]\n[ library ]\n  tRACE=  c d.log  \r\n"), "c d.log");
    EXPECT_EQ(Found("\xEF\xBB\xBF[Library]\r\nTrace = e.log\r\n[Bogus]\n"), "e.log");
    // The first one counts.
    EXPECT_EQ(Found("[Library]\nTrace = f.log\nTrace = g.log\n"), "f.log");
    // Lines the reader would stop at are passed over.
    EXPECT_EQ(Found("[Library]\nDeviceCount = 1x\n" + std::string(2000, 'y') + "\n" +
                    std::string("Name = a\0b\n", 11) + "Trace = h.log"),
              "h.log");
}

TEST(TracePathTest, OnlyATraceKeyOfALibrarySectionCounts) {
    EXPECT_EQ(Found("Trace = a.log\n[Board]\nTrace = b.log\n"), "");
    EXPECT_EQ(Found("[Library]\n; Trace = a.log\n# Trace = b.log\nTraces = c.log\n"), "");
    EXPECT_EQ(Found("[Library\nTrace = a.log\n"), "");
    EXPECT_EQ(Found("[Library]\n[Board]\nTrace = a.log\n"), "");
    EXPECT_EQ(Found(""), "");
    // A path that does not fit is no path.
    EXPECT_EQ(Found("[Library]\nTrace = 0123456789\n", 10), "");
    EXPECT_EQ(Found("[Library]\nTrace = 012345678\n", 10), "012345678");
}

// The system's narrow form of a path, as the reader must give it.
std::string NarrowForm(const std::u16string &path) {
    char out[kZktIniMaxPathSize];
    char reason[128];
    EXPECT_EQ(PlatformNarrowPath(path.data(), path.size(), out, sizeof out, reason, sizeof reason),
              kNarrowPathDone)
        << reason;
    return out;
}

// A UTF-16 file's path keeps its characters, taken from where the value
// stands in the file (in either byte order, past text beyond ASCII), even
// from a file the reader rejects; one without a narrow form is no path.
TEST(TracePathTest, Utf16PathKeepsItsCharacters) {
    EXPECT_EQ(Found(Utf16(u"; \u0141\u013D\n[Library]\nTrace = tr\u00E9.log\nBad\n", false)),
              NarrowForm(u"tr\u00E9.log"));
    EXPECT_EQ(Found(Utf16(u"[B\u00E9]\r[Library]\r  Trace =\u00E9 x\u00E9 \r", true)),
              NarrowForm(u"\u00E9 x\u00E9"));
    EXPECT_EQ(Found(Utf16(u"[Library]\nTrace = a\xD800.log\n", false)), "");

    auto config = std::make_unique<SimConfig>();
    char message[256];
    const std::string text = Utf16(u"[Library]\nTrace = \u00E9.log\n[Board]\nNmae = B\n", true);
    EXPECT_FALSE(SimParseConfigText("zkt.ini", text.data(), text.size(), config.get(), message,
                                    sizeof message));
    EXPECT_EQ(config->tracePath, NarrowForm(u"\u00E9.log"));
}

TEST(TracePathTest, MalformedFileKeepsOnlyItsTracePath) {
    auto config = std::make_unique<SimConfig>();
    char message[256];
    const std::string text = "[Board]\nName = A\n[Board]\nNmae = B\n[Library]\nTrace = t.log\n";
    EXPECT_FALSE(SimParseConfigText("zkt.ini", text.data(), text.size(), config.get(), message,
                                    sizeof message));
    EXPECT_STREQ(message, "zkt.ini:4: unknown key 'Nmae' in [Board]");
    EXPECT_EQ(config->boardCount, 0);
    EXPECT_STREQ(config->tracePath, "t.log");
}

}  // namespace
