// A zkt.ini that is a named pipe counts as unreadable: ZKT_init reports it
// and goes on, instead of waiting for a writer that never comes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <sys/stat.h>

#include "sim/sim_config.h"
#include "sim_test_support.h"
#include "tests/fifo_guard.h"

namespace {

struct LoadOutcome {
    SimLoadResult result;
    std::string message;
};

using ConfigFifoTest = SimLibraryTest;

TEST_F(ConfigFifoTest, NamedPipeIsNotReadButReported) {
    ASSERT_EQ(mkfifo("zkt.ini", 0600), 0);
    bool finished = false;
    const LoadOutcome outcome = ReadWithoutWriter<LoadOutcome>(
        "zkt.ini",
        [] {
            auto config = std::make_unique<SimConfig>();
            char message[256];
            const SimLoadResult result =
                SimLoadConfigFile("zkt.ini", config.get(), message, sizeof message);
            return LoadOutcome{result, message};
        },
        &finished);
    EXPECT_TRUE(finished) << "the reader waited for a writer";
    EXPECT_EQ(outcome.result, kSimConfigInvalid);
    EXPECT_EQ(outcome.message, "zkt.ini: cannot read (not a regular file)");
}

TEST_F(ConfigFifoTest, InitOnNamedPipeFailsAtOnce) {
    ASSERT_EQ(mkfifo("zkt.ini", 0600), 0);
    bool finished = false;
    int32_t count = -1;
    const int32_t result = ReadWithoutWriter<int32_t>(
        "zkt.ini", [&count] { return ZKT_init("zkt.ini", &count); }, &finished);
    EXPECT_TRUE(finished) << "ZKT_init waited for a writer";
    EXPECT_EQ(result, kBadMode);
    EXPECT_EQ(count, 0);
}

}  // namespace
