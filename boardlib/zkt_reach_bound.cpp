// The program binds the library at run time, and defines the operations
// under their own names as forwarders into the bound table, so that the
// walk calls ZKT_init and the others as it would call an imported library.
#include <cstdio>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_bound.h"
#include "boardlib/zkt_reach.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"

bool ZktReachLibrary(const char *program, uint32_t needs) {
    char reason[512];
    void *library = PlatformLoadLibrary(kPlatformBoardLibraryName, reason, sizeof reason);
    if (library == nullptr) {
        std::fprintf(stderr, "%s: cannot load %s (%s)\n", program, kPlatformBoardLibraryName,
                     reason);
        return false;
    }
    ZktOperation missing = kZktDisplayMode;
    if (!ZktBind(PlatformLibrarySymbol, library, needs, &missing)) {
        char path[1024];
        if (!PlatformLibraryPath(library, path, sizeof path)) {
            std::snprintf(path, sizeof path, "%s", kPlatformBoardLibraryName);
        }
        std::fprintf(stderr, "%s: %s has no %s\n", program, EscapedControls(path).c_str(),
                     ZktNotFound(missing).c_str());
        return false;
    }
    return true;
}

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) { return ZktBoundOps().displayMode(mode); }

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    return ZktBoundOps().init(configFile, count);
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return ZktBoundOps().lidList(lids, capacity, count);
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    return ZktBoundOps().getInfo(lid, info);
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    return ZktBoundOps().open(lid, mode, reserved);
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return ZktBoundOps().puList(device, items, capacity, count);
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    return ZktBoundOps().serviceList(device, reserved, items, capacity, count);
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    return ZktBoundOps().capture(device, reserved, mode, name, timeout);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return ZktBoundOps().ctrl(service, reserved, code, payload);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    return ZktBoundOps().release(service, reserved);
}

int32_t ZKT_CALL ZKT_close(int32_t device) { return ZktBoundOps().close(device); }

int32_t ZKT_CALL ZKT_cleanup(void) { return ZktBoundOps().cleanup(); }
