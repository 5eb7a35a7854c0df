// A replay's memory follows its recording's size, not its count of lines:
// ZKT_init runs in a child process whose address space may grow only so far
// past what it already holds, on a recording made here of a few megabytes
// of empty lines. A replay that set room aside for a whole parsed call per
// line feed asked for gigabytes there, and the exception it met ended the
// program. Whatever memory is left, ZKT_init answers: from the recording,
// or with the recording refused in one line; nothing thrown gets out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/sim_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUILMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILMAR_ASAN 1
#endif
#endif

namespace {

constexpr size_t kMiB = 1024 * 1024;

const char kInitLine[] = "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\n";
const char kCleanupLine[] = "ZKT_cleanup() = 0\n";

// What the child's ZKT_init and ZKT_cleanup answered, and what it printed.
struct ChildRun {
    bool exited;  // rather than killed by a signal
    int signal;
    int32_t initResult;
    int32_t count;
    int32_t cleanupResult;
    std::string err;
};

// The address space the process holds now, in bytes.
size_t AddressSpaceInUse() {
    FILE *statm = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (statm == nullptr) return 0;
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
    return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// Initialises the library from zkt.ini in a child whose address space may
// grow by headroom bytes at most; standard error goes to err.log.
ChildRun InitInChild(size_t headroom) {
    ChildRun run{false, 0, 0, -1, 0, ""};
    int ends[2];
    if (pipe(ends) != 0) return run;
    const pid_t child = fork();
    if (child < 0) return run;
    if (child == 0) {
        close(ends[0]);
        const int err = open("err.log", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (err < 0 || dup2(err, STDERR_FILENO) < 0) _exit(3);
        // Memory the test freed stays in the heap, and the heap's own
        // threshold for mapping large blocks apart rises with what it
        // freed: both would widen the headroom unseen.
        malloc_trim(0);
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        const rlimit limit = {AddressSpaceInUse() + headroom, RLIM_INFINITY};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        int32_t answers[3] = {0, -1, 0};
        // The child must never return into the test: an exception out of
        // the library ends it as the program it would have ended.
        try {
            answers[0] = ZKT_init("zkt.ini", &answers[1]);
            answers[2] = ZKT_cleanup();
        } catch (...) {
            _exit(4);
        }
        const bool written = write(ends[1], answers, sizeof answers) == sizeof answers;
        _exit(written ? 0 : 3);
    }
    close(ends[1]);
    int32_t answers[3] = {0, -1, 0};
    const bool read = ::read(ends[0], answers, sizeof answers) == sizeof answers;
    close(ends[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child) return run;
    run.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0 && read;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.initResult = answers[0];
    run.count = answers[1];
    run.cleanupResult = answers[2];
    std::ifstream err("err.log", std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

// Valgrind runs the program itself, and needs address space of its own for
// each piece of code it first meets: a limit binds it, not the library.
bool UnderValgrind() {
    const char *preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "vgpreload") != nullptr;
}

class ReplayMemoryTest : public SimLibraryTest {
protected:
    void SetUp() override {
        // The base first: its TearDown, which runs after a skip too, goes
        // back to the folder it left.
        SimLibraryTest::SetUp();
#ifdef QUILMAR_ASAN
        GTEST_SKIP() << "the sanitizers' allocator ends the program where memory runs out "
                        "instead of throwing, and needs more address space than a limit leaves";
#endif
        if (UnderValgrind()) {
            GTEST_SKIP() << "under valgrind a limit on the address space binds valgrind itself, "
                            "which then cannot run the child";
        }
        WriteFile("zkt.ini", "[Library]\nReplay = recording.log\n");
    }
};

// Each row: a recording of the calls of one session with empty lines
// around them (and a last line that may be none), and what ZKT_init must
// answer with 64 MiB of address space to spare.
struct RecordingRow {
    const char *what;
    const char *emptyLine;  // repeated between the two calls
    size_t emptyLines;
    const char *lastLine;
    int32_t initResult;
    const char *err;
};

const RecordingRow kRows[] = {
    {"8 MiB of empty lines", "\n", 8 * kMiB, "", 0, ""},
    {"4 Mi empty CR LF lines", "\r\n", 4 * kMiB, "", 0, ""},
    {"a bad line after 8 Mi lone CRs", "\r", 8 * kMiB, "bad\n", kBadMode,
     "recording.log:8388611: not a trace line\n"},
};

TEST_F(ReplayMemoryTest, EmptyLinesTakeNoMemoryOfTheirOwn) {
    for (const RecordingRow &row : kRows) {
        SCOPED_TRACE(row.what);
        std::string recording = kInitLine;
        for (size_t i = 0; i < row.emptyLines; ++i) recording += row.emptyLine;
        recording += kCleanupLine;
        recording += row.lastLine;
        WriteFile("recording.log", recording);
        recording = std::string();
        const ChildRun run = InitInChild(64 * kMiB);
        ASSERT_TRUE(run.exited) << "ZKT_init did not return (signal " << run.signal
                                << ", or an exception)";
        EXPECT_EQ(run.initResult, row.initResult);
        EXPECT_EQ(run.count, 0);
        EXPECT_EQ(run.cleanupResult, 0);
        EXPECT_EQ(run.err, row.err);
    }
    std::remove("zkt.ini");
}

// From too little memory to read the recording at all to enough for all of
// it: every run ends with an answer, the recorded one or a refusal that
// says why.
TEST_F(ReplayMemoryTest, RunningOutOfMemoryRefusesTheRecording) {
    std::string recording = kInitLine;
    while (recording.size() < 4 * kMiB) recording += "ZKT_close(device=257) = 0\n";
    recording += kCleanupLine;
    WriteFile("recording.log", recording);
    recording = std::string();
    bool refused = false;
    bool answered = false;
    for (size_t headroom = 1 * kMiB; headroom <= 24 * kMiB; headroom += kMiB / 2) {
        SCOPED_TRACE("headroom " + std::to_string(headroom));
        const ChildRun run = InitInChild(headroom);
        ASSERT_TRUE(run.exited) << "ZKT_init did not return (signal " << run.signal
                                << ", or an exception)";
        if (run.initResult == 0) {
            answered = true;
            EXPECT_EQ(run.count, 0);
            // The second call made is not the second recorded.
            EXPECT_EQ(run.err.rfind("zkt: replay of 'recording.log' differs at call 2: made "
                                    "ZKT_cleanup(), recorded ZKT_close(device=257) = 0",
                                    0),
                      0u);
        } else {
            refused = true;
            EXPECT_EQ(run.initResult, kBadMode);
            EXPECT_EQ(run.err,
                      "zkt.ini:2: cannot read the recording 'recording.log' (out of memory)\n");
        }
    }
    std::remove("zkt.ini");
    EXPECT_TRUE(answered) << "the recording was never read";
    EXPECT_TRUE(refused) << "no run ran out of memory";
}

}  // namespace
