// Puts the finished dump where the user asked for it.
#ifndef QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
#define QUILMAR_ZKTDUMP_WRITE_OUTPUT_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "platform/platform.h"

// Where the dump goes: standard output when path is null (a failure when the
// process was started with standard output closed); otherwise the file at
// path, replaced with the text: the text goes into a new file beside it,
// which is renamed over it only once it is complete, so a failure leaves the
// file as it was. A symbolic link is written through: the file it leads to
// is replaced, with its permissions, and the link stays. A path that leads
// to a pipe, a terminal or a device is written straight into.
struct DumpOutput {
    const char *path;
    bool outputClosed;
    OutputKind kind;
    FILE *file;  // the new file beside target, while it is being written
    char target[4096];
    char tempPath[4096];
};

// Makes the new file beside a regular file before the boards are asked, so
// that an output that cannot be made is said before the library is called.
// Returns false on failure, with a message naming the file and the system's
// reason in message (messageSize bytes).
bool OpenOutput(const char *path, bool outputClosed, DumpOutput *output, char *message,
                size_t messageSize);

// Writes text to the output opened by OpenOutput and puts it in place.
// Returns false on failure, with a message as OpenOutput's; the file at path
// is then as it was.
bool FinishOutput(DumpOutput *output, const std::string &text, char *message, size_t messageSize);

// Gives up an output opened by OpenOutput: nothing is written, and the file
// at path stays as it was.
void AbandonOutput(DumpOutput *output);

#endif  // QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
