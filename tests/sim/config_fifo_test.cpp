// A zkt.ini that is a named pipe counts as unreadable: ZKT_init reports it
// and goes on, instead of waiting for a writer that never comes. A trace
// that is a named pipe is refused too, instead of waiting for a reader. A
// zkt.ini without read permission is reported as unreadable as well. So is
// a recording to replay that is a named pipe or a device: it is neither read
// as an empty recording nor waited on.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/sim_config.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/sim_test_support.h"

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

// Root reads any file, so where the test runs as root the load runs in a
// child process as an unprivileged user.
TEST_F(ConfigFifoTest, FileWithoutReadPermissionCannotBeRead) {
    WriteFile("zkt.ini", "[Board]\nName = X\n");
    ASSERT_EQ(chmod("zkt.ini", 0), 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ends[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        auto config = std::make_unique<SimConfig>();
        char message[256];
        const SimLoadResult result =
            SimLoadConfigFile("zkt.ini", config.get(), message, sizeof message);
        const ssize_t written = write(ends[1], message, std::strlen(message));
        _exit(written >= 0 && result == kSimConfigInvalid ? 0 : 1);
    }
    close(ends[1]);
    std::string message;
    char chunk[256];
    ssize_t count = 0;
    while ((count = read(ends[0], chunk, sizeof chunk)) > 0) message.append(chunk, count);
    close(ends[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 3) << "cannot run as an unprivileged user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not reported as invalid";
    EXPECT_EQ(message, "zkt.ini: cannot read (Permission denied)");
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

TEST_F(ConfigFifoTest, TraceOnNamedPipeIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo("t.fifo", 0600), 0);
    WriteFile("zkt.ini", "[Library]\nTrace = t.fifo\n[Board]\n");
    testing::internal::CaptureStderr();
    int32_t count = -1;
    std::future<int32_t> init =
        std::async(std::launch::async, [&count] { return ZKT_init("zkt.ini", &count); });
    const bool finished = init.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // A waiting open gets a reader, so that the test fails instead of hanging.
    int reader = -1;
    if (!finished) reader = open("t.fifo", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int32_t result = init.get();
    ZKT_cleanup();
    if (reader >= 0) close(reader);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(finished) << "ZKT_init waited for a reader of its trace";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(message, std::string("zkt: cannot open trace file 't.fifo' (") +
                           std::strerror(ENXIO) + "); no trace\n");
}

TEST_F(ConfigFifoTest, ReplayOfNamedPipeOrDeviceIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo("recording.fifo", 0600), 0);
    for (const char *recording : {"recording.fifo", "/dev/null"}) {
        WriteFile("zkt.ini", std::string("[Library]\nReplay = ") + recording + "\n");
        testing::internal::CaptureStderr();
        bool finished = false;
        int32_t count = -1;
        const int32_t result = ReadWithoutWriter<int32_t>(
            "recording.fifo", [&count] { return ZKT_init("zkt.ini", &count); }, &finished);
        ZKT_cleanup();
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(finished) << recording << ": ZKT_init waited for a writer";
        EXPECT_EQ(result, kBadMode) << recording;
        EXPECT_EQ(count, 0) << recording;
        EXPECT_EQ(message, std::string("zkt.ini:2: cannot read the recording '") + recording +
                               "' (not a regular file)\n")
            << recording;
    }
}

}  // namespace
