// The file a call trace goes to: one line per call, flushed at once, so a
// crash still leaves the lines written so far. Lines end in LF on every
// system (the file is written in binary mode), so traces compare alike.
//
// Lines that come before the file is named are held back (up to
// kTracePendingBytes) and written at its top once it is started; a library
// that learns where its trace goes only later (the simulator, from zkt.ini)
// relies on this.
//
// One trace per library, written from the one thread that calls it: nothing
// here is synchronised.
#ifndef QUILMAR_CALLTRACE_TRACE_FILE_H
#define QUILMAR_CALLTRACE_TRACE_FILE_H

#include <cstddef>

// Bytes of lines held back before TraceFileStart; later lines are dropped.
constexpr size_t kTracePendingBytes = 4096;

// Opens (truncates) the trace at path and writes the held-back lines. An
// empty or null path means no trace: the held-back lines are dropped.
// Returns 0, or the system's error number when the file cannot be opened
// (there is then no trace either). A named pipe is never opened (ENXIO),
// since the open would wait for a reader.
int TraceFileStart(const char *path);

// Closes the trace; from here on lines are held back again.
void TraceFileStop();

// Adds one line (LF appended): to the file while a trace is open; held back
// before TraceFileStart; dropped otherwise.
void TraceFileLine(const char *line);

// Adds a note that is not a call, as a line "# text" (cut at its first line
// end). Every call line starts with "ZKT_", so a reader tells them apart.
void TraceFileNote(const char *text);

#endif  // QUILMAR_CALLTRACE_TRACE_FILE_H
