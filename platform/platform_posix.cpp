// Start-up, the current directory, the single-key wait and whole-file
// replacement on POSIX systems.
#include "platform/platform.h"
#include "platform/platform_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// An action that runs handler with the count signals of blocked held back.
struct sigaction ActionOf(void (*handler)(int), const int *blocked, size_t count, int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < count; ++i) sigaddset(&action.sa_mask, blocked[i]);
    action.sa_flags = flags;
    return action;
}

// Handlers installed for a list of signals, and those they replaced.
struct SignalHandlers {
    const int *signals;
    size_t count;  // at most 8
    struct sigaction previous[8];
    bool installed[8];
};

// Installs handler for each signal of the list, all of them held back while
// it runs, but for those the user has chosen to ignore (nohup, a background
// job) and those keep already answers.
void InstallHandlers(SignalHandlers *set, void (*handler)(int), int flags, void (*keep)(int)) {
    const struct sigaction action = ActionOf(handler, set->signals, set->count, flags);
    for (size_t i = 0; i < set->count; ++i) {
        struct sigaction &previous = set->previous[i];
        set->installed[i] = sigaction(set->signals[i], nullptr, &previous) == 0 &&
                            previous.sa_handler != SIG_IGN && previous.sa_handler != keep;
        if (set->installed[i]) sigaction(set->signals[i], &action, nullptr);
    }
}

void RestoreHandlers(const SignalHandlers &set) {
    for (size_t i = 0; i < set.count; ++i) {
        if (set.installed[i]) sigaction(set.signals[i], &set.previous[i], nullptr);
    }
}

}  // namespace

void PlatformStartUp() {
    // A write to a pipe without a reader fails with EPIPE instead of killing
    // the process.
    std::signal(SIGPIPE, SIG_IGN);
}

bool PlatformIsHelpSwitch(const char *) { return false; }

unsigned PlatformEnsureStandardStreams() {
    unsigned opened = 0;
    // In descriptor order: open returns the lowest free descriptor, which is
    // the closed one being replaced.
    const int descriptors[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};
    const unsigned bits[] = {kStandardInputOpened, kStandardOutputOpened, kStandardErrorOpened};
    for (size_t i = 0; i < 3; ++i) {
        if (fcntl(descriptors[i], F_GETFD) >= 0 || errno != EBADF) continue;
        const int fd = open("/dev/null", O_RDWR);
        if (fd < 0) continue;
        if (fd != descriptors[i]) {
            dup2(fd, descriptors[i]);
            close(fd);
        }
        opened |= bits[i];
    }
    return opened;
}

bool PlatformPathInCurrentDirectory(const char *fileName, char *path, size_t capacity) {
    if (path == nullptr || capacity == 0) return false;
    path[0] = '\0';
    if (fileName == nullptr) return false;
    const size_t nameLength = std::strlen(fileName);
    if (getcwd(path, capacity) != nullptr) {
        size_t directoryLength = std::strlen(path);
        // The root directory already ends in the separator.
        const bool needSeparator = directoryLength == 0 || path[directoryLength - 1] != '/';
        if (directoryLength + (needSeparator ? 1u : 0u) + nameLength + 1u <= capacity) {
            if (needSeparator) path[directoryLength++] = '/';
            std::memcpy(path + directoryLength, fileName, nameLength + 1u);
            return true;
        }
    }
    // "./" and fileName: the file in the current directory however deep that
    // is, since the system resolves it from the directory itself.
    path[0] = '\0';
    if (2u + nameLength + 1u > capacity) return false;
    std::snprintf(path, capacity, "./%s", fileName);
    return true;
}

namespace {

// The terminal as it was before the wait, for the signal handlers to put
// back. Written before any handler is installed, read-only afterwards.
struct termios savedTerminal;

// Set while a wait holds the terminal in raw mode, so that a signal ending
// the process puts it back first.
volatile sig_atomic_t terminalRaw = 0;

// The interrupt that arrived since PlatformWatchInterrupts, or 0.
volatile sig_atomic_t interruptSignal = 0;

// The pipe an interrupt writes a byte into, so that a wait polling its read
// end wakes up whenever the signal lands, even between the wait's look at
// interruptSignal and its poll.
int wakePipe[2] = {-1, -1};

// The signals that end a run the user gives up on: Ctrl-C, kill, a closed
// terminal.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe calls in here. Does not return, but for a stop.
void RaiseWithDefaultAction(int signalNumber) {
    // The action's mask holds the signal alone: the set to unblock.
    const struct sigaction defaultAction = ActionOf(SIG_DFL, &signalNumber, 1, 0);
    sigaction(signalNumber, &defaultAction, nullptr);
    sigprocmask(SIG_UNBLOCK, &defaultAction.sa_mask, nullptr);
    raise(signalNumber);
}

// Only async-signal-safe calls in here. The first interrupt is only noted:
// the run releases what it holds and ends itself. A second one ends the
// process at once, the terminal put back first.
void NoteInterrupt(int signalNumber) {
    const int savedErrno = errno;
    if (interruptSignal != 0) {
        if (terminalRaw) tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        RaiseWithDefaultAction(signalNumber);
    }
    interruptSignal = signalNumber;
    if (wakePipe[1] >= 0) {
        const char wake = 0;
        ssize_t ignored = write(wakePipe[1], &wake, 1);
        (void)ignored;
    }
    errno = savedErrno;
}

const int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGTSTP};

// The terminal as it was, but for one key at a time and no echo.
void SetRawTerminal() {
    struct termios raw = savedTerminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

// Only async-signal-safe calls in here. The terminal is put back, then the
// signal takes its default action. A stop resumes the wait in raw mode
// when the process is continued.
void RestoreTerminalAndResignal(int signalNumber) {
    int savedErrno = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    RaiseWithDefaultAction(signalNumber);

    // Only a stop returns here, once the process is continued. No
    // SA_RESTART: the read loop retries itself.
    const struct sigaction again =
        ActionOf(RestoreTerminalAndResignal, kRestoringSignals, std::size(kRestoringSignals), 0);
    sigaction(signalNumber, &again, nullptr);
    SetRawTerminal();
    errno = savedErrno;
}

// One byte from standard input, or -1 at end of input, on an error or once
// the run is interrupted. The input is polled together with the wake pipe,
// and read only when it has something, so no read can outlast an interrupt.
int ReadOneByte() {
    for (;;) {
        if (interruptSignal != 0) return -1;
        struct pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        if (poll(watched, wakePipe[0] >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (interruptSignal != 0) return -1;
        if (watched[0].revents == 0) continue;
        unsigned char byte = 0;
        const ssize_t count = read(STDIN_FILENO, &byte, 1);
        if (count == 1) return byte;
        if (count == 0) return -1;
        // Another reader of a shared input may have taken the byte.
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        return -1;
    }
}

}  // namespace

void PlatformWatchInterrupts() {
    // A failure leaves wakePipe as it was: no pipe, and a wait without it.
    if (wakePipe[0] < 0) pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK);
    // A library call under way is not cut short by the interrupt: it takes
    // effect once the call returns.
    SignalHandlers interrupts = {kEndingSignals, std::size(kEndingSignals), {}, {}};
    InstallHandlers(&interrupts, NoteInterrupt, SA_RESTART, SIG_IGN);
}

bool PlatformInterrupted() { return interruptSignal != 0; }

void PlatformEndInterrupted() {
    std::fflush(stdout);
    std::fflush(stderr);
    const int signalNumber = interruptSignal;
    if (signalNumber != 0) RaiseWithDefaultAction(signalNumber);
    // Only if the signal could not end the process.
    _exit(128 + signalNumber);
}

int PlatformWaitKey() {
    std::fflush(stdout);
    if (fcntl(STDIN_FILENO, F_GETFD) < 0) return -1;

    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return ReadOneByte();
    }

    // Those PlatformWatchInterrupts answers already end the wait themselves.
    SignalHandlers signals = {kRestoringSignals, std::size(kRestoringSignals), {}, {}};
    InstallHandlers(&signals, RestoreTerminalAndResignal, 0, NoteInterrupt);
    // Typed-ahead keys stay in the queue: the first of them is the answer.
    SetRawTerminal();
    terminalRaw = 1;
    int key = ReadOneByte();
    terminalRaw = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    RestoreHandlers(signals);
    return key;
}

namespace {

void StoreReason(int error, char *reason, size_t reasonSize) {
    PlatformStoreText(std::strerror(error), reason, reasonSize);
}

// Why path could not be opened (openError): missing, a path that cannot be
// followed, or a file that is there but refused.
WholeFileResult OpenFailure(const char *path, int openError, char *reason, size_t reasonSize) {
    // Looking at the file is not opening it: whatever stands there now,
    // nothing is read.
    struct stat info;
    if (openError != ENOENT && stat(path, &info) == 0) {
        StoreReason(openError, reason, reasonSize);
        return kWholeFileNotOpened;
    }
    const int error = openError == ENOENT ? ENOENT : errno;
    StoreReason(error, reason, reasonSize);
    return error == ENOENT ? kWholeFileMissing : kWholeFileNoPath;
}

// The result of call, made again for as long as a signal cuts it short.
template <typename Call>
auto RetriedOnInterrupt(Call call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace

WholeFileResult PlatformOpenWholeFile(const char *path, intptr_t *file, uint64_t *size,
                                      char *reason, size_t reasonSize) {
    // Without O_NONBLOCK, opening a named pipe would wait for a writer for
    // good before it could be told apart from a file.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenFailure(path, errno, reason, reasonSize);
    *file = fd;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        StoreReason(errno, reason, reasonSize);
        return kWholeFileReadFailed;
    }
    if (S_ISDIR(info.st_mode)) return kWholeFileFolder;
    if (!S_ISREG(info.st_mode)) return kWholeFileNotRegular;
    *size = info.st_size > 0 ? static_cast<uint64_t>(info.st_size) : 0u;
    return kWholeFileRead;
}

long long PlatformReadFilePart(intptr_t file, char *buffer, size_t size, char *reason,
                               size_t reasonSize) {
    const ssize_t count =
        RetriedOnInterrupt([&] { return read(static_cast<int>(file), buffer, size); });
    if (count < 0) StoreReason(errno, reason, reasonSize);
    return count;
}

void PlatformCloseFile(intptr_t file) { close(static_cast<int>(file)); }

namespace {

// The links a path may pass through before it counts as a loop, as the
// system counts them.
constexpr int kMaxLinkHops = 40;

bool StoreTarget(const std::string &path, char *target, size_t targetSize, char *reason,
                 size_t reasonSize) {
    if (path.size() + 1 > targetSize) {
        StoreReason(ENAMETOOLONG, reason, reasonSize);
        return false;
    }
    std::memcpy(target, path.c_str(), path.size() + 1);
    return true;
}

// Follows links one at a time to the name they end in, for a link whose
// final target does not exist yet (the system cannot resolve it).
bool FollowDanglingLinks(const char *path, std::string *end, char *reason, size_t reasonSize) {
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *end = current;
            return true;
        }
        std::string link(static_cast<size_t>(info.st_size) + 256u, '\0');
        const ssize_t length = readlink(current.c_str(), &link[0], link.size());
        if (length < 0 || static_cast<size_t>(length) >= link.size()) {
            StoreReason(length < 0 ? errno : ENAMETOOLONG, reason, reasonSize);
            return false;
        }
        link.resize(static_cast<size_t>(length));
        // A relative link is relative to the folder that holds it (npos + 1:
        // none, the current folder).
        const bool relative = link.empty() || link[0] != '/';
        current.resize(relative ? current.rfind('/') + 1 : 0);
        current += link;
    }
    StoreReason(ELOOP, reason, reasonSize);
    return false;
}

}  // namespace

bool PlatformResolveOutput(const char *path, char *target, size_t targetSize, OutputKind *kind,
                           char *reason, size_t reasonSize) {
    *kind = kOutputFile;
    struct stat info;
    if (stat(path, &info) == 0) {
        // A pipe, terminal or device is written where the path leads, links
        // and all: /dev/stdout names whatever standard output is.
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) *kind = kOutputStream;
        struct stat own;
        if (*kind == kOutputStream || lstat(path, &own) != 0 || !S_ISLNK(own.st_mode)) {
            return StoreTarget(path, target, targetSize, reason, reasonSize);
        }
        char *resolved = realpath(path, nullptr);
        if (resolved == nullptr) {
            StoreReason(errno, reason, reasonSize);
            return false;
        }
        const bool stored = StoreTarget(resolved, target, targetSize, reason, reasonSize);
        std::free(resolved);
        return stored;
    }
    if (errno == ELOOP) {
        StoreReason(errno, reason, reasonSize);
        return false;
    }
    // Nothing there yet, or nothing the system lets us look at: creating the
    // file says why when it cannot be made.
    std::string end;
    return FollowDanglingLinks(path, &end, reason, reasonSize) &&
           StoreTarget(end, target, targetSize, reason, reasonSize);
}

namespace {

// The file PlatformCreateFileBeside made, while it is neither renamed into
// place nor removed: a signal that ends the run removes it first. Written
// only while the signals below are blocked.
char pendingFile[4096];
volatile sig_atomic_t pendingFileSet = 0;

// Those that end a run, and those of a library that crashes.
const int kRemovingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
SignalHandlers removingHandlers = {kRemovingSignals, std::size(kRemovingSignals), {}, {}};

// Only async-signal-safe calls in here: the file goes, then the signal
// takes its default action, so the run ends as it would have.
void RemovePendingFileAndResignal(int signalNumber) {
    if (pendingFileSet != 0) unlink(pendingFile);
    pendingFileSet = 0;
    RaiseWithDefaultAction(signalNumber);
}

// Returns the mask to put back.
sigset_t BlockRemovingSignals() {
    sigset_t blocked;
    sigset_t previous;
    sigemptyset(&blocked);
    for (int signalNumber : kRemovingSignals) sigaddset(&blocked, signalNumber);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    return previous;
}

// Called with the signals blocked, once the pending file is renamed or
// removed.
void ForgetPendingFile() {
    if (pendingFileSet == 0) return;
    pendingFileSet = 0;
    RestoreHandlers(removingHandlers);
}

// The permissions the new file gets: those of the file it replaces, or
// those any new file of this user gets. Set-user-ID, set-group-ID and sticky
// bits are not carried over: a file zktdump writes is no program.
mode_t ModeOfReplacement(const struct stat *existing) {
    if (existing != nullptr) return existing->st_mode & static_cast<mode_t>(0777);
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666) & ~mask;
}

}  // namespace

FILE *PlatformCreateFileBeside(const char *path, char *tempPath, size_t tempPathSize, char *reason,
                               size_t reasonSize) {
    // A name the folder cannot hold, or a path that cannot be followed, is
    // refused now: the file beside it has a short name of its own and would
    // be made, only for the rename at the end to fail.
    struct stat existing;
    const bool exists = stat(path, &existing) == 0;
    if (!exists && errno != ENOENT) {
        StoreReason(errno, reason, reasonSize);
        return nullptr;
    }
    // A short name of its own in the folder of path, so that it fits
    // wherever the name of path does.
    static const char kName[] = "zkdXXXXXX.tmp";
    constexpr int kNameSuffix = 4;  // ".tmp" after the random part
    const char *slash = std::strrchr(path, '/');
    const size_t folderLength = slash == nullptr ? 0 : static_cast<size_t>(slash - path) + 1;
    if (folderLength + sizeof kName > tempPathSize ||
        folderLength + sizeof kName > sizeof pendingFile) {
        StoreReason(ENAMETOOLONG, reason, reasonSize);
        return nullptr;
    }
    // The name is made and recorded for the signal handler with the signals
    // held back, so that no signal finds the file made but not recorded.
    const sigset_t previousMask = BlockRemovingSignals();
    std::memcpy(pendingFile, path, folderLength);
    std::memcpy(pendingFile + folderLength, kName, sizeof kName);
    const int fd = mkstemps(pendingFile, kNameSuffix);
    const int createError = errno;
    if (fd >= 0) {
        InstallHandlers(&removingHandlers, RemovePendingFileAndResignal, 0, SIG_IGN);
        pendingFileSet = 1;
    }
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    if (fd < 0) {
        StoreReason(createError, reason, reasonSize);
        return nullptr;
    }
    std::memcpy(tempPath, pendingFile, folderLength + sizeof kName);
    // mkstemps makes the file private.
    const mode_t mode =
        ModeOfReplacement(exists && S_ISREG(existing.st_mode) ? &existing : nullptr);
    FILE *file = fchmod(fd, mode) == 0 ? fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        StoreReason(errno, reason, reasonSize);
        close(fd);
        PlatformDiscardFile(tempPath);
    }
    return file;
}

bool PlatformReplaceFile(const char *from, const char *to, char *reason, size_t reasonSize) {
    // Renamed and forgotten with the signals held back: a signal in between
    // would remove the user's finished file.
    const sigset_t previousMask = BlockRemovingSignals();
    const bool renamed = std::rename(from, to) == 0;
    const int error = errno;
    if (renamed) ForgetPendingFile();
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    if (!renamed) StoreReason(error, reason, reasonSize);
    return renamed;
}

void PlatformDiscardFile(const char *tempPath) {
    const sigset_t previousMask = BlockRemovingSignals();
    unlink(tempPath);
    ForgetPendingFile();
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
}

const char *const kPlatformBoardLibraryName = "libzkt.so";

namespace {

// info, filled by a stat call that returned statResult.
bool StoreIdentity(int statResult, const struct stat &info, FileIdentity *identity) {
    if (statResult != 0) return false;
    identity->volume = static_cast<uint64_t>(info.st_dev);
    identity->index = static_cast<uint64_t>(info.st_ino);
    identity->regular = S_ISREG(info.st_mode);
    return true;
}

}  // namespace

bool PlatformFileIdentity(const char *path, FileIdentity *identity) {
    struct stat info;
    return StoreIdentity(stat(path, &info), info, identity);
}

bool PlatformOpenFileIdentity(FILE *file, FileIdentity *identity) {
    struct stat info;
    return StoreIdentity(fstat(fileno(file), &info), info, identity);
}

FileLockResult PlatformLockFile(FILE *file) {
    if (RetriedOnInterrupt([&] { return flock(fileno(file), LOCK_EX | LOCK_NB); }) == 0) {
        return kFileLockTaken;
    }
    return errno == EWOULDBLOCK ? kFileLockHeld : kFileLockUnavailable;
}

int PlatformTruncateFile(FILE *file, uint64_t length) {
    if (std::fflush(file) != 0) return errno;
    const auto truncate = [&] { return ftruncate(fileno(file), static_cast<off_t>(length)); };
    return RetriedOnInterrupt(truncate) == 0 ? 0 : errno;
}

void *PlatformLoadLibrary(const char *name, char *reason, size_t reasonSize) {
    void *library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr && reasonSize > 0) {
        const char *why = dlerror();
        std::snprintf(reason, reasonSize, "%s", why != nullptr ? why : "no reason given");
    }
    return library;
}

NarrowPathResult PlatformNarrowPath(const char16_t *units, size_t count, char *out, size_t outSize,
                                    char *reason, size_t reasonSize) {
    if (outSize == 0) return kNarrowPathTooLong;
    size_t used = 0;
    for (size_t i = 0; i < count; ++i) {
        uint32_t c = PlatformCharacterAt(units, count, &i);
        if (c >= 0xD800 && c <= 0xDFFF) {
            PlatformStoreNoForm(c, kPlatformUtf8CodePage, reason, reasonSize);
            out[0] = '\0';
            return kNarrowPathNoForm;
        }
        // UTF-8: the lead byte marks the length, each further byte carries
        // six bits, last bits last.
        static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        const size_t n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (n >= outSize - used) {
            out[0] = '\0';
            return kNarrowPathTooLong;
        }
        for (size_t k = n - 1; k > 0; --k, c >>= 6) {
            out[used + k] = static_cast<char>(0x80 | (c & 0x3F));
        }
        out[used] = static_cast<char>(kLead[n] | c);
        used += n;
    }
    out[used] = '\0';
    return kNarrowPathDone;
}

void *PlatformLoadLibraryFile(const char *path, char *reason, size_t reasonSize) {
    return PlatformLoadLibrary(path, reason, reasonSize);
}

void *PlatformLibrarySymbol(void *library, const char *name) { return dlsym(library, name); }

bool PlatformLibraryPath(void *library, char *path, size_t pathSize) {
    struct link_map *map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
        return false;
    }
    const int n = std::snprintf(path, pathSize, "%s", map->l_name);
    return n >= 0 && static_cast<size_t>(n) < pathSize;
}
