// Process set-up shared by the fuzz harnesses.
#ifndef QUILMAR_FUZZ_HARNESS_IO_H
#define QUILMAR_FUZZ_HARNESS_IO_H

// Puts standard input at end of file, so no key wait can block, and sends
// standard output to /dev/null: a run prints far more than anyone reads.
// Aborts when either cannot be done.
void QuietStandardStreams();

#endif  // QUILMAR_FUZZ_HARNESS_IO_H
