// The command line of the programs, answered alike by each of them: -h and
// --help (and the system's own help switch, "/?" on Windows) print the help,
// --version one line with the version, both on standard output; an argument
// not understood gets one line naming it and the usage on standard error.
// Each program runs only once its command line is understood, so asking for
// help or mistyping an option never reaches a board.
#ifndef QUILMAR_CMDLINE_COMMAND_LINE_H
#define QUILMAR_CMDLINE_COMMAND_LINE_H

#include <cstddef>

// What a program takes on its command line, and its texts.
struct CommandLineProgram {
    const char *name;         // first word of the version line and of each message
    const char *usage;        // the usage lines: the help's start, and after a refusal
    const char *description;  // the rest of the help
    // Without a file: no argument but the switches, each of which must be
    // one (the first decides); "--" is no switch. With one: switches
    // (the first decides, and the file is then not written) and at most one
    // file ("-": standard output); "--" ends the switches, and an unknown
    // option is named before anything else is said.
    bool takesFile;
};

// Returned when the program is to run.
constexpr int kCommandLineRun = -1;

// The first thing main does: makes the standard streams and the process
// ready (PlatformEnsureStandardStreams, whose result goes to *openedStreams,
// then PlatformStartUp), then answers the arguments of main. Returns
// kCommandLineRun when the program is to run, with the file named in *file
// (null: none, or standard output), else the exit status: 0 when the help or
// the version was written, 1 when it could not be (the system's reason on
// standard error), 2 when an argument was not understood. openedStreams and
// file may be null where a program has no use for them.
int StartProgram(const CommandLineProgram &program, int argc, char **argv, unsigned *openedStreams,
                 const char **file);

// Writes length bytes of text to standard output and flushes it. A standard
// output that the process was started without (outputClosed: the null device
// stands in for it) fails as a closed one would: the text would vanish.
// Returns false on failure with the system's reason in reason (reasonSize
// bytes).
bool WriteStandardOutput(const char *text, size_t length, bool outputClosed, char *reason,
                         size_t reasonSize);

#endif  // QUILMAR_CMDLINE_COMMAND_LINE_H
