// The twelve ZKT_ operations, unmangled and exported: each a traced call of
// the library's table.
#include "calltrace/traced_exports.h"
#include "boardlib/zkt_api.h"
#include "calltrace/traced_ops.h"

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) { return TracedDisplayMode(ExportedOps(), mode); }

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    ExportedBeforeInit(configFile, count);
    const int32_t result = TracedInit(ExportedOps(), configFile, count);
    ExportedAfterInit(configFile);
    return result;
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return TracedLidList(ExportedOps(), lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    return TracedGetInfo(ExportedOps(), lid, info);
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return TracedOpen(ExportedOps(), lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return TracedPuList(ExportedOps(), device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return TracedServiceList(ExportedOps(), device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return TracedCapture(ExportedOps(), device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return TracedCtrl(ExportedOps(), service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return TracedRelease(ExportedOps(), service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) { return TracedClose(ExportedOps(), device); }

int32_t ZKT_CALL ZKT_cleanup(void) {
    const int32_t result = TracedCleanup(ExportedOps());
    ExportedAfterCleanup();
    return result;
}
