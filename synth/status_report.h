// One line per failed control command, naming the command and the error.
#ifndef QUILMAR_SYNTH_STATUS_REPORT_H
#define QUILMAR_SYNTH_STATUS_REPORT_H

#include <cstdint>

// Prints "<commandName>: <error name>\n" for status, ignoring the warning bits
// 16 to 18.
void ReportStatus(const char *commandName, int32_t status);

#endif  // QUILMAR_SYNTH_STATUS_REPORT_H
