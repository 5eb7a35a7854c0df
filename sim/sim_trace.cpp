#include "sim/sim_trace.h"

#include <cstdio>
#include <cstring>

namespace {

enum TraceMode { kHoldingBack, kWriting, kDropping };

TraceMode mode = kHoldingBack;
FILE *file = nullptr;
char pending[kSimTracePendingBytes];
size_t pendingLength = 0;

}  // namespace

bool SimTraceStart(const char *path) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kDropping;
    bool opened = true;
    if (path != nullptr && path[0] != '\0') {
        // Binary: lines end in LF on every system, so traces compare alike.
        file = std::fopen(path, "wb");
        if (file != nullptr) {
            mode = kWriting;
            std::fwrite(pending, 1, pendingLength, file);
            std::fflush(file);
        } else {
            opened = false;
        }
    }
    pendingLength = 0;
    return opened;
}

void SimTraceStop() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    mode = kHoldingBack;
    pendingLength = 0;
}

void SimTraceLine(const char *line) {
    const size_t length = std::strlen(line);
    if (mode == kWriting) {
        std::fwrite(line, 1, length, file);
        std::fputc('\n', file);
        std::fflush(file);
    } else if (mode == kHoldingBack && pendingLength + length + 1 <= sizeof pending) {
        // pending holds whole lines, each ended by '\n', not a C string.
        // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
        std::memcpy(pending + pendingLength, line, length);
        pending[pendingLength + length] = '\n';
        pendingLength += length + 1;
    }
}

const char *SimFormatHex(const void *bytes, size_t size, char *out, size_t outSize) {
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char *b = static_cast<const unsigned char *>(bytes);
    size_t at = 0;
    for (size_t i = 0; i < size && at + 2 < outSize; ++i) {
        out[at++] = kDigits[b[i] >> 4];
        out[at++] = kDigits[b[i] & 0x0F];
    }
    if (outSize > 0) out[at] = '\0';
    return out;
}
