#include "boardlib/zkt_bound.h"

#include <cstring>

namespace {

// The addresses as the library's own functions.
struct BoundAddresses {
    int32_t(ZKT_CALL *displayMode)(int32_t mode);
    int32_t(ZKT_CALL *init)(const char *configFile, int32_t *count);
    int32_t(ZKT_CALL *lidList)(uint32_t *lids, int32_t capacity, int32_t *count);
    int32_t(ZKT_CALL *getInfo)(uint32_t lid, BoardInfo *info);
    int32_t(ZKT_CALL *open)(uint32_t lid, int32_t mode, void *reserved);
    int32_t(ZKT_CALL *puList)(int32_t device, PuItem *items, int32_t capacity, int32_t *count);
    int32_t(ZKT_CALL *serviceList)(int32_t device, int32_t reserved, ServiceItem *items,
                                   int32_t capacity, int32_t *count);
    int32_t(ZKT_CALL *capture)(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                               int32_t timeout);
    int32_t(ZKT_CALL *ctrl)(int32_t service, int32_t reserved, int32_t code, void *payload);
    int32_t(ZKT_CALL *release)(int32_t service, int32_t reserved);
    int32_t(ZKT_CALL *close)(int32_t device);
    int32_t(ZKT_CALL *cleanup)();
};

BoundAddresses bound;

// A looked-up address becomes a pointer to a function by copying its bytes,
// which every system that hands out symbols as object pointers allows.
template <typename Function>
bool Find(Function *slot, ZktLookup lookup, void *context, const char *name) {
    void *address = lookup(context, name);
    static_assert(sizeof address == sizeof *slot, "function and object pointers differ in size");
    std::memcpy(slot, &address, sizeof address);
    return address != nullptr;
}

int32_t DisplayMode(int32_t mode) { return bound.displayMode(mode); }
int32_t Init(const char *configFile, int32_t *count) { return bound.init(configFile, count); }
int32_t LidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return bound.lidList(lids, capacity, count);
}
int32_t GetInfo(uint32_t lid, BoardInfo *info) { return bound.getInfo(lid, info); }
int32_t Open(uint32_t lid, int32_t mode, void *reserved) { return bound.open(lid, mode, reserved); }
int32_t PuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return bound.puList(device, items, capacity, count);
}
int32_t ServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                    int32_t *count) {
    return bound.serviceList(device, reserved, items, capacity, count);
}
int32_t Capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                int32_t timeout) {
    return bound.capture(device, reserved, mode, name, timeout);
}
int32_t Ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return bound.ctrl(service, reserved, code, payload);
}
int32_t Release(int32_t service, int32_t reserved) { return bound.release(service, reserved); }
int32_t Close(int32_t device) { return bound.close(device); }
int32_t Cleanup() { return bound.cleanup(); }

const ZktOps kBoundOps = {DisplayMode, Init,    LidList, GetInfo, Open,  PuList,
                          ServiceList, Capture, Ctrl,    Release, Close, Cleanup};

}  // namespace

const char *ZktBind(ZktLookup lookup, void *context) {
    BoundAddresses found{};
    if (!Find(&found.displayMode, lookup, context, "ZKT_displayMode")) return "ZKT_displayMode";
    if (!Find(&found.init, lookup, context, "ZKT_init")) return "ZKT_init";
    if (!Find(&found.lidList, lookup, context, "ZKT_lidList")) return "ZKT_lidList";
    if (!Find(&found.getInfo, lookup, context, "ZKT_getInfo")) return "ZKT_getInfo";
    if (!Find(&found.open, lookup, context, "ZKT_open")) return "ZKT_open";
    if (!Find(&found.puList, lookup, context, "ZKT_puList")) return "ZKT_puList";
    if (!Find(&found.serviceList, lookup, context, "ZKT_serviceList")) return "ZKT_serviceList";
    if (!Find(&found.capture, lookup, context, "ZKT_capture")) return "ZKT_capture";
    if (!Find(&found.ctrl, lookup, context, "ZKT_ctrl")) return "ZKT_ctrl";
    if (!Find(&found.release, lookup, context, "ZKT_release")) return "ZKT_release";
    if (!Find(&found.close, lookup, context, "ZKT_close")) return "ZKT_close";
    if (!Find(&found.cleanup, lookup, context, "ZKT_cleanup")) return "ZKT_cleanup";
    bound = found;
    return nullptr;
}

const ZktOps &ZktBoundOps() { return kBoundOps; }

const void *ZktBoundInitAddress() {
    const void *address = nullptr;
    std::memcpy(&address, &bound.init, sizeof address);
    return address;
}
