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

constexpr const char *kTraceFileVariable = "ZKT_TRACE_FILE";
constexpr const char *kDefaultTraceFile = "zkt-trace.log";
const TraceStartWords kTraceWords = {"zkttrace: ", "the file ZKT_init named",
                                     "calls go on without a trace", ", calls go on", true};

// What every operation answers when there is no usable target; nothing is
// written through the caller's pointers then.
const int32_t kNoTarget = static_cast<int32_t>(ZKTerr_BAD_MODE);

int32_t RefuseDisplayMode(int32_t) { return kNoTarget; }
int32_t RefuseInit(const char *, int32_t *) { return kNoTarget; }
int32_t RefuseLidList(uint32_t *, int32_t, int32_t *) { return kNoTarget; }
int32_t RefuseGetInfo(uint32_t, BoardInfo *) { return kNoTarget; }
int32_t RefuseOpen(uint32_t, int32_t, void *) { return kNoTarget; }
int32_t RefusePuList(int32_t, PuItem *, int32_t, int32_t *) { return kNoTarget; }
int32_t RefuseServiceList(int32_t, int32_t, ServiceItem *, int32_t, int32_t *) { return kNoTarget; }
int32_t RefuseCapture(int32_t, int32_t, int32_t *, const char *, int32_t) { return kNoTarget; }
int32_t RefuseCtrl(int32_t, int32_t, int32_t, void *) { return kNoTarget; }
int32_t RefuseRelease(int32_t, int32_t) { return kNoTarget; }
int32_t RefuseClose(int32_t) { return kNoTarget; }
int32_t RefuseCleanup() { return kNoTarget; }

const ZktOps kRefusingOps = {RefuseDisplayMode, RefuseInit,    RefuseLidList,     RefuseGetInfo,
                             RefuseOpen,        RefusePuList,  RefuseServiceList, RefuseCapture,
                             RefuseCtrl,        RefuseRelease, RefuseClose,       RefuseCleanup};

bool traceStarted = false;

// Starts the trace with the lines held back so far, never over the file
// ZKT_init named (configFile, null when none was) nor over the recording
// that file names.
void StartTrace(const char *configFile) {
    if (traceStarted) return;
    traceStarted = true;
    const char *path = std::getenv(kTraceFileVariable);
    if (path == nullptr || path[0] == '\0') path = kDefaultTraceFile;
    ZktIniStartTrace(kTraceWords, configFile, path);
}

// A process that never calls ZKT_init still gets the trace of its calls.
void StartTraceAtExit() { StartTrace(nullptr); }

// The trace is started on entry to ZKT_init, before the call: the file it
// names, and the recording that file names, are known from its argument,
// and ZKT_init itself reaches the file even if the target never returns.
// The calls before are held back.
const ZktOps *Start() {
    const ZktOps *ops = LoadTraceTarget() ? &ZktBoundOps() : &kRefusingOps;
    std::atexit(StartTraceAtExit);
    return ops;
}

// Set up at the first call: loading another library is not allowed while
// this one is being loaded on Windows, and the first call comes only after.
// Unlike the simulator's, the proxy's trace covers the whole process: calls
// after ZKT_cleanup go on into the same file.
const ZktOps &Target() {
    static const ZktOps *const ops = Start();
    return *ops;
}

}  // namespace

const ZktOps &ExportedOps() { return Target(); }

void ExportedBeforeInit(const char *configFile, const int32_t *) {
    Target();  // a target that cannot be loaded is told first
    StartTrace(configFile);
}

void ExportedAfterInit(const char *) {}

void ExportedAfterCleanup() {}
