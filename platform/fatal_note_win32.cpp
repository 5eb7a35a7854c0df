#include <cstdio>
#include <cstring>

#include <io.h>
#include <windows.h>

#include "platform/fatal_note_parts.h"

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

// Seen only when no handler of the program took the exception: one the
// library catches itself, after which its call returns, never comes here.
// Nothing here allocates: the stack may be what ran out.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS *pointers) {
    const DWORD code = pointers->ExceptionRecord->ExceptionCode;
    // Room for the longest cause in full, "exception 0x00000000 (integer
    // division by zero)": 47 bytes and the NUL.
    char cause[64] = "exception 0x00000000";
    const size_t digitsEnd = std::strlen(cause);
    for (size_t digit = 0; digit < 8; ++digit) {
        cause[digitsEnd - 1 - digit] = "0123456789ABCDEF"[(code >> (4 * digit)) & 0xFu];
    }
    char full[sizeof cause];
    std::memcpy(full, cause, sizeof cause);
    for (const KnownException &known : kKnownExceptions) {
        if (known.code != code) continue;
        std::strcat(full, " (");
        std::strcat(full, known.what);
        std::strcat(full, ")");
    }
    FatalNoteWrite(cause, full);
    return previous != nullptr ? previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void FatalNoteInstall() { previous = SetUnhandledExceptionFilter(OnUnhandledException); }

int FatalNoteDescriptor(FILE *file) { return _fileno(file); }

// Through the C runtime's descriptor, which writes a line end as the
// stream would: CR LF on a console stream in text mode, LF in a trace.
long FatalNoteWritePart(int descriptor, const char *text, size_t length) {
    return _write(descriptor, text, static_cast<unsigned>(length));
}
