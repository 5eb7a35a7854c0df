// The tool's command line. A run programs every synthesizer it finds, so
// anything given on the command line is answered here, before the board
// access library is touched: asking for help or mistyping an option must
// never reach a board.
#ifndef QUILMAR_APP_COMMAND_LINE_H
#define QUILMAR_APP_COMMAND_LINE_H

// Returned when there are no arguments: the run goes ahead.
constexpr int kCommandLineRun = -1;

// Answers the arguments of main, if any: help or the version on standard
// output (exit status 0, or 1 when it could not be written), or one line
// naming an argument not understood and the usage on standard error (exit
// status 2). Every argument must be understood before the first one is
// acted on. Returns kCommandLineRun without arguments, else the exit status.
int AnswerCommandLine(int argc, char **argv);

#endif  // QUILMAR_APP_COMMAND_LINE_H
