// The parts of the fatal note that differ between systems, which each
// system's file gives fatal_note_common.cpp, and what the common part gives
// the systems' handlers in return.
#ifndef QUILMAR_PLATFORM_FATAL_NOTE_PARTS_H
#define QUILMAR_PLATFORM_FATAL_NOTE_PARTS_H

#include <cstddef>
#include <cstdio>

// Installs the system's handlers; called once, at the first arming.
void FatalNoteInstall();

// The descriptor of file, for writing to it from a handler.
int FatalNoteDescriptor(FILE *file);

// Writes at most length bytes of text to descriptor from a handler. Returns
// how many were written; 0 or less when none could be.
long FatalNoteWritePart(int descriptor, const char *text, size_t length);

// From a handler: when a note is armed, disarms it and writes it, with
// fullCause or shortCause as it was armed to. Only async-signal-safe calls.
void FatalNoteWrite(const char *shortCause, const char *fullCause);

#endif  // QUILMAR_PLATFORM_FATAL_NOTE_PARTS_H
