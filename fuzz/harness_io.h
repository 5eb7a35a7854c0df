// Process set-up shared by the fuzz harnesses.
#ifndef QUILMAR_FUZZ_HARNESS_IO_H
#define QUILMAR_FUZZ_HARNESS_IO_H

#include <cstddef>
#include <cstdint>
#include <string>

// Puts standard input at end of file, so no key wait can block, and sends
// standard output to /dev/null: a run prints far more than anyone reads.
// Aborts when either cannot be done.
void QuietStandardStreams();

// Makes a fresh directory for the harness's files, under TMPDIR or else
// /tmp, and returns its path; the directory and everything in it are removed
// when the process exits. Aborts when it cannot be made. Once per process.
const char *MakeScratchDirectory();

// Writes the fuzz input as the whole content of the file at path; aborts
// when it cannot.
void WriteInputFile(const char *path, const uint8_t *data, size_t size);

// The whole content of the file at path; empty when it cannot be read.
std::string ReadWholeFile(const char *path);

#endif  // QUILMAR_FUZZ_HARNESS_IO_H
