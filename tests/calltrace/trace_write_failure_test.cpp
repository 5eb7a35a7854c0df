// A trace whose writes start failing part-way (here: a file size limit, the
// way a full disk fails a write): told once, cut back to its last whole line
// (a call part written before its call is no whole line), and nothing more
// written; the calls go on.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>

#include "boardlib/zkt_api.h"
#include "tests/support/sim_test_support.h"

namespace {

// The file size limit each run of the same calls meets: in the middle of
// a call part, and just past one, in the middle of its result part. Either
// way the trace is cut back to before that call part.
class TraceWriteFailureTest : public SimLibraryTest, public testing::WithParamInterface<rlim_t> {};

TEST_P(TraceWriteFailureTest, TraceIsCutBackToItsLastWholeLine) {
    WriteFile("zkt.ini", "[Library]\nTrace = cut.log\n");
    // Writes past the limit fail with EFBIG instead of ending the process.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit limited = previous;
    limited.rlim_cur = GetParam();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    testing::internal::CaptureStderr();
    int32_t count = -1;
    const int32_t initResult = ZKT_init("zkt.ini", &count);  // 44 bytes
    uint32_t lids[10];
    const int32_t listResult = ZKT_lidList(lids, 10, &count);  // 48 more: 92
    // 26 more for the call part: 118, and 5 for the rest: 123.
    const int32_t modeResult = ZKT_displayMode(0x8F);
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

INSTANTIATE_TEST_SUITE_P(InTheCallPartOrAfterIt, TraceWriteFailureTest,
                         testing::Values(rlim_t{100}, rlim_t{120}));

}  // namespace
