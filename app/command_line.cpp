#include "app/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "quilmar_version.h"
#include "textesc/text_escape.h"

namespace {

const char kUsageLine[] = "usage: quilmar [--help | --version]\n";

const char kHelp[] =
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
    "README.txt beside quilmar.exe.\n";

constexpr int kExitDone = 0;
constexpr int kExitOutputFailed = 1;
constexpr int kExitUsage = 2;

enum Request { kUnknown, kHelpRequest, kVersionRequest };

Request RequestOf(const char *argument) {
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
        PlatformIsHelpSwitch(argument)) {
        return kHelpRequest;
    }
    if (std::strcmp(argument, "--version") == 0) return kVersionRequest;
    return kUnknown;
}

// Help that went nowhere (a full disk, a closed pipe) is not reported as
// printed.
int FinishOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno != 0 ? errno : EIO;
        std::fprintf(stderr, "quilmar: standard output: %s\n", std::strerror(error));
        return kExitOutputFailed;
    }
    return kExitDone;
}

}  // namespace

int AnswerCommandLine(int argc, char **argv) {
    if (argc < 2) return kCommandLineRun;
    for (int i = 1; i < argc; ++i) {
        if (RequestOf(argv[i]) == kUnknown) {
            std::fprintf(stderr, "quilmar: unknown argument '%s'\n",
                         EscapedControls(argv[i]).c_str());
            std::fputs(kUsageLine, stderr);
            return kExitUsage;
        }
    }
    if (RequestOf(argv[1]) == kVersionRequest) {
        std::printf("quilmar %s\n", QUILMAR_VERSION);
    } else {
        std::fputs(kUsageLine, stdout);
        std::fputs(kHelp, stdout);
    }
    return FinishOutput();
}
