#include "cmdline/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "quilmar_version.h"
#include "textesc/text_escape.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitOutputFailed = 1;
constexpr int kExitUsage = 2;

enum Request { kNoRequest, kHelpRequest, kVersionRequest };

Request RequestOf(const char *argument) {
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
        PlatformIsHelpSwitch(argument)) {
        return kHelpRequest;
    }
    if (std::strcmp(argument, "--version") == 0) return kVersionRequest;
    return kNoRequest;
}

// One line saying what is wrong, then the usage, on standard error.
int Refuse(const CommandLineProgram &program, const std::string &what) {
    std::fprintf(stderr, "%s: %s\n", program.name, what.c_str());
    std::fputs(program.usage, stderr);
    return kExitUsage;
}

// An argument as a message shows it: its control bytes cannot act on the
// terminal.
std::string Quoted(const char *argument) { return "'" + EscapedControls(argument) + "'"; }

// Help or a version that went nowhere (a full disk, a closed pipe, no
// standard output at all) is not reported as printed.
int Answer(const CommandLineProgram &program, Request request, bool outputClosed) {
    const std::string text = request == kVersionRequest
                                 ? std::string(program.name) + " " + QUILMAR_VERSION + "\n"
                                 : std::string(program.usage) + program.description;
    char reason[256];
    if (!WriteStandardOutput(text.data(), text.size(), outputClosed, reason, sizeof reason)) {
        std::fprintf(stderr, "%s: standard output: %s\n", program.name, reason);
        return kExitOutputFailed;
    }
    return kExitDone;
}

}  // namespace

int StartProgram(const CommandLineProgram &program, int argc, char **argv, unsigned *openedStreams,
                 const char **file) {
    const unsigned opened = PlatformEnsureStandardStreams();
    PlatformStartUp();
    if (openedStreams != nullptr) *openedStreams = opened;
    const char *unnamed = nullptr;
    if (file == nullptr) file = &unnamed;
    *file = nullptr;
    if (argc < 2) return kCommandLineRun;
    const bool outputClosed = (opened & kStandardOutputOpened) != 0;
    // The whole line is understood before a request is answered or a file
    // named: an option mistyped anywhere is what the user has to fix first,
    // whatever else the line holds. Without a file every argument must be a
    // request. With one, "--" ends the options, so that a file whose name
    // starts with "-" can be named; "-" alone is an operand, standard output.
    Request request = kNoRequest;
    const char *operand = nullptr;
    int operands = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (program.takesFile && !optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        const Request asked = optionsEnded ? kNoRequest : RequestOf(argument);
        if (asked != kNoRequest) {
            if (request == kNoRequest) request = asked;
            continue;
        }
        if (!program.takesFile) return Refuse(program, "unknown argument " + Quoted(argument));
        if (!optionsEnded && argument[0] == '-' && argument[1] != '\0') {
            return Refuse(program, "unknown option " + Quoted(argument));
        }
        if (operands++ == 0) operand = argument;
    }
    if (operands > 1) return Refuse(program, "one output file at most");
    if (operand != nullptr && operand[0] == '\0') return Refuse(program, "empty file name");
    // A request is answered in place of the run: the file is not touched.
    if (request != kNoRequest) return Answer(program, request, outputClosed);
    // "-" names standard output, as no argument does.
    if (operand != nullptr && std::strcmp(operand, "-") != 0) *file = operand;
    return kCommandLineRun;
}

bool WriteStandardOutput(const char *text, size_t length, bool outputClosed, char *reason,
                         size_t reasonSize) {
    int error = EBADF;
    if (!outputClosed) {
        errno = 0;
        const size_t written = std::fwrite(text, 1, length, stdout);
        if (std::fflush(stdout) == 0 && written == length && !std::ferror(stdout)) return true;
        error = errno != 0 ? errno : EIO;
    }
    std::snprintf(reason, reasonSize, "%s", std::strerror(error));
    return false;
}
