// The library the tracing proxy stands in front of: where it is found and
// its twelve operations. One implementation per system (target_posix.cpp,
// target_win32.cpp).
#ifndef QUILMAR_ZKTTRACE_TRACE_TARGET_H
#define QUILMAR_ZKTTRACE_TRACE_TARGET_H

#include <cstdint>

#include "boardlib/zkt_api.h"

// Environment variable naming the target library (a path).
constexpr const char *kTraceTargetVariable = "ZKT_TRACE_TARGET";

struct TraceTarget {
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

// Fills in every operation through lookup (the address of the named
// operation, or null). Returns the name of the first operation lookup cannot
// find, or null when all twelve are there.
using TraceLookup = void *(*)(void *context, const char *name);
const char *FillTraceTarget(TraceTarget *target, TraceLookup lookup, void *context);

// Loads the target and fills in all twelve operations. When the target cannot
// be loaded, lacks an operation, or turns out to be this proxy itself, writes
// one line on standard error saying which library and what is wrong (with the
// system's reason) and returns false.
bool LoadTraceTarget(TraceTarget *target);

#endif  // QUILMAR_ZKTTRACE_TRACE_TARGET_H
