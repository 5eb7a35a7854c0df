// The Windows platform layer: where the settings path comes from, when it
// counts as missing, the whole-file reader on a device and a held file, and
// how the key wait behaves without a console.
#include "platform/platform.h"
#include "tests/platform/narrow_path_rows.h"

#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

// The console's interrupt handler in the platform layer, called here as the
// system calls it: the console's own events cannot be sent under Wine.
BOOL WINAPI PlatformConsoleInterruptHandler(DWORD event);

// The system's reason for an error as the platform layer words it, called
// with codes no call here can be made to fail with.
void PlatformSystemReason(DWORD error, const char *subject, char *reason, size_t reasonSize);

namespace {

std::string CurrentDirectory() {
    char directory[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
    EXPECT_GT(length, 0u);
    EXPECT_LT(length, static_cast<DWORD>(MAX_PATH));
    return std::string(directory, length);
}

std::string WithSeparator(const std::string &directory) {
    char last = directory.empty() ? '\0' : directory.back();
    return last == '\\' || last == '/' ? directory : directory + "\\";
}

TEST(Win32SettingsPath, IsTheCurrentDirectoryAndTheName) {
    char path[4096];
    ASSERT_TRUE(PlatformPathInCurrentDirectory("quilmar.ini", path, sizeof path));
    EXPECT_EQ(std::string(path), WithSeparator(CurrentDirectory()) + "quilmar.ini");
}

// The joined path must fit the caller's buffer and MAX_PATH (what the ANSI
// profile reader accepts); one character more counts as a missing file and
// leaves the buffer empty, never cut.
TEST(Win32SettingsPath, TooLongCountsAsMissing) {
    const size_t directoryPart = WithSeparator(CurrentDirectory()).size();
    ASSERT_LT(directoryPart + 2, static_cast<size_t>(MAX_PATH));
    const std::string fitsMaxPath(MAX_PATH - 1 - directoryPart, 'n');
    const std::string name = "quilmar.ini";
    const size_t needed = directoryPart + name.size() + 1;

    char path[4096];
    ASSERT_TRUE(PlatformPathInCurrentDirectory(fitsMaxPath.c_str(), path, sizeof path));
    EXPECT_EQ(std::strlen(path), static_cast<size_t>(MAX_PATH - 1));

    std::memset(path, '#', sizeof path);
    EXPECT_FALSE(PlatformPathInCurrentDirectory((fitsMaxPath + "n").c_str(), path, sizeof path));
    EXPECT_EQ(path[0], '\0');

    ASSERT_TRUE(PlatformPathInCurrentDirectory(name.c_str(), path, needed));
    EXPECT_EQ(std::strlen(path), needed - 1);

    std::memset(path, '#', sizeof path);
    EXPECT_FALSE(PlatformPathInCurrentDirectory(name.c_str(), path, needed - 1));
    EXPECT_EQ(path[0], '\0');
    EXPECT_EQ(path[needed - 1], '#') << "written past the capacity";
}

TEST(Win32ProfileReader, NoFileNameGivesTheDefault) {
    char buffer[8];
    EXPECT_EQ(PlatformReadProfileString("Option", "OutputFreq", "0", buffer, sizeof buffer, ""),
              1u);
    EXPECT_STREQ(buffer, "0");
    EXPECT_EQ(PlatformReadProfileString("Option", "OutputFreq", "123456789", buffer, sizeof buffer,
                                        nullptr),
              7u);
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_EQ(PlatformReadProfileString("Option", "OutputFreq", "0  ", buffer, sizeof buffer, ""),
              1u);
    EXPECT_STREQ(buffer, "0");
}

// A new file in the temporary folder, named in fileName, open for reading
// and writing and shared with no other handle, deleted when closed;
// INVALID_HANDLE_VALUE when it cannot be made.
HANDLE CreateUnsharedTempFile(char (&fileName)[MAX_PATH]) {
    char directory[MAX_PATH];
    if (GetTempPathA(MAX_PATH, directory) == 0 ||
        GetTempFileNameA(directory, "qlm", 0, fileName) == 0) {
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// A device is refused as it is; a file that another program holds without
// sharing is there but cannot be opened, in the C library's words.
TEST(Win32WholeFile, DeviceAndHeldFileAreNotRead) {
    char fileName[MAX_PATH];
    HANDLE held = CreateUnsharedTempFile(fileName);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const struct {
        const char *path;
        WholeFileResult result;
        std::string reason;
    } rows[] = {
        {"NUL", kWholeFileNotRegular, "not a regular file"},
        {fileName, kWholeFileNotOpened, std::strerror(EACCES)},
    };
    for (const auto &row : rows) {
        std::string content = "left over";
        char reason[128];
        EXPECT_EQ(PlatformReadWholeFile(row.path, 100, &content, reason, sizeof reason), row.result)
            << row.path;
        EXPECT_EQ(content, "") << row.path;
        EXPECT_EQ(std::string(reason), row.reason) << row.path;
    }
    CloseHandle(held);
}

// A reason reads as a phrase inside the parentheses of every program's
// message: no blank of the system's text left unfilled, no full stop or line
// end at its end, the subject where the text has a blank for it, and a
// number where the system has no text.
TEST(Win32SystemReason, FillsItsBlanksAndEndsWithoutAFullStop) {
    const char subject[] = "C:\\boards\\ZKT.DLL";
    const struct {
        DWORD error;
        const char *subject;
        bool named;  // the subject shows
    } rows[] = {
        {ERROR_BAD_EXE_FORMAT, subject, true},
        {ERROR_BAD_EXE_FORMAT, nullptr, false},
        {ERROR_MOD_NOT_FOUND, subject, false},
        {ERROR_FILE_NOT_FOUND, nullptr, false},
    };
    for (const auto &row : rows) {
        char reason[512];
        PlatformSystemReason(row.error, row.subject, reason, sizeof reason);
        const std::string text = reason;
        ASSERT_FALSE(text.empty()) << row.error;
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_NE(text.back(), ' ') << text;
        EXPECT_EQ(text.rfind("system error", 0), std::string::npos) << text;
        EXPECT_EQ(text.find(subject) != std::string::npos, row.named) << text;
    }
    char reason[32];
    PlatformSystemReason(0x2FFFFFFF, subject, reason, sizeof reason);
    EXPECT_STREQ(reason, "system error 805306367");
    PlatformSystemReason(0x2FFFFFFF, nullptr, reason, 8);
    EXPECT_STREQ(reason, "system ");
}

// The programs load the library by its name and the proxy by its path: for
// one failure both give one reason, and it names the file.
TEST(Win32LoadLibrary, ByNameAndByPathGiveOneReason) {
    TempDir folder;
    const std::string notALibrary = folder.WriteFile("ZKT.DLL", "not a library\n");
    const std::string missing = (folder.Path() / "missing.dll").string();
    for (const std::string &path : {notALibrary, missing}) {
        char byName[512];
        char byPath[512];
        EXPECT_EQ(PlatformLoadLibrary(path.c_str(), byName, sizeof byName), nullptr) << path;
        EXPECT_EQ(PlatformLoadLibraryFile(path.c_str(), byPath, sizeof byPath), nullptr) << path;
        EXPECT_STREQ(byName, byPath);
        EXPECT_EQ(std::strchr(byName, '%'), nullptr) << byName;
        EXPECT_NE(byName[0], '\0');
        EXPECT_NE(byName[std::strlen(byName) - 1], '.') << byName;
    }
    char reason[512];
    EXPECT_EQ(PlatformLoadLibraryFile(notALibrary.c_str(), reason, sizeof reason), nullptr);
    EXPECT_NE(std::strstr(reason, notALibrary.c_str()), nullptr)
        << reason << ": the system's text has a blank for the file, filled with its path";
}

// A path is put in the ANSI code page without a character lost: one the
// code page lacks, or has only a look-alike for, is refused and named.
TEST(Win32NarrowPath, KeepsEveryCharacterOrRefuses) {
    if (GetACP() != 1252) GTEST_SKIP() << "rows for code page 1252; this is " << GetACP();
    ExpectNarrowPaths(
        {
            {u"trac\u00E9.log", kNarrowPathDone, "trac\xE9.log"},
            {u"\u20AC", kNarrowPathDone, "\x80"},
            {u"", kNarrowPathDone, ""},
            {u"a\u0141b", kNarrowPathNoForm, "U+0141 has no form in code page 1252"},
            // Read as 'A' where look-alikes were taken.
            {u"\u0100.log", kNarrowPathNoForm, "U+0100 has no form in code page 1252"},
            {u"x\U0001F600", kNarrowPathNoForm, "U+1F600 has no form in code page 1252"},
            {u"x\xD83D", kNarrowPathNoForm, "U+D83D has no form in code page 1252"},
        },
        u"\u00E9t\u00E9", "\xE9t\xE9");
}

// Puts another handle in place of standard input for one test.
class StandardInput {
public:
    explicit StandardInput(HANDLE replacement) : saved_(GetStdHandle(STD_INPUT_HANDLE)) {
        SetStdHandle(STD_INPUT_HANDLE, replacement);
    }
    ~StandardInput() { SetStdHandle(STD_INPUT_HANDLE, saved_); }
    StandardInput(const StandardInput &) = delete;
    StandardInput &operator=(const StandardInput &) = delete;

private:
    HANDLE saved_;
};

TEST(Win32KeyWait, TakesOneByteOfAPipeAtATime) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writeEnd, "k\r\n\xff", 4, &written, nullptr));
    CloseHandle(writeEnd);
    {
        StandardInput input(readEnd);
        // Bytes as they are: no text-mode translation of CR LF.
        EXPECT_EQ(PlatformWaitKey(), 'k');
        EXPECT_EQ(PlatformWaitKey(), '\r');
        EXPECT_EQ(PlatformWaitKey(), '\n');
        EXPECT_EQ(PlatformWaitKey(), 0xFF);
        EXPECT_EQ(PlatformWaitKey(), -1);
        EXPECT_EQ(PlatformWaitKey(), -1) << "end of input stays the end";
    }
    CloseHandle(readEnd);
}

TEST(Win32KeyWait, TakesOneByteOfAFile) {
    char fileName[MAX_PATH];
    HANDLE file = CreateUnsharedTempFile(fileName);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "xy", 2, &written, nullptr));
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    {
        StandardInput input(file);
        EXPECT_EQ(PlatformWaitKey(), 'x');
        EXPECT_EQ(PlatformWaitKey(), 'y');
        EXPECT_EQ(PlatformWaitKey(), -1);
    }
    CloseHandle(file);
}

// A character device that is not a console (NUL) and a missing standard
// input both end the wait at once instead of waiting for a keyboard.
TEST(Win32KeyWait, ReturnsAtOnceWithoutInput) {
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(nul, INVALID_HANDLE_VALUE);
    {
        StandardInput input(nul);
        EXPECT_EQ(PlatformWaitKey(), -1);
    }
    CloseHandle(nul);
    {
        StandardInput input(nullptr);
        EXPECT_EQ(PlatformWaitKey(), -1);
    }
    {
        StandardInput input(INVALID_HANDLE_VALUE);
        EXPECT_EQ(PlatformWaitKey(), -1);
    }
}

// Last in the file: the interrupt lasts for the process. Ctrl-C during a
// wait on a pipe that gets no byte: the handler takes the event (TRUE: the
// run goes on to release what it holds), the wait ends without a key, and a
// second Ctrl-C is left to the system (FALSE), which ends the process at once.
TEST(Win32Interrupts, FirstEndsTheWaitSecondIsTheSystems) {
    PlatformWatchInterrupts();
    EXPECT_FALSE(PlatformInterrupted());
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    struct Interrupter {
        HANDLE writeEnd;
        BOOL handled;
    } interrupter = {writeEnd, FALSE};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID context) WINAPI -> DWORD {
            auto *self = static_cast<Interrupter *>(context);
            Sleep(100);
            self->handled = PlatformConsoleInterruptHandler(CTRL_C_EVENT);
            // Where the read cannot be cut short, a late byte must still
            // not count as a key.
            Sleep(200);
            DWORD written = 0;
            WriteFile(self->writeEnd, "z", 1, &written, nullptr);
            return 0;
        },
        &interrupter, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    {
        StandardInput input(readEnd);
        EXPECT_EQ(PlatformWaitKey(), -1);
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(interrupter.handled);
    EXPECT_TRUE(PlatformInterrupted());
    EXPECT_EQ(PlatformWaitKey(), -1) << "no wait once interrupted";
    EXPECT_FALSE(PlatformConsoleInterruptHandler(CTRL_BREAK_EVENT));
    EXPECT_FALSE(PlatformConsoleInterruptHandler(CTRL_LOGOFF_EVENT));
    CloseHandle(writeEnd);
    CloseHandle(readEnd);
}

}  // namespace
