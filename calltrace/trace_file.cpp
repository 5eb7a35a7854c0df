#include "calltrace/trace_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "boardlib/zkt_ops.h"
#include "platform/fatal_note.h"
#include "platform/platform.h"

namespace {

enum TraceMode { kHoldingBack, kWriting, kDropping };

TraceMode mode = kHoldingBack;
FILE *file = nullptr;
std::string filePath;
bool fileRegular = false;
uint64_t wholeBytes = 0;  // bytes of whole lines in the file
// The call under way: whether the open trace holds its call part, past its
// whole lines (a failed write cuts it off with them), and whether its line
// is held back, whole, when it ends.
bool callPartWritten = false;
bool callHeld = false;
std::string pending;      // whole lines, each ended by '\n'
size_t callsNotHeld = 0;  // calls past the held-back lines' limit
size_t callsNotKept = 0;  // of those, at the last start of a trace
// Between sessions the open trace takes every line, and the lines are held
// back too: for the next session's trace, should it be another file.
bool holdingToo = false;
TraceWriteFailureReport failureReport = nullptr;

// Closes the trace after a failed write (error): cut back to its last whole
// line where it can be, and told once.
void GiveUp(int error) {
    FatalNoteDisarm();
    const bool cutBack = fileRegular && PlatformTruncateFile(file, wholeBytes) == 0;
    std::fclose(file);
    file = nullptr;
    callPartWritten = false;
    mode = kDropping;
    if (failureReport != nullptr) {
        failureReport(filePath.c_str(), std::strerror(error != 0 ? error : EIO), cutBack);
    }
}

// Writes bytes to the open trace; gives up on a failure. Whether they end
// whole lines is the caller's to say: only those count as kept.
bool WritePart(const char *bytes, size_t length) {
    if (length == 0) return true;
    errno = 0;
    if (std::fwrite(bytes, 1, length, file) != length || std::fflush(file) != 0) {
        GiveUp(errno);
        return false;
    }
    return true;
}

// Writes bytes, whole lines, to the open trace; gives up on a failure.
void Write(const char *bytes, size_t length) {
    if (WritePart(bytes, length)) wholeBytes += length;
}

// Whether a line added now is held back: before a trace starts, or between
// sessions beside the open trace.
bool Holding() { return mode == kHoldingBack || (mode == kWriting && holdingToo); }

// Holds a line back, within kTracePendingBytes; a call past them is counted.
void Hold(const char *prefix, const char *line, size_t length, bool isCall) {
    const size_t prefixLength = std::strlen(prefix);
    if (pending.size() + prefixLength + length + 1 <= kTracePendingBytes) {
        pending.append(prefix, prefixLength);
        pending.append(line, length);
        pending.push_back('\n');
    } else if (isCall) {
        ++callsNotHeld;
    }
}

void AddLine(const char *prefix, const char *line, size_t length, bool isCall) {
    const size_t prefixLength = std::strlen(prefix);
    const bool holding = Holding();
    if (mode == kWriting) {
        std::string whole;
        whole.reserve(prefixLength + length + 1);
        whole.append(prefix, prefixLength);
        whole.append(line, length);
        whole.push_back('\n');
        Write(whole.data(), whole.size());
    }
    if (holding) Hold(prefix, line, length, isCall);
}

// Opening a named pipe for writing waits for a reader, for good when none
// comes: such a trace is refused with the error a wait-free open gets then.
bool IsNamedPipe(const char *path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISFIFO(info.st_mode);
}

// Bytes read from the top of a file to tell whether it is a trace.
constexpr size_t kTraceSniffBytes = size_t{64} << 10;

// Whether line (its bytes up to a line end, which it may lack when the file
// or the part read ends there) is a call: "ZKT_", an operation's name and
// "(". A line cut short by a crash is a call too, as far as it goes.
bool IsCallLine(const char *line, size_t length, bool whole) {
    for (const ZktOperationName &op : kZktOperationNames) {
        const std::string start = std::string(op.name) + "(";
        if (length >= start.size() && std::memcmp(line, start.data(), start.size()) == 0) {
            return true;
        }
        if (!whole && length >= 4 && length < start.size() &&
            std::memcmp(line, start.data(), length) == 0) {
            return true;
        }
    }
    return false;
}

// Whether the open regular file may be replaced by a trace: its first line
// that is not a note ("# ...") is a call, within the first
// kTraceSniffBytes. A file of notes only, or an empty one, may be too. Anything else is the user's
// own file: a settings file may start with a "# " comment just as a trace starts with a note, so
// the notes alone tell nothing.
bool HoldsATraceOrNothing(FILE *opened) {
    if (std::fseek(opened, 0, SEEK_SET) != 0) return false;
    // One byte more than is looked at tells whether the file goes on.
    std::string top(kTraceSniffBytes + 1, '\0');
    size_t length = std::fread(&top[0], 1, top.size(), opened);
    if (std::ferror(opened)) return false;
    const bool goesOn = length > kTraceSniffBytes;
    if (goesOn) length = kTraceSniffBytes;
    size_t at = 0;
    while (at < length) {
        const char *end = static_cast<const char *>(std::memchr(&top[at], '\n', length - at));
        const size_t lineLength =
            end != nullptr ? static_cast<size_t>(end - &top[at]) : length - at;
        if (lineLength < 2 || top[at] != '#' || top[at + 1] != ' ') {
            return IsCallLine(&top[at], lineLength, end != nullptr);
        }
        at += lineLength + 1;
    }
    // Notes alone, to the end: a trace that made no call yet. Notes that
    // fill what is looked at and go on decide nothing, and the file is kept.
    return !goesOn;
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

// The regular files that standard output and standard error go to, taken
// before the trace is opened: a trace there would be mixed with the
// program's own lines.
struct StandardFiles {
    FileIdentity output;
    FileIdentity error;
    bool outputRegular;
    bool errorRegular;
};

StandardFiles StandardFilesNow() {
    StandardFiles files{};
    std::fflush(stdout);
    files.outputRegular = PlatformOpenFileIdentity(stdout, &files.output) && files.output.regular;
    files.errorRegular = PlatformOpenFileIdentity(stderr, &files.error) && files.error.regular;
    return files;
}

// Why the trace may not be written over the open file at path, or empty.
std::string Refusal(FILE *opened, const FileIdentity &identity, const TraceKeptFile *kept,
                    size_t keptCount, const StandardFiles &standard) {
    // Only a regular file can be one of the kept files, or be cut.
    if (!identity.regular) return std::string();
    for (size_t i = 0; i < keptCount; ++i) {
        FileIdentity other;
        if (kept[i].path != nullptr && kept[i].path[0] != '\0' &&
            PlatformFileIdentity(kept[i].path, &other) && SameFile(identity, other)) {
            return "the same file as " + kept[i].shown;
        }
    }
    if (standard.outputRegular && SameFile(identity, standard.output)) {
        return "the same file as standard output";
    }
    if (standard.errorRegular && SameFile(identity, standard.error)) {
        return "the same file as standard error";
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
    callPartWritten = false;
    mode = kDropping;
    holdingToo = false;
    reason->clear();
    const std::string held = std::move(pending);
    pending.clear();
    const size_t notHeld = callsNotHeld;
    callsNotHeld = 0;
    callsNotKept = 0;
    if (path == nullptr || path[0] == '\0') return true;
    const StandardFiles standard = StandardFilesNow();
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
    *reason = Refusal(opened, identity, kept, keptCount, standard);
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
    if (notHeld > 0) {
        callsNotKept = notHeld;
        TraceFileNote(TraceNotKeptNote(notHeld).c_str());
    }
    Write(held.data(), held.size());
    return true;
}

size_t TraceFileCallsNotKept() { return callsNotKept; }

bool TraceFileGoesOnAt(const char *path, const TraceKeptFile *kept, size_t keptCount) {
    if (file == nullptr || path == nullptr || path[0] == '\0') return false;
    FileIdentity open;
    FileIdentity named;
    if (!PlatformOpenFileIdentity(file, &open) || !PlatformFileIdentity(path, &named) ||
        !SameFile(open, named)) {
        return false;
    }
    for (size_t i = 0; i < keptCount; ++i) {
        FileIdentity other;
        if (kept[i].path != nullptr && kept[i].path[0] != '\0' &&
            PlatformFileIdentity(kept[i].path, &other) && SameFile(open, other)) {
            return false;
        }
    }
    return true;
}

void TraceFileStop() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    callPartWritten = false;
    mode = kHoldingBack;
    holdingToo = false;
}

void TraceFileSessionEnded() {
    if (file == nullptr) {
        TraceFileStop();
        return;
    }
    holdingToo = true;
    pending.clear();
    callsNotHeld = 0;
}

void TraceFileGoOn() {
    holdingToo = false;
    pending.clear();
    callsNotHeld = 0;
}

void TraceFileLine(const char *line) { AddLine("", line, std::strlen(line), true); }

bool TraceFileTakesLines() { return mode == kHoldingBack || mode == kWriting; }

// Ends the call part of a call that never returns, should the process die in it.
const char kNeverReturnedBefore[] = "\n# " TRACE_NEVER_RETURNED;
const char kNeverReturnedAfter[] = "\n";

void TraceFileCallStarted(const char *callPart, size_t callLength) {
    callHeld = Holding();
    callPartWritten = mode == kWriting && WritePart(callPart, callLength);
    if (callPartWritten) FatalNoteArm(file, kNeverReturnedBefore, kNeverReturnedAfter, true);
}

void TraceFileCallEnded(const char *line, size_t length, size_t callLength) {
    FatalNoteDisarm();
    if (mode == kWriting) {
        if (!callPartWritten) {
            std::string whole;
            whole.reserve(length + 1);
            whole.append(line, length);
            whole.push_back('\n');
            Write(whole.data(), whole.size());
        } else {
            std::string rest;
            rest.reserve(length - callLength + 1);
            rest.append(line + callLength, length - callLength);
            rest.push_back('\n');
            if (WritePart(rest.data(), rest.size())) wholeBytes += length + 1;
        }
    }
    callPartWritten = false;
    if (callHeld) Hold("", line, length, true);
}

void TraceFileNote(const char *text) { AddLine("# ", text, std::strcspn(text, "\r\n"), false); }

std::string TraceNotKeptNote(size_t calls) {
    return std::to_string(calls) + (calls == 1
                                        ? " call made before the trace started is not in it"
                                        : " calls made before the trace started are not in it");
}

bool TraceIsNotKeptNote(const char *text, size_t length) {
    size_t digits = 0;
    while (digits < length && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 20) return false;
    const std::string note(text, length);
    return note == TraceNotKeptNote(std::strtoull(note.c_str(), nullptr, 10));
}
