// The exported face of the simulated library: the twelve ZKT_ operations,
// unmangled, each handing over to its SimOp function.
#include "boardlib/zkt_api.h"
#include "sim/sim_ops.h"

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) { return SimOpDisplayMode(mode); }

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    return SimOpInit(configFile, count);
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return SimOpLidList(lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) { return SimOpGetInfo(lid, info); }

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return SimOpOpen(lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return SimOpPuList(device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return SimOpServiceList(device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return SimOpCapture(device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return SimOpCtrl(service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return SimOpRelease(service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) { return SimOpClose(device); }

int32_t ZKT_CALL ZKT_cleanup(void) { return SimOpCleanup(); }
