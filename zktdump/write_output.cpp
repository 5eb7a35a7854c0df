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

bool OpenOutput(const char *path, bool outputClosed, DumpOutput *output, char *message,
                size_t messageSize) {
    *output = DumpOutput{path, outputClosed, kOutputStream, nullptr, {}, {}};
    if (path == nullptr) return true;

    char reason[256];
    if (!PlatformResolveOutput(path, output->target, sizeof output->target, &output->kind, reason,
                               sizeof reason)) {
        std::snprintf(message, messageSize, "%s: cannot follow it (%s)", path, reason);
        return false;
    }
    // A pipe or device is opened only when the text is ready: opening a
    // pipe waits for its reader.
    if (output->kind == kOutputStream) return true;
    output->file = PlatformCreateFileBeside(output->target, output->tempPath,
                                            sizeof output->tempPath, reason, sizeof reason);
    if (output->file == nullptr) {
        std::snprintf(message, messageSize, "%s: cannot create a file beside it (%s)", path,
                      reason);
        return false;
    }
    return true;
}

bool FinishOutput(DumpOutput *output, const std::string &text, char *message, size_t messageSize) {
    const char *path = output->path;
    if (path == nullptr) {
        char reason[256];
        if (!WriteStandardOutput(text.data(), text.size(), output->outputClosed, reason,
                                 sizeof reason)) {
            std::snprintf(message, messageSize, "standard output: %s", reason);
            return false;
        }
        return true;
    }
    if (output->kind == kOutputStream) return WriteStream(path, text, message, messageSize);

    FILE *file = output->file;
    output->file = nullptr;
    const int error = WriteAndClose(file, text);
    if (error != 0) {
        std::snprintf(message, messageSize, "%s: cannot write %s (%s)", path, output->tempPath,
                      std::strerror(error));
        PlatformDiscardFile(output->tempPath);
        return false;
    }
    char reason[256];
    if (!PlatformReplaceFile(output->tempPath, output->target, reason, sizeof reason)) {
        std::snprintf(message, messageSize, "%s: cannot replace it with %s (%s)", path,
                      output->tempPath, reason);
        PlatformDiscardFile(output->tempPath);
        return false;
    }
    return true;
}

void AbandonOutput(DumpOutput *output) {
    if (output->file == nullptr) return;
    std::fclose(output->file);
    output->file = nullptr;
    PlatformDiscardFile(output->tempPath);
}
