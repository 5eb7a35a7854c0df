#include "zktdump/write_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cmdline/command_line.h"
#include "platform/platform.h"

namespace {

// Writes text into stream and closes it. Returns 0, or the errno of the first
// step that failed: a full disk may show only at the flush or the close.
int WriteAndClose(FILE *stream, const std::string &text) {
    const size_t written = std::fwrite(text.data(), 1, text.size(), stream);
    int error = (written != text.size() || std::fflush(stream) != 0) ? errno : 0;
    if (std::fclose(stream) != 0 && error == 0) error = errno;
    if (error == 0 && written != text.size()) error = EIO;
    return error;
}

bool WriteStream(const char *path, const std::string &text, char *message, size_t messageSize) {
    FILE *stream = std::fopen(path, "wb");
    if (stream == nullptr) {
        std::snprintf(message, messageSize, "%s: cannot open it (%s)", path, std::strerror(errno));
        return false;
    }
    const int error = WriteAndClose(stream, text);
    if (error != 0) {
        std::snprintf(message, messageSize, "%s: cannot write it (%s)", path, std::strerror(error));
        return false;
    }
    return true;
}

}  // namespace

bool WriteOutput(const char *path, bool outputClosed, const std::string &text, char *message,
                 size_t messageSize) {
    if (path == nullptr) {
        char reason[256];
        if (!WriteStandardOutput(text.data(), text.size(), outputClosed, reason, sizeof reason)) {
            std::snprintf(message, messageSize, "standard output: %s", reason);
            return false;
        }
        return true;
    }

    char target[4096];
    char reason[256];
    OutputKind kind = kOutputFile;
    if (!PlatformResolveOutput(path, target, sizeof target, &kind, reason, sizeof reason)) {
        std::snprintf(message, messageSize, "%s: cannot follow it (%s)", path, reason);
        return false;
    }
    if (kind == kOutputStream) return WriteStream(path, text, message, messageSize);

    char tempPath[4096];
    FILE *file = PlatformCreateFileBeside(target, tempPath, sizeof tempPath, reason, sizeof reason);
    if (file == nullptr) {
        std::snprintf(message, messageSize, "%s: cannot create a file beside it (%s)", path,
                      reason);
        return false;
    }
    const int error = WriteAndClose(file, text);
    if (error != 0) {
        std::snprintf(message, messageSize, "%s: cannot write %s (%s)", path, tempPath,
                      std::strerror(error));
        std::remove(tempPath);
        return false;
    }
    if (!PlatformReplaceFile(tempPath, target, reason, sizeof reason)) {
        std::snprintf(message, messageSize, "%s: cannot replace it with %s (%s)", path, tempPath,
                      reason);
        std::remove(tempPath);
        return false;
    }
    return true;
}
