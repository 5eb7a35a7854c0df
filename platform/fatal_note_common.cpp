// The fatal note's state and its writing, alike on every system; the
// handlers that call it are each system's own.
#include <atomic>
#include <cstring>

#include "platform/fatal_note.h"
#include "platform/fatal_note_parts.h"

namespace {

// Lock-free, so a handler may take it: a note is written at most once.
std::atomic<int> armed{0};
static_assert(ATOMIC_INT_LOCK_FREE == 2, "a handler may exchange the armed flag");
int noteFile = -1;
const char *noteBefore = "";
const char *noteAfter = "";
bool noteInFull = false;

void WriteAll(const char *text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const long written = FatalNoteWritePart(noteFile, text, left);
        if (written <= 0) return;
        text += written;
        left -= static_cast<size_t>(written);
    }
}

}  // namespace

void FatalNoteArm(FILE *file, const char *before, const char *after, bool causeInFull) {
    static const bool installed = (FatalNoteInstall(), true);
    (void)installed;
    noteFile = FatalNoteDescriptor(file);
    noteBefore = before;
    noteAfter = after;
    noteInFull = causeInFull;
    armed.store(1);
}

void FatalNoteDisarm() { armed.store(0); }

void FatalNoteWrite(const char *shortCause, const char *fullCause) {
    if (armed.exchange(0) == 0) return;
    WriteAll(noteBefore);
    WriteAll(noteInFull ? fullCause : shortCause);
    WriteAll(noteAfter);
}
