// The POSIX platform layer: the settings path in the current directory, the
// whole-file reader on a named pipe and a device, closed standard streams
// replaced for their direction, and the single-key wait, where redirected
// and closed inputs never block and a terminal gets its own settings back
// however the wait ends; interrupts that end the wait and then the run.
#include "platform/platform.h"
#include "tests/platform/narrow_path_rows.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "tests/support/fifo_guard.h"
#include "tests/support/temp_dir.h"

namespace {

class InDirectory {
public:
    explicit InDirectory(const char *dir) : previous_(getcwd(nullptr, 0)) {
        EXPECT_EQ(chdir(dir), 0);
    }
    ~InDirectory() {
        if (previous_ != nullptr) {
            EXPECT_EQ(chdir(previous_), 0);
        }
        std::free(previous_);
    }
    InDirectory(const InDirectory &) = delete;
    InDirectory &operator=(const InDirectory &) = delete;

private:
    char *previous_;
};

// A settings file that is a named pipe reads as absent, as a directory does,
// instead of waiting for a writer that never comes.
TEST(ProfileFile, NamedPipeGivesTheDefault) {
    TempDir dir;
    const std::string fifo = (dir.Path() / "quilmar.ini").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    bool finished = false;
    const std::string value = ReadWithoutWriter<std::string>(
        fifo,
        [&fifo] {
            char buffer[32];
            PlatformReadProfileString("Option", "OutputFreq", "0", buffer, sizeof buffer,
                                      fifo.c_str());
            return std::string(buffer);
        },
        &finished);
    EXPECT_TRUE(finished) << "the reader waited for a writer";
    EXPECT_EQ(value, "0");
}

// A named pipe and a device are refused as they are, without waiting for a
// writer and without a byte read.
TEST(WholeFile, NamedPipeAndDeviceAreNotRead) {
    TempDir dir;
    const std::string fifo = (dir.Path() / "zkt.ini").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &path : {fifo, std::string("/dev/null")}) {
        bool finished = false;
        const std::string reason = ReadWithoutWriter<std::string>(
            fifo,
            [&path] {
                std::string content;
                char text[128];
                const WholeFileResult result =
                    PlatformReadWholeFile(path.c_str(), 100, &content, text, sizeof text);
                return result == kWholeFileNotRegular && content.empty() ? std::string(text)
                                                                         : std::string("read");
            },
            &finished);
        EXPECT_TRUE(finished) << path << ": the reader waited for a writer";
        EXPECT_EQ(reason, "not a regular file") << path;
    }
}

// A path is put in UTF-8 without a character lost; an unpaired surrogate
// has no form there and is refused, never turned into '?'.
TEST(NarrowPath, IsUtf8OrRefused) {
    ExpectNarrowPaths(
        {
            {u"trac\u00E9.log", kNarrowPathDone, "trac\xC3\xA9.log"},
            {u"\u007F\u0080\u07FF\u0800\uFFFF", kNarrowPathDone,
             "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
            {u"\U0001F600\U0010FFFF", kNarrowPathDone, "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
            {u"", kNarrowPathDone, ""},
            {u"x\xD83D", kNarrowPathNoForm, "U+D83D has no form in UTF-8"},
            {std::u16string(u"\xD83D") + u"y", kNarrowPathNoForm, "U+D83D has no form in UTF-8"},
            {u"\xDE00\xD83D", kNarrowPathNoForm, "U+DE00 has no form in UTF-8"},
        },
        u"\u00E9t", "\xC3\xA9t");
}

TEST(PathInCurrentDirectory, JoinsOrFailsWithoutOverflow) {
    InDirectory inside("/tmp");
    char directory[4096];
    ASSERT_NE(getcwd(directory, sizeof directory), nullptr);
    const std::string expected = std::string(directory) + "/quilmar.ini";
    char path[4096];
    // Too small for the full path, the relative one is the next best.
    const std::string relative = "./quilmar.ini";
    for (size_t capacity = 0; capacity <= expected.size() + 1; ++capacity) {
        std::memset(path, '#', sizeof path);
        bool joined = PlatformPathInCurrentDirectory("quilmar.ini", path, capacity);
        EXPECT_EQ(joined, capacity >= relative.size() + 1) << "capacity " << capacity;
        const std::string wanted = capacity == expected.size() + 1 ? expected
                                   : joined                        ? relative
                                                                   : "";
        if (capacity == 0) {
            EXPECT_EQ(path[0], '#');
        } else {
            EXPECT_STREQ(path, wanted.c_str()) << "capacity " << capacity;
        }
        for (size_t i = capacity; i < sizeof path; ++i) {
            ASSERT_EQ(path[i], '#') << "capacity " << capacity << ": byte " << i << " written";
        }
    }
}

// A current directory deeper than any path buffer: its settings are read
// all the same, as the library reads its zkt.ini there.
TEST(PathInCurrentDirectory, DeepDirectoryStillHasItsSettings) {
    TempDir top;
    InDirectory inside(top.Path().c_str());
    const std::string level(200, 'd');
    int depth = 0;
    for (; depth < 22; ++depth) {  // 22 * 201 bytes: over 4096
        ASSERT_EQ(mkdir(level.c_str(), 0700), 0);
        ASSERT_EQ(chdir(level.c_str()), 0);
    }
    FILE *file = std::fopen("quilmar.ini", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("[Option]\nStartStb = 1\nOutputFreq = 1.5e2\n", file);
    std::fclose(file);

    std::memset(&SynthSettings, 0, sizeof SynthSettings);
    LoadSettings();
    EXPECT_EQ(SynthSettings.StartStb, 1);
    EXPECT_EQ(SynthSettings.OutputFreq, 150.0);

    // Removed level by level: the whole path is too long to name at once.
    std::remove("quilmar.ini");
    for (; depth > 0; --depth) {
        ASSERT_EQ(chdir(".."), 0);
        ASSERT_EQ(rmdir(level.c_str()), 0);
    }
}

TEST(PathInCurrentDirectory, RootHasOneSeparator) {
    InDirectory inside("/");
    char path[64];
    ASSERT_TRUE(PlatformPathInCurrentDirectory("quilmar.ini", path, sizeof path));
    EXPECT_STREQ(path, "/quilmar.ini");
}

// Descriptors a test makes stay clear of 0, 1 and 2, which are free when the
// tests run without standard input, so that putting standard input back
// never closes one of them.
int ClearOfStdio(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) return fd;
    int moved = fcntl(fd, F_DUPFD, STDERR_FILENO + 1);
    close(fd);
    return moved;
}

bool MakePipe(int ends[2]) {
    if (pipe(ends) != 0) return false;
    ends[0] = ClearOfStdio(ends[0]);
    ends[1] = ClearOfStdio(ends[1]);
    return ends[0] >= 0 && ends[1] >= 0;
}

// Puts fd in place of standard input (or closes it, for -1) and brings the
// original back afterwards. An alarm ends a run that would hang.
class StdinReplacement {
public:
    explicit StdinReplacement(int fd) : saved_(dup(STDIN_FILENO)) {
        if (fd >= 0) {
            dup2(fd, STDIN_FILENO);
        } else {
            close(STDIN_FILENO);
        }
        alarm(20);
    }
    ~StdinReplacement() {
        alarm(0);
        if (saved_ >= 0) {
            dup2(saved_, STDIN_FILENO);
            close(saved_);
        } else {
            close(STDIN_FILENO);
        }
    }
    StdinReplacement(const StdinReplacement &) = delete;
    StdinReplacement &operator=(const StdinReplacement &) = delete;

private:
    int saved_;
};

TEST(KeyWait, EmptyInputEndsAtOnce) {
    int null = ClearOfStdio(open("/dev/null", O_RDONLY));
    ASSERT_GE(null, 0);
    StdinReplacement input(null);
    close(null);
    EXPECT_EQ(PlatformWaitKey(), -1);
}

TEST(KeyWait, PipeGivesItsBytesThenTheEnd) {
    int ends[2];
    ASSERT_TRUE(MakePipe(ends));
    ASSERT_EQ(write(ends[1], "x\xE4", 2), 2);
    close(ends[1]);
    StdinReplacement input(ends[0]);
    close(ends[0]);
    EXPECT_EQ(PlatformWaitKey(), 'x');
    EXPECT_EQ(PlatformWaitKey(), 0xE4);  // a high byte is a key, not the end
    EXPECT_EQ(PlatformWaitKey(), -1);
}

TEST(KeyWait, NonBlockingPipeWaitsForItsByte) {
    int ends[2];
    ASSERT_TRUE(MakePipe(ends));
    fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    std::fflush(nullptr);
    pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        close(ends[0]);
        usleep(100000);
        ssize_t written = write(ends[1], "y", 1);
        _exit(written == 1 ? 0 : 1);
    }
    close(ends[1]);
    {
        StdinReplacement input(ends[0]);
        close(ends[0]);
        EXPECT_EQ(PlatformWaitKey(), 'y');
    }
    int status = 0;
    waitpid(writer, &status, 0);
}

TEST(KeyWait, ClosedInputEndsAtOnce) {
    StdinReplacement input(-1);
    EXPECT_EQ(PlatformWaitKey(), -1);
}

// A closed standard stream is replaced in the direction it serves: input
// reads (its end at once), output and error take writes. Each row closes
// some of the three in a child of its own and checks every stream after the
// replacement, and which ones it says it opened.
TEST(StandardStreams, ClosedOnesAreReplacedForTheirDirection) {
    const unsigned rows[] = {kStandardInputOpened, kStandardOutputOpened, kStandardErrorOpened,
                             kStandardOutputOpened | kStandardErrorOpened,
                             kStandardInputOpened | kStandardOutputOpened | kStandardErrorOpened};
    for (const unsigned closed : rows) {
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (closed & kStandardInputOpened) close(STDIN_FILENO);
            if (closed & kStandardOutputOpened) close(STDOUT_FILENO);
            if (closed & kStandardErrorOpened) close(STDERR_FILENO);
            if (PlatformEnsureStandardStreams() != closed) _exit(10);
            char byte = 0;
            if ((closed & kStandardInputOpened) && read(STDIN_FILENO, &byte, 1) != 0) _exit(11);
            if ((closed & kStandardOutputOpened) && write(STDOUT_FILENO, "x", 1) != 1) _exit(12);
            if ((closed & kStandardErrorOpened) && write(STDERR_FILENO, "x", 1) != 1) _exit(13);
            // A second call finds all three open and opens nothing.
            if (PlatformEnsureStandardStreams() != 0) _exit(14);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "closed set " << closed << ": status " << status;
    }
}

// Interrupts watched by PlatformWatchInterrupts, each in a child of its
// own (the handlers and the flag last for the process). The child's input is
// a pipe whose writer stays open, so a wait that missed the interrupt would
// block until the test's time-out. Returns the child's wait status.
int InterruptedChild(void (*body)(int writer)) {
    std::fflush(nullptr);
    int ends[2];
    if (!MakePipe(ends)) return -1;
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        // Each body starts from the signals' default actions, whatever the
        // test run inherited (a run under nohup ignores SIGHUP).
        for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
        dup2(ends[0], STDIN_FILENO);
        close(ends[0]);
        body(ends[1]);
        _exit(99);
    }
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    close(ends[1]);
    return status;
}

// The first interrupt is only noted: the wait, before or during it, ends at
// once without a key; the end of the run raises it again.
TEST(Interrupts, FirstEndsTheWaitAndTheRunEndsByTheSignal) {
    const int before = InterruptedChild([](int) {
        PlatformWatchInterrupts();
        raise(SIGTERM);
        if (!PlatformInterrupted()) _exit(1);
        if (PlatformWaitKey() != -1) _exit(2);
        PlatformEndInterrupted();
    });
    EXPECT_TRUE(WIFSIGNALED(before) && WTERMSIG(before) == SIGTERM) << "status " << before;

    const int during = InterruptedChild([](int) {
        PlatformWatchInterrupts();
        if (PlatformInterrupted()) _exit(1);
        // The signal lands while the wait polls (or just before it).
        struct itimerval timer = {};
        timer.it_value.tv_usec = 100000;
        signal(SIGALRM, [](int) { kill(getpid(), SIGHUP); });
        setitimer(ITIMER_REAL, &timer, nullptr);
        if (PlatformWaitKey() != -1) _exit(2);
        if (!PlatformInterrupted()) _exit(3);
        PlatformEndInterrupted();
    });
    EXPECT_TRUE(WIFSIGNALED(during) && WTERMSIG(during) == SIGHUP) << "status " << during;
}

TEST(Interrupts, SecondEndsTheProcessAtOnce) {
    const int status = InterruptedChild([](int) {
        PlatformWatchInterrupts();
        raise(SIGINT);
        if (!PlatformInterrupted()) _exit(1);
        raise(SIGINT);
        _exit(2);
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
}

// nohup's choice holds: an ignored hang-up is no interrupt.
TEST(Interrupts, IgnoredSignalStaysIgnored) {
    const int status = InterruptedChild([](int) {
        signal(SIGHUP, SIG_IGN);
        PlatformWatchInterrupts();
        raise(SIGHUP);
        _exit(PlatformInterrupted() ? 1 : 0);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// A child waits for a key on the slave side of a pseudo-terminal; the test
// plays the user on the master side.
class TerminalWait : public ::testing::Test {
protected:
    void SetUp() override {
        master_ = ClearOfStdio(posix_openpt(O_RDWR | O_NOCTTY));
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            GTEST_SKIP() << "no pseudo-terminal: " << std::strerror(errno);
        }
        // Held open here so the terminal's settings outlive the child.
        slave_ = ClearOfStdio(open(ptsname(master_), O_RDWR | O_NOCTTY));
        ASSERT_GE(slave_, 0);
        struct termios cooked;
        ASSERT_EQ(tcgetattr(slave_, &cooked), 0);
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        ASSERT_EQ(tcsetattr(slave_, TCSANOW, &cooked), 0);
    }

    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }

    // The child's exit status is the key it read (255 for -1).
    void StartWaitingChild() {
        std::fflush(nullptr);
        child_ = fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            setpgid(0, 0);  // a group of its own, so a stop signal stops it
            dup2(slave_, STDIN_FILENO);
            close(master_);
            _exit(PlatformWaitKey() & 0xFF);
        }
    }

    bool TerminalIsRaw() {
        struct termios now;
        return tcgetattr(slave_, &now) == 0 && (now.c_lflag & (ICANON | ECHO)) == 0;
    }

    bool TerminalIsCooked() {
        struct termios now;
        return tcgetattr(slave_, &now) == 0 && (now.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO);
    }

    // Polls for up to ten seconds.
    template <typename Condition>
    bool Eventually(Condition condition) {
        for (int i = 0; i < 2000; ++i) {
            if (condition()) return true;
            usleep(5000);
        }
        return false;
    }

    bool ChildChanged(int flags, int &status) {
        return Eventually([&] { return waitpid(child_, &status, WNOHANG | flags) == child_; });
    }

    void ChildFinished(int &status) {
        ASSERT_TRUE(ChildChanged(0, status)) << "the wait did not end";
        child_ = 0;
    }

    int master_ = -1;
    int slave_ = -1;
    pid_t child_ = 0;
};

TEST_F(TerminalWait, OneKeyWithoutEnterAndWithoutEcho) {
    StartWaitingChild();
    ASSERT_TRUE(Eventually([&] { return TerminalIsRaw(); }));
    ASSERT_EQ(write(master_, "k", 1), 1);
    int status = 0;
    ChildFinished(status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 'k');
    EXPECT_TRUE(TerminalIsCooked());

    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    char echoed[16];
    EXPECT_LE(read(master_, echoed, sizeof echoed), 0) << "the key was echoed";
}

TEST_F(TerminalWait, TerminatingSignalRestoresTheTerminal) {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        StartWaitingChild();
        ASSERT_TRUE(Eventually([&] { return TerminalIsRaw(); }));
        kill(child_, signalNumber);
        int status = 0;
        ChildFinished(status);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signalNumber;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_TRUE(TerminalIsCooked()) << "signal " << signalNumber;
    }
}

TEST_F(TerminalWait, StopRestoresAndContinueResumesTheWait) {
    StartWaitingChild();
    ASSERT_TRUE(Eventually([&] { return TerminalIsRaw(); }));
    kill(child_, SIGTSTP);
    int status = 0;
    ASSERT_TRUE(ChildChanged(WUNTRACED, status));
    ASSERT_TRUE(WIFSTOPPED(status));
    EXPECT_TRUE(TerminalIsCooked());

    kill(child_, SIGCONT);
    ASSERT_TRUE(Eventually([&] { return TerminalIsRaw(); }));
    ASSERT_EQ(write(master_, "q", 1), 1);
    ChildFinished(status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 'q');
    EXPECT_TRUE(TerminalIsCooked());
}

}  // namespace
