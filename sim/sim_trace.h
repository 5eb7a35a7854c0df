// The call trace: one line per library call, written to the file that
// zkt.ini names. Calls made before ZKT_init are held back and written at the
// top of the trace once ZKT_init has read where it goes; after ZKT_cleanup
// the trace is closed and later calls wait for the next ZKT_init.
#ifndef QUILMAR_SIM_SIM_TRACE_H
#define QUILMAR_SIM_SIM_TRACE_H

#include <cstddef>

// Bytes of lines held back before ZKT_init; later lines are dropped.
constexpr size_t kSimTracePendingBytes = 4096;

// Opens (truncates) the trace at path and writes the held-back lines. An
// empty path means no trace: the held-back lines are dropped. Returns false
// when the file cannot be opened (there is then no trace).
bool SimTraceStart(const char *path);

// Closes the trace; from here on lines are held back again.
void SimTraceStop();

// Adds one line (newline appended): to the file, flushed at once, while a
// trace is open; held back before SimTraceStart; dropped otherwise.
void SimTraceLine(const char *line);

// Formatting of trace values. Each writes a NUL-terminated text into out
// (outSize bytes) and returns out.

// Lower-case hex digits of size bytes in memory order.
const char *SimFormatHex(const void *bytes, size_t size, char *out, size_t outSize);

#endif  // QUILMAR_SIM_SIM_TRACE_H
