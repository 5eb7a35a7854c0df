// What the tracing proxy adds to its traced exports: every call goes to the
// target library with the caller's own arguments. The caller sees exactly
// what the target did: the trace only reads through the pointers.
#include <cstdlib>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_bound.h"
#include "calltrace/traced_exports.h"
#include "zktini/trace_start.h"
#include "zkttrace/trace_target.h"

namespace {

const TraceStartWords kTraceWords = {"zkttrace: ", "the file ZKT_init named",
                                     "calls go on without a trace", ", calls go on", true};

bool traceStarted = false;

// Starts the trace with the lines held back so far, never over the file
// ZKT_init named (configFile, null when none was) nor over the recording
// that file names.
void StartTrace(const char *configFile) {
    if (traceStarted) return;
    traceStarted = true;
    const char *path = std::getenv("ZKT_TRACE_FILE");
    if (path == nullptr || path[0] == '\0') path = "zkt-trace.log";
    ZktIniStartTrace(kTraceWords, configFile, path);
}

// A process that never calls ZKT_init still gets the trace of its calls.
void StartTraceAtExit() { StartTrace(nullptr); }

// The target as messages name it; empty when there is none to call.
std::string targetShown;

// Set up at the first call: loading another library is not allowed while
// this one is being loaded on Windows, and the first call comes only after.
// The trace is started on entry to ZKT_init, before the call: the file it
// names, and the recording that file names, are known from its argument,
// and ZKT_init itself reaches the file even if the target never returns.
// The calls before are held back. Unlike the simulator's, the proxy's trace
// covers the whole process: calls after ZKT_cleanup go on into the same file.
void LoadTarget() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    LoadTraceTarget(&targetShown);
    std::atexit(StartTraceAtExit);
}

}  // namespace

// Each operation the target has goes to it; one it lacks answers
// kZktRefused, said once, at its first call. A program that never calls it
// runs as it would without the proxy.
const ZktOps &ExportedOps(ZktOperation operation) {
    LoadTarget();
    static bool told[kZktOperationCount] = {};
    if (!targetShown.empty() && !ZktBound(operation) && !told[operation]) {
        told[operation] = true;
        std::fprintf(stderr, "zkttrace: %s has no %s; %s answers ZKTerr_BAD_MODE\n",
                     targetShown.c_str(), ZktNotFound(operation).c_str(),
                     kZktOperationNames[operation].name);
    }
    return ZktBoundOps();
}

// The target's calls are written as they are made.
TracedBeforeCall ExportedBeforeCall() { return nullptr; }

void ExportedBeforeInit(const char *configFile, const int32_t *) {
    LoadTarget();  // a target that cannot be loaded is told first
    StartTrace(configFile);
}

void ExportedAfterCleanup() {}
