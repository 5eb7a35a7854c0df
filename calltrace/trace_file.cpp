#include "calltrace/trace_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

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
    TraceFileStop();
    mode = kDropping;
    if (failureReport != nullptr) {
        failureReport(filePath.c_str(), std::strerror(error != 0 ? error : EIO), cutBack);
    }
}

// Writes bytes to the open trace; gives up on a failure. Whether they end
// whole lines is the caller's to say: only those count as kept, `completed`
// bytes of them once the bytes are written.
bool Write(const char *bytes, size_t length, size_t completed) {
    if (length == 0) return true;
    errno = 0;
    if (std::fwrite(bytes, 1, length, file) != length || std::fflush(file) != 0) {
        GiveUp(errno);
        return false;
    }
    wholeBytes += completed;
    return true;
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

// The one of the keptCount files kept that identity is, or null.
const TraceKeptFile *KeptFileAt(const FileIdentity &identity, const TraceKeptFile *kept,
                                size_t keptCount) {
    for (size_t i = 0; i < keptCount; ++i) {
        FileIdentity other;
        if (kept[i].path != nullptr && kept[i].path[0] != '\0' &&
            PlatformFileIdentity(kept[i].path, &other) && SameFile(identity, other)) {
            return &kept[i];
        }
    }
    return nullptr;
}

// Bytes read from the top of a file to tell whether it is a trace.
constexpr size_t kTraceSniffBytes = size_t{64} << 10;

// Whether line (its bytes up to a line end, which it may lack when the file
// or the part read ends there) is a call: "ZKT_", an operation's name and
// "(". A line cut short by a crash is a call too, as far as it goes.
bool IsCallLine(const char *line, size_t length, bool whole) {
    for (const ZktOperationName &op : kZktOperationNames) {
        const std::string start = std::string(op.name) + "(";
        const bool longEnough = length >= start.size() || (!whole && length >= 4);
        if (longEnough && std::memcmp(line, start.data(), std::min(length, start.size())) == 0) {
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

// Which file stream is; not a regular one when that cannot be told.
FileIdentity IdentityOf(FILE *stream) {
    FileIdentity identity{};
    if (!PlatformOpenFileIdentity(stream, &identity)) identity.regular = false;
    return identity;
}

// Opens path in mode, unbuffered, and tells what it is; null with errno
// set on failure.
FILE *OpenUnbuffered(const char *path, const char *openMode, FileIdentity *identity) {
    errno = 0;
    FILE *opened = std::fopen(path, openMode);
    if (opened == nullptr) return nullptr;
    std::setvbuf(opened, nullptr, _IONBF, 0);
    *identity = IdentityOf(opened);
    return opened;
}

// Why the trace may not be written over the open file at path, or empty.
// standard: the files standard output and standard error go to.
std::string Refusal(FILE *opened, const FileIdentity &identity, const TraceKeptFile *kept,
                    size_t keptCount, const FileIdentity (&standard)[2]) {
    // Only a regular file can be one of the kept files, or be cut.
    if (!identity.regular) return std::string();
    if (const TraceKeptFile *same = KeptFileAt(identity, kept, keptCount)) {
        return "the same file as " + same->shown;
    }
    const char *const standardNames[] = {"standard output", "standard error"};
    for (int i = 0; i < 2; ++i) {
        if (standard[i].regular && SameFile(identity, standard[i])) {
            return std::string("the same file as ") + standardNames[i];
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
    TraceFileStop();
    mode = kDropping;
    reason->clear();
    const std::string held = std::exchange(pending, std::string());
    const size_t notHeld = std::exchange(callsNotHeld, 0);
    callsNotKept = 0;
    if (path == nullptr || path[0] == '\0') return true;
    // The regular files that standard output and standard error go to, taken
    // before the trace is opened: a trace there would be mixed with the
    // program's own lines.
    std::fflush(stdout);
    const FileIdentity standard[] = {IdentityOf(stdout), IdentityOf(stderr)};
    // Opening a named pipe for writing waits for a reader, for good when none
    // comes: such a trace is refused with the error a wait-free open gets then.
    struct stat info;
    if (stat(path, &info) == 0 && S_ISFIFO(info.st_mode)) {
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
        if (opened == nullptr || identity.regular) {
            if (opened != nullptr) std::fclose(opened);
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
    callsNotKept = notHeld;
    if (notHeld > 0) TraceFileNote(TraceNotKeptNote(notHeld).c_str());
    Write(held.data(), held.size(), held.size());
    return true;
}

size_t TraceFileCallsNotKept() { return callsNotKept; }

bool TraceFileGoesOnAt(const char *path, const TraceKeptFile *kept, size_t keptCount) {
    if (file == nullptr || path == nullptr || path[0] == '\0') return false;
    FileIdentity open;
    FileIdentity named;
    return PlatformOpenFileIdentity(file, &open) && PlatformFileIdentity(path, &named) &&
           SameFile(open, named) && KeptFileAt(open, kept, keptCount) == nullptr;
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
    TraceFileGoOn();  // the open trace has what was held back so far
    holdingToo = true;
}

void TraceFileGoOn() {
    holdingToo = false;
    pending.clear();
    callsNotHeld = 0;
}

bool TraceFileTakesLines() { return mode == kHoldingBack || mode == kWriting; }

// Ends the call part of a call that never returns, should the process die in it.
const char kNeverReturnedBefore[] = "\n# " TRACE_NEVER_RETURNED;

void TraceFileCallStarted(const char *callPart, size_t callLength) {
    callHeld = Holding();
    callPartWritten = mode == kWriting && Write(callPart, callLength, 0);
    if (callPartWritten) FatalNoteArm(file, kNeverReturnedBefore, "\n", true);
}

void TraceFileCallEnded(const char *line, size_t length, size_t callLength) {
    FatalNoteDisarm();
    if (mode == kWriting) {
        // The whole line, or what follows its call part when that is written.
        const size_t from = callPartWritten ? callLength : 0;
        std::string rest;
        rest.reserve(length - from + 1);
        rest.append(line + from, length - from);
        rest.push_back('\n');
        Write(rest.data(), rest.size(), length + 1);
    }
    callPartWritten = false;
    if (callHeld) Hold("", line, length, true);
}

void TraceFileNote(const char *text) {
    const size_t length = std::strcspn(text, "\r\n");
    const bool holding = Holding();
    if (mode == kWriting) {
        const std::string whole = "# " + std::string(text, length) + "\n";
        Write(whole.data(), whole.size(), whole.size());
    }
    if (holding) Hold("# ", text, length, false);
}

std::string TraceNotKeptNote(unsigned long long calls) {
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
