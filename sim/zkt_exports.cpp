// The exported face of the simulated library: the twelve ZKT_ operations,
// unmangled, each a traced call of the session's backend. The session's
// zkt.ini is read, and its trace started, before ZKT_init is answered; the
// trace stops after ZKT_cleanup.
#include "boardlib/zkt_api.h"
#include "calltrace/traced_ops.h"
#include "sim/sim_session.h"

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    return TracedDisplayMode(SimSessionOps(), mode);
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    SimSessionInit(configFile, count);
    return TracedInit(SimSessionOps(), configFile, count);
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return TracedLidList(SimSessionOps(), lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    return TracedGetInfo(SimSessionOps(), lid, info);
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return TracedOpen(SimSessionOps(), lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return TracedPuList(SimSessionOps(), device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return TracedServiceList(SimSessionOps(), device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return TracedCapture(SimSessionOps(), device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return TracedCtrl(SimSessionOps(), service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return TracedRelease(SimSessionOps(), service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) { return TracedClose(SimSessionOps(), device); }

int32_t ZKT_CALL ZKT_cleanup(void) {
    const int32_t result = TracedCleanup(SimSessionOps());
    SimSessionEnd();
    return result;
}
