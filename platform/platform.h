// What the operating system provides to the tool: the current directory, one
// key of a profile (INI) file, and a single-key wait. One implementation per
// system sits behind this header; nothing above it knows which system it is.
#ifndef QUILMAR_PLATFORM_PLATFORM_H
#define QUILMAR_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>

// Prepares the process for the run, once at start-up: a standard output
// that the reader has closed (`quilmar | head -1`) must not end the run
// before every capture is released and every device closed. Writes to such
// an output fail and are ignored, as they are on every system.
void PlatformStartUp();

// Writes the current directory, a path separator and fileName into path
// (capacity bytes, NUL included). Returns false, leaving path empty, when the
// directory cannot be read or the joined path does not fit.
bool PlatformPathInCurrentDirectory(const char *fileName, char *path, size_t capacity);

// Reads the text of key in section of the profile file at path into buffer
// (size bytes, NUL included; longer values are cut). When the file, section or
// key is absent, defaultText is copied instead. Returns the number of
// characters stored, NUL not counted.
uint32_t PlatformReadProfileString(const char *section, const char *key, const char *defaultText,
                                   char *buffer, uint32_t size, const char *path);

// Flushes standard output, then waits for one key press: on a console one key
// at once, without echo and without Enter; on a pipe or file one byte. Returns
// the key (0..255) or -1 when there is no input to wait for (end of input, no
// console). Never blocks on a closed input.
int PlatformWaitKey();

#endif  // QUILMAR_PLATFORM_PLATFORM_H
