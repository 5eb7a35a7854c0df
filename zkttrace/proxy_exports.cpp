// The tracing proxy's face: the twelve ZKT_ operations, each handing the
// caller's own arguments to the target library and writing one trace line
// from what went in and what came back. The caller sees exactly what the
// target did: the proxy only reads through the pointers.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boardlib/zkt_api.h"
#include "calltrace/call_line.h"
#include "calltrace/trace_file.h"
#include "zkttrace/trace_target.h"

namespace {

constexpr const char *kTraceFileVariable = "ZKT_TRACE_FILE";
constexpr const char *kDefaultTraceFile = "zkt-trace.log";

// What every operation answers when there is no usable target; nothing is
// written through the caller's pointers then.
const int32_t kNoTarget = static_cast<int32_t>(ZKTerr_BAD_MODE);

struct Proxy {
    TraceTarget target;
    bool forwarding;
};

Proxy Start() {
    Proxy proxy{};
    proxy.forwarding = LoadTraceTarget(&proxy.target);
    const char *path = std::getenv(kTraceFileVariable);
    if (path == nullptr || path[0] == '\0') path = kDefaultTraceFile;
    const int error = TraceFileStart(path);
    if (error != 0) {
        std::fprintf(stderr,
                     "zkttrace: cannot open trace file '%s' (%s); calls go on without a trace\n",
                     path, std::strerror(error));
    }
    return proxy;
}

// Set up at the first call: loading another library is not allowed while
// this one is being loaded on Windows, and the first call comes only after.
const Proxy &TheProxy() {
    static const Proxy proxy = Start();
    return proxy;
}

}  // namespace

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineDisplayMode(&line, mode);
    const int32_t result = p.forwarding ? p.target.displayMode(mode) : kNoTarget;
    CallLineResult(&line, result);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineInit(&line, configFile, count);
    const int32_t result = p.forwarding ? p.target.init(configFile, count) : kNoTarget;
    CallLineResultCount(&line, result, count);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineLidList(&line, lids, capacity, count);
    const int32_t result = p.forwarding ? p.target.lidList(lids, capacity, count) : kNoTarget;
    CallLineResultLids(&line, result, lids, count);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineGetInfo(&line, lid, info);
    const int32_t result = p.forwarding ? p.target.getInfo(lid, info) : kNoTarget;
    CallLineResultInfo(&line, result, info);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineOpen(&line, lid, mode, reserved);
    const int32_t result = p.forwarding ? p.target.open(lid, mode, reserved) : kNoTarget;
    CallLineResult(&line, result);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLinePuList(&line, device, items, capacity, count);
    const int32_t result =
        p.forwarding ? p.target.puList(device, items, capacity, count) : kNoTarget;
    CallLineResultUnits(&line, result, items, count);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineServiceList(&line, device, reserved, items, capacity, count);
    const int32_t result =
        p.forwarding ? p.target.serviceList(device, reserved, items, capacity, count) : kNoTarget;
    CallLineResultServices(&line, result, items, count);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineCapture(&line, device, reserved, mode, name, timeout);
    const int32_t result =
        p.forwarding ? p.target.capture(device, reserved, mode, name, timeout) : kNoTarget;
    CallLineResultMode(&line, result, mode);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineCtrl(&line, service, reserved, code, payload);
    const int32_t status =
        p.forwarding ? p.target.ctrl(service, reserved, code, payload) : kNoTarget;
    CallLineResultCtrl(&line, status, payload);
    TraceFileLine(line.text.c_str());
    return status;
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineRelease(&line, service, reserved);
    const int32_t result = p.forwarding ? p.target.release(service, reserved) : kNoTarget;
    CallLineResult(&line, result);
    TraceFileLine(line.text.c_str());
    return result;
}

int32_t ZKT_CALL ZKT_close(int32_t device) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineClose(&line, device);
    const int32_t result = p.forwarding ? p.target.close(device) : kNoTarget;
    CallLineResult(&line, result);
    TraceFileLine(line.text.c_str());
    return result;
}

// Unlike the simulator, the proxy keeps one trace for the whole process:
// calls after ZKT_cleanup go on into the same file.
int32_t ZKT_CALL ZKT_cleanup(void) {
    const Proxy &p = TheProxy();
    CallLine line;
    CallLineCleanup(&line);
    const int32_t result = p.forwarding ? p.target.cleanup() : kNoTarget;
    CallLineResult(&line, result);
    TraceFileLine(line.text.c_str());
    return result;
}
