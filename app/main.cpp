// quilmar: lists the boards that the board access library reports and
// programs their synthesizer services from quilmar.ini.
#include <cstdio>

#include "app/walk.h"
#include "boardlib/zkt_ops.h"
#include "boardlib/zkt_reach.h"
#include "cmdline/command_line.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace {

// A run programs every synthesizer it finds: an argument only gets an answer.
const CommandLineProgram kCommandLine = {
    "quilmar",
    "usage: quilmar [--help | --version]\n",
    "Lists the boards that the board access library (ZKT) reports, with their\n"
    "units and services, and programs the synthesizer service BASEDDS0 of each\n"
    "board from quilmar.ini in the current folder. Every board access goes\n"
    "through the library. Started without arguments it does all that, then\n"
    "waits for a key; with an argument it only answers and touches no board.\n"
    "\n"
    "  -h, --help   print this help and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "The reference is the manual page quilmar(1) (man quilmar); on Windows,\n"
    "README.txt beside quilmar.exe.\n",
    false,
};

}  // namespace

int main(int argc, char **argv) {
    const int answered = StartProgram(kCommandLine, argc, argv, nullptr, nullptr);
    if (answered != kCommandLineRun) return answered;
    // The walk and the synthesizer set-up call every operation: a library
    // must have them all.
    if (!ZktReachLibrary("quilmar", kZktAllOperations)) return 1;
    // Line by line into a file or a pipe too, so that a library that
    // crashes takes none of what was printed before with it.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    LoadSettings();
    PlatformWatchInterrupts();
    WalkDevices();
    // An interrupted run has released and closed what it held; it ends as
    // the interrupt would have, without the closing wait.
    if (PlatformInterrupted()) PlatformEndInterrupted();
    PlatformWaitKey();
    if (PlatformInterrupted()) PlatformEndInterrupted();
    return 0;
}
