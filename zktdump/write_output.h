// Puts the finished dump where the user asked for it.
#ifndef QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
#define QUILMAR_ZKTDUMP_WRITE_OUTPUT_H

#include <cstddef>
#include <string>

// Writes text to standard output when path is null (a failure when the
// process was started with standard output closed); otherwise replaces the
// file at path with it: the text goes into a new file beside it, which is
// renamed over it only once it is complete, so a failure leaves the file as
// it was. A symbolic link is written through: the file it leads to is
// replaced, with its permissions, and the link stays. A path that leads to a
// pipe, a terminal or a device is written straight into. Returns false on
// failure, with a message naming the file and the system's reason in message
// (messageSize bytes).
bool WriteOutput(const char *path, bool outputClosed, const std::string &text, char *message,
                 size_t messageSize);

#endif  // QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
