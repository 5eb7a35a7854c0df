// The file a call trace goes to: one line per call, written at once (its
// call part before the call, the rest once it returns), so a crash still
// leaves the lines written so far, and the call under way. Lines end in LF on every
// system (the file is written in binary mode), so traces compare alike.
//
// Lines that come before the file is started are held back (up to
// kTracePendingBytes) and written at its top once it is started; a library
// that learns where its trace goes only later (the simulator from zkt.ini,
// the proxy once ZKT_init has named that file) relies on this.
//
// A trace is never written over a file that is something else: the files a
// library names to keep (its zkt.ini, the recording it replays), a file
// whose first line past its "# " notes is not a call (a settings file may
// start with a "# " comment too), or a trace that another run is writing.
// Such a file is left as it was.
//
// One trace per library, written from the one thread that calls it: nothing
// here is synchronised.
#ifndef QUILMAR_CALLTRACE_TRACE_FILE_H
#define QUILMAR_CALLTRACE_TRACE_FILE_H

#include <cstddef>
#include <string>

// Bytes of lines held back before TraceFileStart; later lines are dropped,
// and the calls among them counted: the trace then starts with a note that
// says how many are not in it.
constexpr size_t kTracePendingBytes = size_t{1} << 20;

// A file that a trace must never be written over, and how a message names
// it (for example "the recording 'boards.log'", escaped by the caller).
struct TraceKeptFile {
    const char *path;
    std::string shown;
};

// Told once, at the first write to an open trace that fails: the trace's
// path, the system's reason, and whether the file could be cut back to its
// last whole line. The trace is closed by then, and no more is written.
using TraceWriteFailureReport = void (*)(const char *path, const char *reason, bool cutBack);

// Where write failures are told; null: nowhere.
void TraceFileOnWriteFailure(TraceWriteFailureReport report);

// Starts the trace at path and writes the held-back lines. The file is
// opened without being cut, locked against other runs, checked, and only
// then emptied. An empty or null path means no trace: the held-back lines
// are dropped. Returns true with a trace started or none asked for; false
// when there is no trace, with why in *reason: the system's reason it
// cannot be opened, "the same file as <shown>" for one of the keptCount
// files kept, "the same file as standard output" (or "standard error") for
// the regular file one of them goes to, "a file that is not a trace" for a
// file whose first line that is not a note is not a call (within its first
// 64 KiB), or "in use by another run" when another open holds its lock. A
// named pipe is never opened (the open would wait for a reader). The file
// is then as it was.
bool TraceFileStart(const char *path, const TraceKeptFile *kept, size_t keptCount,
                    std::string *reason);

// How many calls held back before the last TraceFileStart that started a
// trace were past kTracePendingBytes, and so are not in it (0: none).
size_t TraceFileCallsNotKept();

// Whether a trace is open, and path names its file (whatever name reaches
// it) and none of the keptCount files kept does: a later session of the
// process may then go on in it (TraceFileGoOn) instead of starting it anew.
bool TraceFileGoesOnAt(const char *path, const TraceKeptFile *kept, size_t keptCount);

// A session has ended. An open trace goes on taking every line, and the
// lines from here on are also held back, for a next session that starts
// another trace; without an open trace they are held back alone.
void TraceFileSessionEnded();

// The next session goes on in the open trace: what was held back for
// another one is dropped, as the trace has it already.
void TraceFileGoOn();

// Closes the trace; from here on lines are held back again, after those
// already held back.
void TraceFileStop();

// Whether a line added now goes anywhere: to an open trace, or held back for
// one. Where it does not, a caller need not make the line at all.
bool TraceFileTakesLines();

// A call's line in two steps, so that a call that never returns still has
// its call part in the trace: the call part (callLength bytes) goes to an
// open trace at once, before the call; once the call has returned, the whole
// line (length bytes, the call part first; LF appended) ends it. Held-back
// lines are whole ones only: a call part is held back with its line, at its
// end. Nothing else may be added between the two steps.
// Should the process die of a fatal signal or an unhandled exception between
// the two, the call part is followed by a line end and the note
// "# the call above never returned: " and the cause (platform/fatal_note.h).
void TraceFileCallStarted(const char *callPart, size_t callLength);
void TraceFileCallEnded(const char *line, size_t length, size_t callLength);

// The start of that note's text, after "# ".
#define TRACE_NEVER_RETURNED "the call above never returned: "

// Adds a note that is not a call, as a line "# text" (cut at its first line
// end). Every call line starts with "ZKT_", so a reader tells them apart.
void TraceFileNote(const char *text);

// The note a trace starts with when calls made before it started are not in
// it: "<calls> calls made before the trace started are not in it"; and
// whether a note's text (after "# ") is one, for a replay to refuse a
// recording known to be incomplete.
std::string TraceNotKeptNote(unsigned long long calls);
bool TraceIsNotKeptNote(const char *text, size_t length);

#endif  // QUILMAR_CALLTRACE_TRACE_FILE_H
