// A trace whose writes start failing part-way (here: a file size limit, the
// way a full disk fails a write): told once, cut back to its last whole line,
// and nothing more written; the calls go on.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>

#include "boardlib/zkt_api.h"
#include "tests/support/sim_test_support.h"

namespace {

class TraceWriteFailureTest : public SimLibraryTest {};

TEST_F(TraceWriteFailureTest, TraceIsCutBackToItsLastWholeLine) {
    WriteFile("zkt.ini", "[Library]\nTrace = cut.log\n");
    // Writes past 100 bytes fail with EFBIG instead of ending the process.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit limited = previous;
    limited.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    testing::internal::CaptureStderr();
    int32_t count = -1;
    const int32_t initResult = ZKT_init("zkt.ini", &count);  // 44 bytes
    uint32_t lids[10];
    const int32_t listResult = ZKT_lidList(lids, 10, &count);  // 48 more: 92
    const int32_t modeResult = ZKT_displayMode(0x8F);          // 31 more: past 100
    const int32_t cleanupResult = ZKT_cleanup();
    const std::string err = testing::internal::GetCapturedStderr();

    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &previous), 0);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(initResult, 0);
    EXPECT_EQ(listResult, 0);
    EXPECT_EQ(modeResult, 0);
    EXPECT_EQ(cleanupResult, 0);
    EXPECT_EQ(err,
              "zkt: cannot write trace file 'cut.log' (File too large); the trace ends at its "
              "last whole line\n");
    EXPECT_EQ(ReadFile("cut.log"),
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\n"
              "ZKT_lidList(capacity=10) = 0, count=0, lids=[]\n");
}

}  // namespace
