// The whole-file reader on every system: what it hands back, and each reason
// it gives for a file it does not read, in the C library's words that the
// programs' messages quote.
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

struct WholeFileOutcome {
    WholeFileResult result;
    std::string content;
    std::string reason;
};

WholeFileOutcome ReadWhole(const std::string &path, size_t maxBytes) {
    WholeFileOutcome outcome;
    char reason[128];
    std::memset(reason, '#', sizeof reason);
    outcome.content = "left over";
    outcome.result =
        PlatformReadWholeFile(path.c_str(), maxBytes, &outcome.content, reason, sizeof reason);
    outcome.reason = reason;
    return outcome;
}

TEST(WholeFile, ReadsRegularFilesUpToTheCapAndTellsWhyNotOthers) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xff", 6);
    dir.WriteFile("six.bin", bytes);
    dir.WriteFile("empty.bin", "");
    std::filesystem::create_directory(dir.Path() / "folder");
    const std::string missing = std::strerror(ENOENT);

    const struct {
        const char *name;
        size_t maxBytes;
        WholeFileResult result;
        std::string content;
        std::string reason;
    } rows[] = {
        {"six.bin", 6, kWholeFileRead, bytes, ""},
        {"six.bin", static_cast<size_t>(-1), kWholeFileRead, bytes, ""},
        {"empty.bin", 0, kWholeFileRead, "", ""},
        {"six.bin", 5, kWholeFileTooLarge, "", "larger than 5 bytes"},
        {"folder", 100, kWholeFileFolder, "", std::strerror(EISDIR)},
        {"absent.bin", 100, kWholeFileMissing, "", missing},
        {"absent/six.bin", 100, kWholeFileMissing, "", missing},
    };
    for (const auto &row : rows) {
        const WholeFileOutcome outcome = ReadWhole((dir.Path() / row.name).string(), row.maxBytes);
        EXPECT_EQ(outcome.result, row.result) << row.name << ", at most " << row.maxBytes;
        EXPECT_EQ(outcome.content, row.content) << row.name << ", at most " << row.maxBytes;
        EXPECT_EQ(outcome.reason, row.reason) << row.name << ", at most " << row.maxBytes;
    }
}

}  // namespace
