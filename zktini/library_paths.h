// Where the trace of a zkt.ini goes, and the recording it replays, found
// even when the file is malformed: a run on a broken file must still replace
// the trace of an earlier run, so that nobody reads that one as the record of
// this run, and must never write a trace over the recording. The tracing
// proxy reads the recording's path of the zkt.ini its caller named here too.
#ifndef QUILMAR_ZKTINI_LIBRARY_PATHS_H
#define QUILMAR_ZKTINI_LIBRARY_PATHS_H

#include <cstddef>

#include "platform/platform.h"

// Looks through zkt.ini text as read (length bytes: single-byte, or UTF-16
// with its mark, narrowed first; any line ends) for the first line of a
// [Library] section setting key ("Trace", "Replay"; any case), reading each
// line on its own so that an error anywhere else does not hide it, and copies
// the path into out (outSize bytes; see ZktIniPathValue). Lines too long or
// holding a NUL are passed over. Leaves out empty when there is no such line,
// or the path does not fit or has a character with no narrow form.
void ZktIniFindLibraryPath(const char *text, size_t length, const char *key, char *out,
                           size_t outSize);

// A Trace or Replay value of a zkt.ini, the bytes [offset, offset + length)
// of its text as the reader takes it (narrowed, textread/ini_lines.h), into
// out (outSize bytes). A file saved as UTF-16 (file, fileLength: as read)
// gives the characters it holds there in the system's narrow form
// (PlatformNarrowPath), so that a path names the file it was written as,
// never one with a '?'; any other file gives its bytes as they stand.
NarrowPathResult ZktIniPathValue(const char *file, size_t fileLength, const char *value,
                                 size_t offset, size_t length, char *out, size_t outSize,
                                 char *reason, size_t reasonSize);

// ZktIniFindLibraryPath on the zkt.ini at path, read whole.
// Leaves out empty when the file cannot be read or sets no such path.
void ZktIniFindLibraryPathInFile(const char *path, const char *key, char *out, size_t outSize);

#endif  // QUILMAR_ZKTINI_LIBRARY_PATHS_H
