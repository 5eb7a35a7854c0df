// Where the trace of a zkt.ini goes, and the recording it replays, found
// even when the file is malformed: a run on a broken file must still replace
// the trace of an earlier run, so that nobody reads that one as the record of
// this run, and must never write a trace over the recording. The tracing
// proxy reads the recording's path of the zkt.ini its caller named here too.
#ifndef QUILMAR_SIM_SIM_TRACE_PATH_H
#define QUILMAR_SIM_SIM_TRACE_PATH_H

#include <cstddef>

// Looks through zkt.ini text (length bytes, single-byte: UTF-16 narrowed
// first; any line ends) for the first `Trace = path`
// line of a [Library] section, reading each line on its own so that an error
// anywhere else does not hide it, and copies the path into out (outSize
// bytes). Lines too long or holding a NUL are passed over. Leaves out empty
// when there is no such line or the path does not fit.
void SimFindTracePath(const char *text, size_t length, char *out, size_t outSize);

// The same for the first line of a [Library] section setting key ("Trace",
// "Replay"; any case).
void SimFindLibraryPath(const char *text, size_t length, const char *key, char *out,
                        size_t outSize);

// SimFindLibraryPath on the zkt.ini at path, read whole (UTF-16 narrowed).
// Leaves out empty when the file cannot be read or sets no such path.
void SimFindLibraryPathInFile(const char *path, const char *key, char *out, size_t outSize);

#endif  // QUILMAR_SIM_SIM_TRACE_PATH_H
