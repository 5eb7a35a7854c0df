// The tracing proxy's face: the twelve ZKT_ operations, each a traced call
// of the target library with the caller's own arguments. The caller sees
// exactly what the target did: the trace only reads through the pointers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_bound.h"
#include "calltrace/trace_file.h"
#include "calltrace/traced_ops.h"
#include "zkttrace/trace_target.h"

namespace {

constexpr const char *kTraceFileVariable = "ZKT_TRACE_FILE";
constexpr const char *kDefaultTraceFile = "zkt-trace.log";

// What every operation answers when there is no usable target; nothing is
// written through the caller's pointers then.
const int32_t kNoTarget = static_cast<int32_t>(ZKTerr_BAD_MODE);

int32_t RefuseDisplayMode(int32_t) { return kNoTarget; }
int32_t RefuseInit(const char *, int32_t *) { return kNoTarget; }
int32_t RefuseLidList(uint32_t *, int32_t, int32_t *) { return kNoTarget; }
int32_t RefuseGetInfo(uint32_t, BoardInfo *) { return kNoTarget; }
int32_t RefuseOpen(uint32_t, int32_t, void *) { return kNoTarget; }
int32_t RefusePuList(int32_t, PuItem *, int32_t, int32_t *) { return kNoTarget; }
int32_t RefuseServiceList(int32_t, int32_t, ServiceItem *, int32_t, int32_t *) {
    return kNoTarget;
}
int32_t RefuseCapture(int32_t, int32_t, int32_t *, const char *, int32_t) { return kNoTarget; }
int32_t RefuseCtrl(int32_t, int32_t, int32_t, void *) { return kNoTarget; }
int32_t RefuseRelease(int32_t, int32_t) { return kNoTarget; }
int32_t RefuseClose(int32_t) { return kNoTarget; }
int32_t RefuseCleanup() { return kNoTarget; }

const ZktOps kRefusingOps = {RefuseDisplayMode, RefuseInit,    RefuseLidList, RefuseGetInfo,
                             RefuseOpen,        RefusePuList,  RefuseServiceList,
                             RefuseCapture,     RefuseCtrl,    RefuseRelease, RefuseClose,
                             RefuseCleanup};

const ZktOps *Start() {
    const ZktOps *ops = LoadTraceTarget() ? &ZktBoundOps() : &kRefusingOps;
    const char *path = std::getenv(kTraceFileVariable);
    if (path == nullptr || path[0] == '\0') path = kDefaultTraceFile;
    const int error = TraceFileStart(path);
    if (error != 0) {
        std::fprintf(stderr,
                     "zkttrace: cannot open trace file '%s' (%s); calls go on without a trace\n",
                     path, std::strerror(error));
    }
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

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) { return TracedDisplayMode(Target(), mode); }

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    return TracedInit(Target(), configFile, count);
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return TracedLidList(Target(), lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    return TracedGetInfo(Target(), lid, info);
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return TracedOpen(Target(), lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return TracedPuList(Target(), device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return TracedServiceList(Target(), device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return TracedCapture(Target(), device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return TracedCtrl(Target(), service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return TracedRelease(Target(), service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) { return TracedClose(Target(), device); }

int32_t ZKT_CALL ZKT_cleanup(void) { return TracedCleanup(Target()); }
