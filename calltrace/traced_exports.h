// The exported face of a library that answers the twelve ZKT_ operations
// through a table and traces every call: the simulator and the tracing
// proxy. The exports themselves are written once, in traced_exports.cpp,
// which each such library compiles in (an export in a static library would
// never be linked in); the library supplies the four functions below.
#ifndef QUILMAR_CALLTRACE_TRACED_EXPORTS_H
#define QUILMAR_CALLTRACE_TRACED_EXPORTS_H

#include <cstdint>

#include "boardlib/zkt_ops.h"

// The table that answers the call being made; asked once per call.
const ZktOps &ExportedOps();

// Just before ZKT_init is answered, with the caller's arguments.
void ExportedBeforeInit(const char *configFile, const int32_t *count);

// Just after ZKT_init is answered and traced, with the file it was given.
void ExportedAfterInit(const char *configFile);

// Just after ZKT_cleanup is answered.
void ExportedAfterCleanup();

#endif  // QUILMAR_CALLTRACE_TRACED_EXPORTS_H
