#include "calltrace/trace_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "platform/platform.h"

namespace {

enum TraceMode { kHoldingBack, kWriting, kDropping };

TraceMode mode = kHoldingBack;
FILE *file = nullptr;
std::string filePath;
bool fileRegular = false;
uint64_t wholeBytes = 0;  // bytes of whole lines in the file
std::string pending;      // whole lines, each ended by '\n'
TraceWriteFailureReport failureReport = nullptr;

// Closes the trace after a failed write (error): cut back to its last whole
// line where it can be, and told once.
void GiveUp(int error) {
    const bool cutBack = fileRegular && PlatformTruncateFile(file, wholeBytes) == 0;
    std::fclose(file);
    file = nullptr;
    mode = kDropping;
    if (failureReport != nullptr) {
        failureReport(filePath.c_str(), std::strerror(error != 0 ? error : EIO), cutBack);
    }
}

// Writes bytes, whole lines, to the open trace; gives up on a failure.
void Write(const char *bytes, size_t length) {
    if (length == 0) return;
    errno = 0;
    if (std::fwrite(bytes, 1, length, file) != length || std::fflush(file) != 0) {
        GiveUp(errno);
        return;
    }
    wholeBytes += length;
}

void AddLine(const char *prefix, const char *line, size_t length) {
    const size_t prefixLength = std::strlen(prefix);
    if (mode == kWriting) {
        std::string whole;
        whole.reserve(prefixLength + length + 1);
        whole.append(prefix, prefixLength);
        whole.append(line, length);
        whole.push_back('\n');
        Write(whole.data(), whole.size());
    } else if (mode == kHoldingBack &&
               pending.size() + prefixLength + length + 1 <= kTracePendingBytes) {
        pending.append(prefix, prefixLength);
        pending.append(line, length);
        pending.push_back('\n');
    }
}

// Opening a named pipe for writing waits for a reader, for good when none
// comes: such a trace is refused with the error a wait-free open gets then.
bool IsNamedPipe(const char *path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISFIFO(info.st_mode);
}

// Whether the open regular file is empty or starts as a trace does: with a
// call ("ZKT_") or a note ("# "). Anything else is the user's own file.
bool HoldsATraceOrNothing(FILE *opened) {
    char start[4];
    if (std::fseek(opened, 0, SEEK_SET) != 0) return false;
    const size_t length = std::fread(start, 1, sizeof start, opened);
    if (length == 0) return !std::ferror(opened);
    if (length >= 2 && std::memcmp(start, "# ", 2) == 0) return true;
    return length == sizeof start && std::memcmp(start, "ZKT_", sizeof start) == 0;
}

// Opens path in mode, unbuffered, and tells what it is; null with errno
// set on failure.
FILE *OpenUnbuffered(const char *path, const char *openMode, FileIdentity *identity) {
    errno = 0;
    FILE *opened = std::fopen(path, openMode);
    if (opened == nullptr) return nullptr;
    std::setvbuf(opened, nullptr, _IONBF, 0);
    if (!PlatformOpenFileIdentity(opened, identity)) identity->regular = false;
    return opened;
}

// Why the trace may not be written over the open file at path, or empty.
std::string Refusal(FILE *opened, const FileIdentity &identity, const TraceKeptFile *kept,
                    size_t keptCount) {
    // Only a regular file can be one of the kept files, or be cut.
    if (!identity.regular) return std::string();
    for (size_t i = 0; i < keptCount; ++i) {
        FileIdentity other;
        if (kept[i].path != nullptr && kept[i].path[0] != '\0' &&
            PlatformFileIdentity(kept[i].path, &other) && SameFile(identity, other)) {
            return "the same file as " + kept[i].shown;
        }
    }
    if (PlatformLockFile(opened) == kFileLockHeld) return "in use by another run";
    if (!HoldsATraceOrNothing(opened)) return "a file that is not a trace";
    return std::string();
}

}  // namespace

void TraceFileOnWriteFailure(TraceWriteFailureReport report) { failureReport = report; }

bool TraceFileStart(const char *path, const TraceKeptFile *kept, size_t keptCount,
                    std::string *reason) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kDropping;
    reason->clear();
    const std::string held = std::move(pending);
    pending.clear();
    if (path == nullptr || path[0] == '\0') return true;
    if (IsNamedPipe(path)) {
        *reason = std::strerror(ENXIO);
        return false;
    }
    // Opened without being cut (and created when missing): what is there is
    // looked at before anything of it is lost.
    // The stream is unbuffered: each line is one write, never cut in two by
    // a buffer, and a failed write is known at once.
    FileIdentity identity{};
    FILE *opened = OpenUnbuffered(path, "a+b", &identity);
    if (opened == nullptr) {
        const int openError = errno != 0 ? errno : EIO;
        // A device or pipe that cannot be read from is still written to.
        opened = OpenUnbuffered(path, "ab", &identity);
        if (opened != nullptr && identity.regular) {
            std::fclose(opened);
            opened = nullptr;
        }
        if (opened == nullptr) {
            *reason = std::strerror(openError);
            return false;
        }
    }
    *reason = Refusal(opened, identity, kept, keptCount);
    int error = 0;
    if (reason->empty() && identity.regular) error = PlatformTruncateFile(opened, 0);
    if (error == 0 && reason->empty() && std::fseek(opened, 0, SEEK_END) != 0) error = errno;
    if (error != 0) *reason = std::strerror(error);
    if (!reason->empty()) {
        std::fclose(opened);
        return false;
    }
    file = opened;
    filePath = path;
    fileRegular = identity.regular;
    wholeBytes = 0;
    mode = kWriting;
    Write(held.data(), held.size());
    return true;
}

void TraceFileStop() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kHoldingBack;
    pending.clear();
}

void TraceFileLine(const char *line) { AddLine("", line, std::strlen(line)); }

void TraceFileNote(const char *text) { AddLine("# ", text, std::strcspn(text, "\r\n")); }
