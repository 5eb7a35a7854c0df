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
void Place(Function *slot, void *address) {
    static_assert(sizeof address == sizeof *slot, "function and object pointers differ in size");
    std::memcpy(slot, &address, sizeof address);
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

bool ZktBind(ZktLookup lookup, void *context, uint32_t needs, ZktOperation *missing) {
    void *found[kZktOperationCount] = {};
    for (int i = 0; i < kZktOperationCount; ++i) {
        const auto op = static_cast<ZktOperation>(i);
        if ((needs & ZktOperationBit(op)) == 0) continue;
        found[i] = ZktFindOperation(lookup, context, op);
        if (found[i] == nullptr) {
            *missing = op;
            return false;
        }
    }
    BoundAddresses next{};
    Place(&next.displayMode, found[kZktDisplayMode]);
    Place(&next.init, found[kZktInit]);
    Place(&next.lidList, found[kZktLidList]);
    Place(&next.getInfo, found[kZktGetInfo]);
    Place(&next.open, found[kZktOpen]);
    Place(&next.puList, found[kZktPuList]);
    Place(&next.serviceList, found[kZktServiceList]);
    Place(&next.capture, found[kZktCapture]);
    Place(&next.ctrl, found[kZktCtrl]);
    Place(&next.release, found[kZktRelease]);
    Place(&next.close, found[kZktClose]);
    Place(&next.cleanup, found[kZktCleanup]);
    bound = next;
    return true;
}

const ZktOps &ZktBoundOps() { return kBoundOps; }

const void *ZktBoundInitAddress() {
    const void *address = nullptr;
    std::memcpy(&address, &bound.init, sizeof address);
    return address;
}
