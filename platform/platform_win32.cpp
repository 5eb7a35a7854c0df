// The current directory, the profile reader, the whole-file reader and the
// single-key wait on Windows: the system's own functions.
#include "platform/platform.h"
#include "platform/platform_file.h"

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

// A write to a closed pipe already fails without ending the process.
void PlatformStartUp() {}

bool PlatformIsHelpSwitch(const char *argument) { return std::strcmp(argument, "/?") == 0; }

unsigned PlatformEnsureStandardStreams() {
    struct StandardStream {
        DWORD handleId;
        FILE *stream;
        const char *mode;
        unsigned bit;
    };
    const StandardStream streams[] = {
        {STD_INPUT_HANDLE, stdin, "r", kStandardInputOpened},
        {STD_OUTPUT_HANDLE, stdout, "w", kStandardOutputOpened},
        {STD_ERROR_HANDLE, stderr, "w", kStandardErrorOpened},
    };
    unsigned opened = 0;
    for (const StandardStream &s : streams) {
        const HANDLE handle = GetStdHandle(s.handleId);
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) continue;
        FILE *reopened = std::freopen("NUL", s.mode, s.stream);
        if (reopened == nullptr) continue;
        // Code that asks the system for the standard handle gets the null
        // device too.
        const intptr_t nul = _get_osfhandle(_fileno(reopened));
        if (nul != -1) SetStdHandle(s.handleId, reinterpret_cast<HANDLE>(nul));
        opened |= s.bit;
    }
    return opened;
}

bool PlatformPathInCurrentDirectory(const char *fileName, char *path, size_t capacity) {
    if (path == nullptr || capacity == 0) return false;
    path[0] = '\0';
    if (fileName == nullptr) return false;

    // The ANSI profile functions take paths of at most MAX_PATH characters,
    // so a longer joined path could never be read: it counts as missing.
    char joined[MAX_PATH];
    DWORD directoryLength = GetCurrentDirectoryA(MAX_PATH, joined);
    // 0 is a failure; MAX_PATH or more is the size the directory would need.
    if (directoryLength == 0 || directoryLength >= MAX_PATH) return false;

    // A drive's root ("C:\") already ends in the separator.
    const char last = joined[directoryLength - 1];
    const char *separator = last != '\\' && last != '/' ? "\\" : "";
    const size_t needed = directoryLength + std::strlen(separator) + std::strlen(fileName) + 1u;
    if (needed > MAX_PATH || needed > capacity) return false;
    std::snprintf(path, needed, "%s%s%s", joined, separator, fileName);
    return true;
}

uint32_t PlatformReadProfileString(const char *section, const char *key, const char *defaultText,
                                   char *buffer, uint32_t size, const char *path) {
    if (buffer == nullptr || size == 0) return 0;
    // Without a file name the system would read win.ini instead. The default
    // loses its trailing blanks, as the system's reader does with it.
    if (path == nullptr || path[0] == '\0') {
        const char *text = defaultText != nullptr ? defaultText : "";
        size_t length = std::strlen(text);
        while (length > 0 && text[length - 1] == ' ') --length;
        std::snprintf(buffer, size, "%.*s", static_cast<int>(length), text);
        return static_cast<uint32_t>(std::strlen(buffer));
    }
    return GetPrivateProfileStringA(section, key, defaultText, buffer, size, path);
}

// The system's reader takes one key at a time; how often it reads the file
// is its own affair.
void PlatformReadProfileStrings(const ProfileQuery *queries, size_t count, const char *defaultText,
                                const char *path) {
    for (size_t i = 0; i < count; ++i) {
        PlatformReadProfileString(queries[i].section, queries[i].key, defaultText,
                                  queries[i].buffer, queries[i].size, path);
    }
}

namespace {

// Set by the first interrupt; read by the run between library calls.
volatile LONG interrupted = 0;

// Signalled by the first interrupt: ends a key wait on the console.
HANDLE interruptEvent = nullptr;

// Signalled by PlatformEndInterrupted once the run has released what it
// holds: closing the console ends the process as soon as the handler
// returns, so the handler waits for it.
HANDLE cleanedUpEvent = nullptr;

// The thread that runs the program, for the handler to cut short a read of
// a redirected input that would otherwise go on waiting.
HANDLE mainThread = nullptr;

// How long the handler of a closing console waits for the clean-up: the
// system ends the process about 5 s after calling it.
constexpr DWORD kCloseCleanupMillis = 4500;

// The console events that end a run the user gives up on.
bool EndsRun(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT;
}

// Opens path for no access at all, which any file allows and which takes no
// share away from other opens; a folder needs backup semantics.
HANDLE OpenForNoAccess(const char *path) {
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

// Runs on a thread of its own, started by the system for each event. Not
// static: the tests call it as the system would.
BOOL WINAPI PlatformConsoleInterruptHandler(DWORD event);
BOOL WINAPI PlatformConsoleInterruptHandler(DWORD event) {
    if (!EndsRun(event)) return FALSE;
    // A second interrupt: the system's own handler ends the process at once
    // with STATUS_CONTROL_C_EXIT.
    if (InterlockedExchange(&interrupted, 1) != 0) return FALSE;
    if (interruptEvent != nullptr) SetEvent(interruptEvent);
    if (mainThread != nullptr) CancelSynchronousIo(mainThread);
    if (event == CTRL_CLOSE_EVENT) {
        if (cleanedUpEvent != nullptr) WaitForSingleObject(cleanedUpEvent, kCloseCleanupMillis);
        return FALSE;
    }
    return TRUE;
}

void PlatformWatchInterrupts() {
    if (interruptEvent == nullptr) interruptEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (cleanedUpEvent == nullptr) cleanedUpEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (mainThread == nullptr) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread,
                        0, FALSE, DUPLICATE_SAME_ACCESS);
    }
    SetConsoleCtrlHandler(PlatformConsoleInterruptHandler, TRUE);
}

bool PlatformInterrupted() { return InterlockedCompareExchange(&interrupted, 0, 0) != 0; }

void PlatformEndInterrupted() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (cleanedUpEvent != nullptr) SetEvent(cleanedUpEvent);
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));
}

namespace {

// One byte of a redirected standard input (a file or a pipe), or -1 at its
// end, on an error, when there is no input at all, or once the run is
// interrupted (the handler cuts the read short).
int ReadOneByte(HANDLE input) {
    if (input == nullptr || input == INVALID_HANDLE_VALUE || PlatformInterrupted()) return -1;
    unsigned char byte = 0;
    DWORD count = 0;
    if (!ReadFile(input, &byte, 1, &count, nullptr) || count != 1) return -1;
    return PlatformInterrupted() ? -1 : byte;
}

// Waits until the console has a key for _getch, or the run is interrupted
// (false).
bool WaitForConsoleKey(HANDLE input) {
    for (;;) {
        if (PlatformInterrupted()) return false;
        if (_kbhit()) return true;
        // Only records _getch would pass over are queued (mouse, focus,
        // key releases): dropped, so that the wait does not spin on them.
        FlushConsoleInputBuffer(input);
        const HANDLE watched[2] = {input, interruptEvent};
        const DWORD watchedCount = interruptEvent != nullptr ? 2 : 1;
        const DWORD woken = WaitForMultipleObjects(watchedCount, watched, FALSE, INFINITE);
        if (woken == WAIT_FAILED) return !PlatformInterrupted();
    }
}

}  // namespace

int PlatformWaitKey() {
    std::fflush(stdout);

    // _getch reads the console, not standard input. Where standard input is
    // not a console (redirected, or a program started without one, as under
    // Wine in a build), the wait takes one byte of the input instead, as on
    // other systems, and never waits on a keyboard nobody watches.
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD consoleMode = 0;
    if (input == nullptr || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &consoleMode)) {
        return ReadOneByte(input);
    }

    if (!WaitForConsoleKey(input)) return -1;
    int key = _getch();
    // Function and arrow keys arrive as two codes; both belong to one press,
    // so the second must not answer the next wait.
    if (key == 0x00 || key == 0xE0) key = _getch();
    return key == EOF ? -1 : key & 0xFF;
}

// The system's text for error as a phrase: without its line end and final
// full stop, so that it reads alike inside parentheses in every program,
// and with its blanks for a name (%1, %2, ...) filled with subject, or left
// out where there is none; FormatMessage would read past an argument array
// for a text that has more blanks than arguments. "system error <n>" where
// the system has no text. Not static: the tests call it with codes the
// system cannot be made to fail with.
void PlatformSystemReason(DWORD error, const char *subject, char *reason, size_t reasonSize);
void PlatformSystemReason(DWORD error, const char *subject, char *reason, size_t reasonSize) {
    char text[1024];
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text, static_cast<DWORD>(sizeof text), nullptr);
    if (length == 0) {
        std::snprintf(reason, reasonSize, "system error %lu", static_cast<unsigned long>(error));
        return;
    }
    std::string phrase;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '%') {
            phrase += text[i];
            continue;
        }
        // "%%" and the like stand for the character itself; a blank is a
        // number, maybe with its format between exclamation marks.
        if (i + 1 >= length || text[i + 1] < '1' || text[i + 1] > '9') {
            if (i + 1 < length) phrase += text[++i];
            continue;
        }
        while (i + 1 < length && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
        if (i + 1 < length && text[i + 1] == '!') {
            const char *close =
                static_cast<const char *>(std::memchr(text + i + 2, '!', length - (i + 2)));
            if (close != nullptr) i = static_cast<size_t>(close - text);
        }
        if (subject != nullptr) phrase += subject;
    }
    phrase.erase(phrase.find_last_not_of("\r\n .") + 1);  // npos + 1: all of it
    PlatformStoreText(phrase.c_str(), reason, reasonSize);
}

namespace {

void StoreReason(DWORD error, char *reason, size_t reasonSize) {
    PlatformSystemReason(error, nullptr, reason, reasonSize);
}

// The C library's error number for a system error, as its own file
// functions give it (so that a message reads the same whichever call
// failed), or 0 for one it has no number for.
int CLibraryError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME:  // a name no file can have
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_DRIVE_LOCKED: return EACCES;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ENOMEM;
        default: return 0;
    }
}

// The C library's text for error where it has one, the system's otherwise.
void StoreFileReason(DWORD error, char *reason, size_t reasonSize) {
    const int number = CLibraryError(error);
    if (number != 0) PlatformStoreText(std::strerror(number), reason, reasonSize);
    if (number == 0) StoreReason(error, reason, reasonSize);
}

// Why path could not be opened (openError): missing, a path that cannot be
// followed, a folder, or a file that is there but refused.
WholeFileResult OpenFailure(const char *path, DWORD openError, char *reason, size_t reasonSize) {
    // Looking at the file is not opening it: whatever stands there now,
    // nothing is read.
    const bool missing = CLibraryError(openError) == ENOENT;
    const DWORD attributes = missing ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = missing ? openError : GetLastError();
        StoreFileReason(error, reason, reasonSize);
        return CLibraryError(error) == ENOENT ? kWholeFileMissing : kWholeFileNoPath;
    }
    // A folder is not opened without backup semantics.
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return kWholeFileFolder;
    StoreFileReason(openError, reason, reasonSize);
    return kWholeFileNotOpened;
}

}  // namespace

WholeFileResult PlatformOpenWholeFile(const char *path, intptr_t *file, uint64_t *size,
                                      char *reason, size_t reasonSize) {
    // Others may go on reading, writing, renaming or removing the file
    // while it is read, as they may on other systems.
    const HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return OpenFailure(path, GetLastError(), reason, reasonSize);
    }
    *file = reinterpret_cast<intptr_t>(handle);
    BY_HANDLE_FILE_INFORMATION information;
    LARGE_INTEGER bytes;
    // A console, NUL or a pipe is no file on a disk: a read could wait.
    if (GetFileType(handle) != FILE_TYPE_DISK) return kWholeFileNotRegular;
    if (GetFileInformationByHandle(handle, &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return kWholeFileFolder;
    }
    if (!GetFileSizeEx(handle, &bytes)) {
        StoreFileReason(GetLastError(), reason, reasonSize);
        return kWholeFileReadFailed;
    }
    *size = static_cast<uint64_t>(bytes.QuadPart);
    return kWholeFileRead;
}

long long PlatformReadFilePart(intptr_t file, char *buffer, size_t size, char *reason,
                               size_t reasonSize) {
    DWORD count = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(size), &count,
                  nullptr)) {
        StoreFileReason(GetLastError(), reason, reasonSize);
        return -1;
    }
    return count;
}

void PlatformCloseFile(intptr_t file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

namespace {

// The narrow form of units [0, count) in codePage into out (outSize bytes, no
// NUL added), or -1 when a character has none: a character the code page
// lacks becomes its default character, which is told, never taken.
int NarrowUnits(UINT codePage, const wchar_t *units, int count, char *out, int outSize) {
    // The UTF-8 code page takes neither flag nor default, and refuses an
    // unpaired surrogate only when asked to.
    const bool utf8 = codePage == CP_UTF8;
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(codePage, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, units,
                            count, out, outSize, nullptr, utf8 ? nullptr : &usedDefault);
    if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) return 0;
    return n == 0 || usedDefault ? -1 : n;
}

}  // namespace

NarrowPathResult PlatformNarrowPath(const char16_t *units, size_t count, char *out, size_t outSize,
                                    char *reason, size_t reasonSize) {
    if (outSize == 0) return kNarrowPathTooLong;
    out[0] = '\0';
    if (count == 0) return kNarrowPathDone;
    if (count > 0x7FFFFFFF || outSize > 0x7FFFFFFF) return kNarrowPathTooLong;
    const std::wstring wide(units, units + count);
    const UINT codePage = GetACP();
    // The whole path first; a path without a fault costs one conversion.
    const int n = NarrowUnits(codePage, wide.data(), static_cast<int>(count), out,
                              static_cast<int>(outSize) - 1);
    if (n > 0) {
        out[n] = '\0';
        return kNarrowPathDone;
    }
    out[0] = '\0';  // the part a failed conversion may have written
    // Else one character at a time, for the first without a form.
    char one[16];
    for (size_t i = 0; i < count; ++i) {
        const size_t first = i;
        const uint32_t c = PlatformCharacterAt(units, count, &i);
        const int width = static_cast<int>(i - first + 1);
        if (NarrowUnits(codePage, wide.data() + first, width, one, sizeof one) < 0) {
            PlatformStoreNoForm(c, codePage, reason, reasonSize);
            return kNarrowPathNoForm;
        }
    }
    return kNarrowPathTooLong;
}

bool PlatformResolveOutput(const char *path, char *target, size_t targetSize, OutputKind *kind,
                           char *reason, size_t reasonSize) {
    *kind = kOutputFile;
    const size_t length = std::strlen(path);
    if (length + 1 > targetSize) {
        StoreReason(ERROR_FILENAME_EXCED_RANGE, reason, reasonSize);
        return false;
    }
    std::memcpy(target, path, length + 1);
    // A console, NUL or a pipe is written straight into; only a file on a
    // disk is replaced whole.
    const HANDLE handle = OpenForNoAccess(path);
    if (handle != INVALID_HANDLE_VALUE) {
        if (GetFileType(handle) != FILE_TYPE_DISK) *kind = kOutputStream;
        CloseHandle(handle);
    }
    return true;
}

namespace {

// The file PlatformCreateFileBeside made, while it is neither renamed into
// place nor removed: a console event that ends the run removes it first.
// The handler runs on a thread of its own, so the lock guards the name.
CRITICAL_SECTION pendingLock;
INIT_ONCE pendingLockOnce = INIT_ONCE_STATIC_INIT;
char pendingFile[MAX_PATH];
bool pendingFileSet = false;

BOOL CALLBACK InitPendingLock(PINIT_ONCE, PVOID, PVOID *) {
    InitializeCriticalSection(&pendingLock);
    return TRUE;
}

void LockPendingFile() {
    InitOnceExecuteOnce(&pendingLockOnce, InitPendingLock, nullptr, nullptr);
    EnterCriticalSection(&pendingLock);
}

// Ctrl-C, Ctrl-Break and a closed console end the process once the
// handlers return FALSE. The file goes first; the lock is kept, so that
// the main thread cannot rename it meanwhile, until the process ends.
BOOL WINAPI RemovePendingFileOnEnd(DWORD event) {
    if (!EndsRun(event)) return FALSE;
    LockPendingFile();
    if (pendingFileSet) DeleteFileA(pendingFile);
    pendingFileSet = false;
    return FALSE;
}

// A crash (a library's, in zktdump) takes the file with it too; then the
// filter it replaced, and in the end the system, decide how the process ends.
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

LONG WINAPI RemovePendingFileOnCrash(EXCEPTION_POINTERS *pointers) {
    LockPendingFile();
    if (pendingFileSet) DeleteFileA(pendingFile);
    pendingFileSet = false;
    LeaveCriticalSection(&pendingLock);
    return previousFilter != nullptr ? previousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

FILE *PlatformCreateFileBeside(const char *path, char *tempPath, size_t tempPathSize, char *reason,
                               size_t reasonSize) {
    // The folder part of path, up to its last separator or a drive's colon;
    // "." when it has none.
    std::string folder = path;
    folder.resize(folder.find_last_of("\\/") + 1);  // npos + 1: none
    if (folder.empty() && path[0] != '\0' && path[1] == ':') folder.assign(path, 2);
    // A name the system refuses is refused now: the file beside it has a
    // short name of its own and would be made, only for the rename at the
    // end to fail.
    if ((GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES &&
         GetLastError() == ERROR_FILENAME_EXCED_RANGE) ||
        folder.size() >= MAX_PATH || tempPathSize < MAX_PATH) {
        StoreReason(ERROR_FILENAME_EXCED_RANGE, reason, reasonSize);
        return nullptr;
    }
    if (folder.empty()) folder = ".";
    static bool handlerInstalled = false;
    if (!handlerInstalled) handlerInstalled = SetConsoleCtrlHandler(RemovePendingFileOnEnd, TRUE);
    static const bool filterInstalled =
        (previousFilter = SetUnhandledExceptionFilter(RemovePendingFileOnCrash), true);
    (void)filterInstalled;
    // Creates the file under a name of its own (zkd, four hex digits, .tmp),
    // recorded for the handler at once.
    LockPendingFile();
    const bool created = GetTempFileNameA(folder.c_str(), "zkd", 0, pendingFile) != 0;
    const DWORD createError = GetLastError();
    pendingFileSet = created;
    if (created) std::memcpy(tempPath, pendingFile, std::strlen(pendingFile) + 1);
    LeaveCriticalSection(&pendingLock);
    if (!created) {
        StoreReason(createError, reason, reasonSize);
        return nullptr;
    }
    // Opened so that the handler can delete it while it is being written.
    const HANDLE handle = CreateFileA(tempPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        StoreReason(GetLastError(), reason, reasonSize);
        PlatformDiscardFile(tempPath);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    FILE *file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (file == nullptr) {
        StoreReason(fd < 0 ? ERROR_TOO_MANY_OPEN_FILES : ERROR_NOT_ENOUGH_MEMORY, reason,
                    reasonSize);
        if (fd < 0) CloseHandle(handle);
        if (fd >= 0) _close(fd);
        PlatformDiscardFile(tempPath);
    }
    return file;
}

bool PlatformReplaceFile(const char *from, const char *to, char *reason, size_t reasonSize) {
    // A plain rename refuses to replace an existing file here. Renamed and
    // forgotten under the lock: the handler must not delete the user's
    // finished file.
    LockPendingFile();
    const bool moved = MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const DWORD error = GetLastError();
    if (moved) pendingFileSet = false;
    LeaveCriticalSection(&pendingLock);
    if (!moved) StoreReason(error, reason, reasonSize);
    return moved;
}

void PlatformDiscardFile(const char *tempPath) {
    LockPendingFile();
    DeleteFileA(tempPath);
    pendingFileSet = false;
    LeaveCriticalSection(&pendingLock);
}

const char *const kPlatformBoardLibraryName = "ZKT.DLL";

namespace {

HANDLE HandleOf(FILE *file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

bool HandleIdentity(HANDLE handle, FileIdentity *identity) {
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info)) {
        identity->volume = info.dwVolumeSerialNumber;
        identity->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        identity->regular = GetFileType(handle) == FILE_TYPE_DISK &&
                            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        return true;
    }
    // A handle that came in from outside as a standard stream may refuse
    // the query above (Wine's, for a file the host opened) and still tell
    // its file's id, with the volume unknown (0): SameFile then compares
    // the ids alone.
    FILE_ID_INFO id;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id) ||
        !GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        return false;
    }
    identity->volume = id.VolumeSerialNumber;
    std::memcpy(&identity->index, id.FileId.Identifier, sizeof identity->index);
    identity->regular = GetFileType(handle) == FILE_TYPE_DISK && !standard.Directory;
    return true;
}

}  // namespace

bool PlatformFileIdentity(const char *path, FileIdentity *identity) {
    const HANDLE handle = OpenForNoAccess(path);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = HandleIdentity(handle, identity);
    CloseHandle(handle);
    return known;
}

bool PlatformOpenFileIdentity(FILE *file, FileIdentity *identity) {
    return HandleIdentity(HandleOf(file), identity);
}

FileLockResult PlatformLockFile(FILE *file) {
    OVERLAPPED whole = {};
    if (LockFileEx(HandleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                   MAXDWORD, &whole)) {
        return kFileLockTaken;
    }
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kFileLockHeld
                                                                      : kFileLockUnavailable;
}

int PlatformTruncateFile(FILE *file, uint64_t length) {
    if (std::fflush(file) != 0) return errno;
    return _chsize_s(_fileno(file), static_cast<__int64>(length));
}

void *PlatformLoadLibrary(const char *name, char *reason, size_t reasonSize) {
    // The search of an imported DLL: the program's folder, the system's
    // folders, the current folder, then PATH.
    HMODULE module = LoadLibraryA(name);
    if (module == nullptr) PlatformSystemReason(GetLastError(), name, reason, reasonSize);
    return module;
}

void *PlatformLoadLibraryFile(const char *path, char *reason, size_t reasonSize) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) PlatformSystemReason(GetLastError(), path, reason, reasonSize);
    return module;
}

void *PlatformLibrarySymbol(void *library, const char *name) {
    const FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
    void *copy = nullptr;
    static_assert(sizeof copy == sizeof address, "function and object pointers differ in size");
    std::memcpy(&copy, &address, sizeof copy);
    return copy;
}

bool PlatformLibraryPath(void *library, char *path, size_t pathSize) {
    if (pathSize == 0 || pathSize > 0xFFFFFFFFu) return false;
    const DWORD n =
        GetModuleFileNameA(static_cast<HMODULE>(library), path, static_cast<DWORD>(pathSize));
    return n > 0 && n < pathSize;
}
