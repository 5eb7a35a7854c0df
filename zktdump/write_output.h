// Puts the finished dump where the user asked for it.
#ifndef QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
#define QUILMAR_ZKTDUMP_WRITE_OUTPUT_H

#include <cstddef>
#include <string>

// Writes text to standard output when path is null; otherwise replaces the
// file at path with it: the text goes into a new file beside it, which is
// renamed over path only once it is complete, so a failure leaves path as it
// was. Returns false on failure, with a message naming the file and the
// system's reason in message (messageSize bytes).
bool WriteOutput(const char *path, const std::string &text, char *message, size_t messageSize);

#endif  // QUILMAR_ZKTDUMP_WRITE_OUTPUT_H
