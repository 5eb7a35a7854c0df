#include "calltrace/trace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace {

enum TraceMode { kHoldingBack, kWriting, kDropping };

TraceMode mode = kHoldingBack;
FILE *file = nullptr;
char pending[kTracePendingBytes];
size_t pendingLength = 0;

void AddLine(const char *prefix, const char *line, size_t length) {
    const size_t prefixLength = std::strlen(prefix);
    if (mode == kWriting) {
        // One write per line, so a line is never cut in two by the stdio
        // buffer. Nothing here is synchronised: the library is called from
        // one thread, and so is its trace.
        std::string whole;
        whole.reserve(prefixLength + length + 1);
        whole.append(prefix, prefixLength);
        whole.append(line, length);
        whole.push_back('\n');
        std::fwrite(whole.data(), 1, whole.size(), file);
        std::fflush(file);
    } else if (mode == kHoldingBack &&
               pendingLength + prefixLength + length + 1 <= sizeof pending) {
        // pending holds whole lines, each ended by '\n', not a C string.
        // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
        std::memcpy(pending + pendingLength, prefix, prefixLength);
        // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
        std::memcpy(pending + pendingLength + prefixLength, line, length);
        pendingLength += prefixLength + length;
        pending[pendingLength++] = '\n';
    }
}

// Opening a named pipe for writing waits for a reader, for good when none
// comes: such a trace is refused with the error a wait-free open gets then.
bool IsNamedPipe(const char *path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISFIFO(info.st_mode);
}

}  // namespace

int TraceFileStart(const char *path) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kDropping;
    int error = 0;
    const bool named = path != nullptr && path[0] != '\0';
    if (named && IsNamedPipe(path)) {
        error = ENXIO;
    } else if (named) {
        errno = 0;
        file = std::fopen(path, "wb");
        if (file != nullptr) {
            mode = kWriting;
            std::fwrite(pending, 1, pendingLength, file);
            std::fflush(file);
        } else {
            error = errno != 0 ? errno : EIO;
        }
    }
    pendingLength = 0;
    return error;
}

void TraceFileStop() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kHoldingBack;
    pendingLength = 0;
}

void TraceFileLine(const char *line) { AddLine("", line, std::strlen(line)); }

void TraceFileNote(const char *text) { AddLine("# ", text, std::strcspn(text, "\r\n")); }
