// A session of the simulated library: from its first call to ZKT_cleanup.
// Its backend, the model of the boards or the replay of a recording, is
// picked once for the whole session, at its first call: the replay when
// the zkt.ini in the current folder names a recording that can be read
// (read silently, since ZKT_init reports every problem of the file it is
// given), else the model. ZKT_init reads the zkt.ini it names, starts the
// trace that file names and may pick again: the calls before it stand as
// answered, and a note in the trace says so.
#ifndef QUILMAR_SIM_SIM_SESSION_H
#define QUILMAR_SIM_SIM_SESSION_H

#include <cstdint>

#include "boardlib/zkt_ops.h"
#include "calltrace/traced_ops.h"

// The backend answering the session's calls; each exported operation asks
// once per call.
const ZktOps &SimSessionOps();

// Whether the session's zkt.ini names operation in Crash (for tests only),
// and the table whose every operation then crashes the process, as a faulty
// library would: a write through a null pointer.
bool SimSessionCrashesIn(ZktOperation operation);
const ZktOps &SimCrashOps();

// What runs before a call of SimSessionOps is written: the replay's match
// of the call, whose note on a divergence then stands before the line; null
// for the model.
TracedBeforeCall SimSessionBeforeCall();

// Before ZKT_init is answered: reads configFile, reports its problems on
// standard error, starts its trace and settles the backend. Does nothing
// for a ZKT_init that is misuse (a session already initialised, a null
// argument); the backend answers that one as misuse.
void SimSessionInit(const char *configFile, const int32_t *count);

// After ZKT_cleanup is answered: stops the trace and forgets the boards and
// the backend.
void SimSessionEnd();

#endif  // QUILMAR_SIM_SIM_SESSION_H
