// What the platform layer does alike on every system, built on the parts of
// platform_file.h that each system's file gives.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/platform.h"
#include "platform/platform_file.h"

// snprintf writes nothing at all into a reason of no bytes.
void PlatformStoreText(const char *text, char *reason, size_t reasonSize) {
    std::snprintf(reason, reasonSize, "%s", text);
}

uint32_t PlatformCharacterAt(const char16_t *units, size_t count, size_t *at) {
    const uint32_t c = units[*at];
    if (c < 0xD800 || c > 0xDBFF || *at + 1 >= count || units[*at + 1] < 0xDC00 ||
        units[*at + 1] > 0xDFFF) {
        return c;
    }
    return 0x10000 + ((c - 0xD800) << 10) + (units[++*at] - 0xDC00u);
}

void PlatformStoreNoForm(uint32_t c, unsigned codePage, char *reason, size_t reasonSize) {
    char where[32] = "UTF-8";
    if (codePage != kPlatformUtf8CodePage) {
        std::snprintf(where, sizeof where, "code page %u", codePage);
    }
    std::snprintf(reason, reasonSize, "U+%04X has no form in %s", static_cast<unsigned>(c), where);
}

namespace {

// Reads the open file to its end into content, growing from a size hint;
// stops once content holds more than maxBytes.
WholeFileResult ReadOpenFile(intptr_t file, size_t sizeHint, size_t maxBytes, std::string *content,
                             char *reason, size_t reasonSize) {
    // The size is only a first guess: the file may grow or shrink while it
    // is read.
    content->reserve(sizeHint);
    char chunk[16384];
    for (;;) {
        const long long count = PlatformReadFilePart(file, chunk, sizeof chunk, reason, reasonSize);
        if (count == 0) return kWholeFileRead;
        if (count < 0) return kWholeFileReadFailed;
        const auto length = static_cast<size_t>(count);
        if (length > maxBytes - content->size()) {
            std::snprintf(reason, reasonSize, "larger than %llu bytes",
                          static_cast<unsigned long long>(maxBytes));
            return kWholeFileTooLarge;
        }
        content->append(chunk, length);
    }
}

}  // namespace

WholeFileResult PlatformReadWholeFile(const char *path, size_t maxBytes, std::string *content,
                                      char *reason, size_t reasonSize) {
    content->clear();
    if (reasonSize > 0) reason[0] = '\0';
    constexpr intptr_t kNothingOpen = -1;
    intptr_t file = kNothingOpen;
    uint64_t size = 0;
    WholeFileResult result = PlatformOpenWholeFile(path, &file, &size, reason, reasonSize);
    if (result == kWholeFileFolder) PlatformStoreText(std::strerror(EISDIR), reason, reasonSize);
    if (result == kWholeFileNotRegular) PlatformStoreText("not a regular file", reason, reasonSize);
    if (result == kWholeFileRead) {
        try {
            const size_t sizeHint = size < maxBytes ? static_cast<size_t>(size) : maxBytes;
            result = ReadOpenFile(file, sizeHint, maxBytes, content, reason, reasonSize);
        } catch (const std::bad_alloc &) {
            PlatformStoreText("out of memory", reason, reasonSize);
            result = kWholeFileNoMemory;
        }
    }
    if (file != kNothingOpen) PlatformCloseFile(file);
    if (result != kWholeFileRead) std::string().swap(*content);
    return result;
}
