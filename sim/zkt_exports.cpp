// The exported face of the simulated library: the twelve ZKT_ operations,
// unmangled, each handing over to its SimOp function, or to its SimReplay
// function while a recording answers. ZKT_cleanup ends either session.
#include "boardlib/zkt_api.h"
#include "sim/sim_ops.h"
#include "sim/sim_replay.h"

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    return SimReplaying() ? SimReplayDisplayMode(mode) : SimOpDisplayMode(mode);
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    return SimReplaying() ? SimReplayInit(configFile, count) : SimOpInit(configFile, count);
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return SimReplaying() ? SimReplayLidList(lids, capacity, count)
                          : SimOpLidList(lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    return SimReplaying() ? SimReplayGetInfo(lid, info) : SimOpGetInfo(lid, info);
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return SimReplaying() ? SimReplayOpen(lid, mode, reserved) : SimOpOpen(lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return SimReplaying() ? SimReplayPuList(device, items, capacity, count)
                          : SimOpPuList(device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return SimReplaying() ? SimReplayServiceList(device, reserved, items, capacity, count)
                          : SimOpServiceList(device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return SimReplaying() ? SimReplayCapture(device, reserved, mode, name, timeout)
                          : SimOpCapture(device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return SimReplaying() ? SimReplayCtrl(service, reserved, code, payload)
                          : SimOpCtrl(service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return SimReplaying() ? SimReplayRelease(service, reserved) : SimOpRelease(service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) {
    return SimReplaying() ? SimReplayClose(device) : SimOpClose(device);
}

int32_t ZKT_CALL ZKT_cleanup(void) { return SimOpCleanup(); }
