// The twelve operations of the board access library as one table of plain
// function pointers. Whatever answers the operations fills one: the
// simulator's model of the boards, the replay of a recorded run, and a
// library bound by name at run time (through small forwarding functions that
// call its addresses in its own convention). What every call does whoever
// answers it (its trace line) is written once, around any table
// (calltrace/traced_ops.h).
#ifndef QUILMAR_BOARDLIB_ZKT_OPS_H
#define QUILMAR_BOARDLIB_ZKT_OPS_H

#include <cstdint>

#include "boardlib/zkt_api.h"

struct ZktOps {
    int32_t (*displayMode)(int32_t mode);
    int32_t (*init)(const char *configFile, int32_t *count);
    int32_t (*lidList)(uint32_t *lids, int32_t capacity, int32_t *count);
    int32_t (*getInfo)(uint32_t lid, BoardInfo *info);
    int32_t (*open)(uint32_t lid, int32_t mode, void *reserved);
    int32_t (*puList)(int32_t device, PuItem *items, int32_t capacity, int32_t *count);
    int32_t (*serviceList)(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                           int32_t *count);
    int32_t (*capture)(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                       int32_t timeout);
    int32_t (*ctrl)(int32_t service, int32_t reserved, int32_t code, void *payload);
    int32_t (*release)(int32_t service, int32_t reserved);
    int32_t (*close)(int32_t device);
    int32_t (*cleanup)();
};

// The operations in the order of ZktOps' slots.
enum ZktOperation {
    kZktDisplayMode,
    kZktInit,
    kZktLidList,
    kZktGetInfo,
    kZktOpen,
    kZktPuList,
    kZktServiceList,
    kZktCapture,
    kZktCtrl,
    kZktRelease,
    kZktClose,
    kZktCleanup,
    kZktOperationCount
};

// Each operation's exported name and how many arguments it takes.
struct ZktOperationName {
    const char *name;
    int arguments;
};
extern const ZktOperationName kZktOperationNames[kZktOperationCount];

// A set of operations, one bit each: the ones a program calls.
constexpr uint32_t ZktOperationBit(ZktOperation operation) { return 1u << operation; }
constexpr uint32_t kZktAllOperations = (1u << kZktOperationCount) - 1;

#endif  // QUILMAR_BOARDLIB_ZKT_OPS_H
