#include "calltrace/traced_ops.h"

#include "calltrace/trace_file.h"

namespace {

// Reused from call to call, so its texts and lists keep their storage.
CallLine current;

int32_t Finish(int32_t result) {
    TraceFileLine(current.text.c_str());
    return result;
}

}  // namespace

int32_t TracedDisplayMode(const ZktOps &ops, int32_t mode) {
    CallLineDisplayMode(&current, mode);
    const int32_t result = ops.displayMode(mode);
    CallLineResult(&current, result);
    return Finish(result);
}

int32_t TracedInit(const ZktOps &ops, const char *configFile, int32_t *count) {
    CallLineInit(&current, configFile, count);
    const int32_t result = ops.init(configFile, count);
    CallLineResultCount(&current, result, count);
    return Finish(result);
}

int32_t TracedLidList(const ZktOps &ops, uint32_t *lids, int32_t capacity, int32_t *count) {
    CallLineLidList(&current, lids, capacity, count);
    const int32_t result = ops.lidList(lids, capacity, count);
    CallLineResultLids(&current, result, lids, count);
    return Finish(result);
}

int32_t TracedGetInfo(const ZktOps &ops, uint32_t lid, BoardInfo *info) {
    CallLineGetInfo(&current, lid, info);
    const int32_t result = ops.getInfo(lid, info);
    CallLineResultInfo(&current, result, info);
    return Finish(result);
}

int32_t TracedOpen(const ZktOps &ops, uint32_t lid, int32_t mode, void *reserved) {
    CallLineOpen(&current, lid, mode, reserved);
    const int32_t result = ops.open(lid, mode, reserved);
    CallLineResult(&current, result);
    return Finish(result);
}

int32_t TracedPuList(const ZktOps &ops, int32_t device, PuItem *items, int32_t capacity,
                     int32_t *count) {
    CallLinePuList(&current, device, items, capacity, count);
    const int32_t result = ops.puList(device, items, capacity, count);
    CallLineResultUnits(&current, result, items, count);
    return Finish(result);
}

int32_t TracedServiceList(const ZktOps &ops, int32_t device, int32_t reserved, ServiceItem *items,
                          int32_t capacity, int32_t *count) {
    CallLineServiceList(&current, device, reserved, items, capacity, count);
    const int32_t result = ops.serviceList(device, reserved, items, capacity, count);
    CallLineResultServices(&current, result, items, count);
    return Finish(result);
}

int32_t TracedCapture(const ZktOps &ops, int32_t device, int32_t reserved, int32_t *mode,
                      const char *name, int32_t timeout) {
    CallLineCapture(&current, device, reserved, mode, name, timeout);
    const int32_t result = ops.capture(device, reserved, mode, name, timeout);
    CallLineResultMode(&current, result, mode);
    return Finish(result);
}

int32_t TracedCtrl(const ZktOps &ops, int32_t service, int32_t reserved, int32_t code,
                   void *payload) {
    CallLineCtrl(&current, service, reserved, code, payload);
    const int32_t status = ops.ctrl(service, reserved, code, payload);
    CallLineResultCtrl(&current, status, payload);
    return Finish(status);
}

int32_t TracedRelease(const ZktOps &ops, int32_t service, int32_t reserved) {
    CallLineRelease(&current, service, reserved);
    const int32_t result = ops.release(service, reserved);
    CallLineResult(&current, result);
    return Finish(result);
}

int32_t TracedClose(const ZktOps &ops, int32_t device) {
    CallLineClose(&current, device);
    const int32_t result = ops.close(device);
    CallLineResult(&current, result);
    return Finish(result);
}

int32_t TracedCleanup(const ZktOps &ops) {
    CallLineCleanup(&current);
    const int32_t result = ops.cleanup();
    CallLineResult(&current, result);
    return Finish(result);
}

const CallLine &TracedCall() { return current; }

void TracedNote(const char *text) { TraceFileNote(text); }
