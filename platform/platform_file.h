// The parts of a whole-file read that differ between systems, which each
// system's file gives the read that platform_common.cpp makes of them. An
// open file is a descriptor on POSIX systems and a handle on Windows, carried
// as an intptr_t.
#ifndef QUILMAR_PLATFORM_PLATFORM_FILE_H
#define QUILMAR_PLATFORM_PLATFORM_FILE_H

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// Opens path for reading, never waiting, and looks at what it opened: a
// regular file gives kWholeFileRead and *size its size now; a folder
// kWholeFileFolder and any other file kWholeFileNotRegular, whose reasons the
// common read writes; any other result writes the reason into reason
// (reasonSize bytes). *file is set once
// something is open, whatever the result, for the caller to close; it stays
// as it was when nothing could be opened.
WholeFileResult PlatformOpenWholeFile(const char *path, intptr_t *file, uint64_t *size,
                                      char *reason, size_t reasonSize);

// Reads at most size bytes of file into buffer. Returns their count, 0 at the
// end of the file, or -1 with the reason in reason.
long long PlatformReadFilePart(intptr_t file, char *buffer, size_t size, char *reason,
                               size_t reasonSize);

void PlatformCloseFile(intptr_t file);

// text into reason (reasonSize bytes), cut to fit.
void PlatformStoreText(const char *text, char *reason, size_t reasonSize);

// The character at units[*at]: a pair of surrogates is taken whole (*at
// then moves to its second unit); an unpaired one comes back as it is.
uint32_t PlatformCharacterAt(const char16_t *units, size_t count, size_t *at);

// The code page that stands for UTF-8, as Windows numbers it.
constexpr unsigned kPlatformUtf8CodePage = 65001;

// Why a path cannot be narrowed: character c has no form in codePage.
void PlatformStoreNoForm(uint32_t c, unsigned codePage, char *reason, size_t reasonSize);

#endif  // QUILMAR_PLATFORM_PLATFORM_FILE_H
