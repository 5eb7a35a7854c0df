#include "boardlib/zkt_bound.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/foreign_call.h"

namespace {

// The addresses themselves, as a table of functions of the compiler's
// default convention. On 32-bit x86 they are called only through
// ForeignCall, which serves a library of either convention; elsewhere there
// is one convention.
ZktOps bound;

// A looked-up address becomes a pointer to a function by copying its bytes,
// which every system that hands out symbols as object pointers allows.
template <typename Function>
void Place(Function *slot, void *address) {
    static_assert(sizeof address == sizeof *slot, "function and object pointers differ in size");
    std::memcpy(slot, &address, sizeof address);
}

// An argument as the 32-bit stack word it is passed in.
template <typename Parameter>
uint32_t ArgumentWord(Parameter value) {
    static_assert(sizeof(Parameter) == sizeof(uint32_t), "every argument is one 32-bit word");
    if constexpr (std::is_pointer_v<Parameter>) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    } else {
        return static_cast<uint32_t>(value);
    }
}

// Calls a bound operation: through ForeignCall where the library's
// convention is not known (32-bit x86), directly elsewhere.
template <typename... Parameters, typename... Arguments>
int32_t CallBound(int32_t (*function)(Parameters...), Arguments... arguments) {
    static_assert(sizeof...(Parameters) == sizeof...(Arguments), "one argument per parameter");
    // An operation the program said it does not call was not bound.
    if (function == nullptr) return static_cast<int32_t>(ZKTerr_BAD_MODE);
    if constexpr (kForeignCallNeeded) {
        // One word more than needed, so that an operation of no argument has an array too.
        const uint32_t words[sizeof...(Parameters) + 1] = {ArgumentWord<Parameters>(arguments)...};
        return static_cast<int32_t>(
            ForeignCall(reinterpret_cast<ForeignFunction>(function), words, sizeof...(Parameters)));
    } else {
        return function(arguments...);
    }
}

int32_t DisplayMode(int32_t mode) { return CallBound(bound.displayMode, mode); }
int32_t Init(const char *configFile, int32_t *count) {
    return CallBound(bound.init, configFile, count);
}
int32_t LidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    return CallBound(bound.lidList, lids, capacity, count);
}
int32_t GetInfo(uint32_t lid, BoardInfo *info) { return CallBound(bound.getInfo, lid, info); }
int32_t Open(uint32_t lid, int32_t mode, void *reserved) {
    return CallBound(bound.open, lid, mode, reserved);
}
int32_t PuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    return CallBound(bound.puList, device, items, capacity, count);
}
int32_t ServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                    int32_t *count) {
    return CallBound(bound.serviceList, device, reserved, items, capacity, count);
}
int32_t Capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                int32_t timeout) {
    return CallBound(bound.capture, device, reserved, mode, name, timeout);
}
int32_t Ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    return CallBound(bound.ctrl, service, reserved, code, payload);
}
int32_t Release(int32_t service, int32_t reserved) {
    return CallBound(bound.release, service, reserved);
}
int32_t Close(int32_t device) { return CallBound(bound.close, device); }
int32_t Cleanup() { return CallBound(bound.cleanup); }

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
    ZktOps next{};
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
