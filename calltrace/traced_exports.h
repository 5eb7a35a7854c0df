// The exported face of a library that answers the operations through a
// table and traces every call: the simulator and the tracing proxy. The
// exports are made from the list of the operations in traced_exports.cpp,
// which each such library compiles in (an export in a static library would
// never be linked in); the library supplies the four functions below.
#ifndef QUILMAR_CALLTRACE_TRACED_EXPORTS_H
#define QUILMAR_CALLTRACE_TRACED_EXPORTS_H

#include <cstdint>

#include "boardlib/zkt_ops.h"
#include "calltrace/traced_ops.h"

// The table that answers the call of operation being made; asked once per
// call.
const ZktOps &ExportedOps(ZktOperation operation);

// What runs before each call of that table is written (TracedBeforeCall),
// or null; asked right after ExportedOps.
TracedBeforeCall ExportedBeforeCall();

// Just before ZKT_init is answered, with the caller's arguments.
void ExportedBeforeInit(const char *configFile, const int32_t *count);

// Just after ZKT_cleanup is answered.
void ExportedAfterCleanup();

#endif  // QUILMAR_CALLTRACE_TRACED_EXPORTS_H
