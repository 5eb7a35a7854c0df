// What the simulated library adds to its traced exports: the session's
// backend answers; the session's zkt.ini is read, and its trace started,
// before ZKT_init is answered; the session ends after ZKT_cleanup.
#include "calltrace/traced_exports.h"
#include "sim/sim_session.h"

const ZktOps &ExportedOps(ZktOperation operation) {
    return SimSessionCrashesIn(operation) ? SimCrashOps() : SimSessionOps();
}

TracedBeforeCall ExportedBeforeCall() { return SimSessionBeforeCall(); }

void ExportedBeforeInit(const char *configFile, const int32_t *count) {
    SimSessionInit(configFile, count);
}

void ExportedAfterCleanup() { SimSessionEnd(); }
