// A line written when the process dies in the middle of something: a fatal
// signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) on POSIX, an unhandled
// exception on Windows. The text is prepared before it is needed: the
// handler only writes it, then the process ends as it would have without
// it. Whatever handled these before is chained to: a default action is
// restored and the signal raised again, an ignored signal stays ignored (no
// handler is put in its place), a program's own handler or filter is called;
// so the exit status and the program's own handling stay as they were.
// The handlers are installed at the first arming, once per module.
#ifndef QUILMAR_PLATFORM_FATAL_NOTE_H
#define QUILMAR_PLATFORM_FATAL_NOTE_H

#include <cstdio>

// Until FatalNoteDisarm, a fatal signal or unhandled exception writes to
// file, unbuffered, the text before, the cause, and the text after. before
// and after must stay as they are while armed. The cause is in full when
// causeInFull ("the process received SIGSEGV (Segmentation fault)",
// "exception 0xC0000005 (access violation)"), else short ("SIGSEGV",
// "exception 0xC0000005").
void FatalNoteArm(FILE *file, const char *before, const char *after, bool causeInFull);
void FatalNoteDisarm();

#endif  // QUILMAR_PLATFORM_FATAL_NOTE_H
