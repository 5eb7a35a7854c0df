#include "platform/fatal_note.h"

#include <cstdint>
#include <cstring>

#include <io.h>
#include <windows.h>

namespace {

struct KnownException {
    DWORD code;
    const char *what;
};

const KnownException kKnownExceptions[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer division by zero"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
};

LPTOP_LEVEL_EXCEPTION_FILTER previous = nullptr;
volatile LONG armed = 0;
int noteFile = -1;
const char *noteBefore = "";
const char *noteAfter = "";
bool noteInFull = false;

// Through the C runtime's descriptor, which writes a line end as the
// stream would: CR LF on a console stream in text mode, LF in a trace.
void WriteAll(const char *text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const int written = _write(noteFile, text, static_cast<unsigned>(left));
        if (written <= 0) return;
        text += written;
        left -= static_cast<size_t>(written);
    }
}

// Seen only when no handler of the program took the exception: one the
// library catches itself, after which its call returns, never comes here.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS *pointers) {
    if (InterlockedExchange(&armed, 0) != 0) {
        const DWORD code = pointers->ExceptionRecord->ExceptionCode;
        char cause[] = "exception 0x00000000";
        for (int digit = 0; digit < 8; ++digit) {
            cause[sizeof cause - 2 - digit] = "0123456789ABCDEF"[(code >> (4 * digit)) & 0xFu];
        }
        WriteAll(noteBefore);
        WriteAll(cause);
        for (const KnownException &known : kKnownExceptions) {
            if (noteInFull && known.code == code) {
                WriteAll(" (");
                WriteAll(known.what);
                WriteAll(")");
            }
        }
        WriteAll(noteAfter);
    }
    return previous != nullptr ? previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void FatalNoteArm(FILE *file, const char *before, const char *after, bool causeInFull) {
    static const bool installed =
        (previous = SetUnhandledExceptionFilter(OnUnhandledException), true);
    (void)installed;
    noteFile = _fileno(file);
    noteBefore = before;
    noteAfter = after;
    noteInFull = causeInFull;
    InterlockedExchange(&armed, 1);
}

void FatalNoteDisarm() { InterlockedExchange(&armed, 0); }
