#include <csignal>

#include <unistd.h>

#include "platform/fatal_note_parts.h"

namespace {

struct FatalSignal {
    int number;
    const char *name;
    const char *inFull;
};

// Written as they are: a handler may not ask the system for a signal's name.
const FatalSignal kFatalSignals[] = {
    {SIGSEGV, "SIGSEGV", "the process received SIGSEGV (Segmentation fault)"},
    {SIGBUS, "SIGBUS", "the process received SIGBUS (Bus error)"},
    {SIGILL, "SIGILL", "the process received SIGILL (Illegal instruction)"},
    {SIGFPE, "SIGFPE", "the process received SIGFPE (Floating point exception)"},
    {SIGABRT, "SIGABRT", "the process received SIGABRT (Aborted)"},
};
constexpr size_t kSignalCount = sizeof kFatalSignals / sizeof kFatalSignals[0];

struct sigaction previous[kSignalCount];

void OnFatalSignal(int number, siginfo_t *info, void *context) {
    size_t i = 0;
    while (i < kSignalCount && kFatalSignals[i].number != number) ++i;
    if (i == kSignalCount) return;
    FatalNoteWrite(kFatalSignals[i].name, kFatalSignals[i].inFull);
    const struct sigaction &before = previous[i];
    if ((before.sa_flags & SA_SIGINFO) != 0) {
        before.sa_sigaction(number, info, context);
    } else if (before.sa_handler == SIG_DFL) {
        // Blocked while this runs: the default action comes on return.
        sigaction(number, &before, nullptr);
        raise(number);
    } else {
        before.sa_handler(number);
    }
}

}  // namespace

void FatalNoteInstall() {
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignalCount; ++i) {
        if (sigaction(kFatalSignals[i].number, nullptr, &previous[i]) == 0 &&
            previous[i].sa_handler != SIG_IGN) {
            sigaction(kFatalSignals[i].number, &action, nullptr);
        }
    }
}

int FatalNoteDescriptor(FILE *file) { return fileno(file); }

long FatalNoteWritePart(int descriptor, const char *text, size_t length) {
    return static_cast<long>(write(descriptor, text, length));
}
