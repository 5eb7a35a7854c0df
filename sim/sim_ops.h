// The twelve operations of the simulated library, one function each, with
// the arguments and results of the ZKT_ operations they stand behind. Each
// checks its arguments, acts on the library state and writes its trace line.
#ifndef QUILMAR_SIM_SIM_OPS_H
#define QUILMAR_SIM_SIM_OPS_H

#include <cstdint>

#include "boardlib/zkt_api.h"

int32_t SimOpDisplayMode(int32_t mode);
int32_t SimOpInit(const char *configFile, int32_t *count);
int32_t SimOpLidList(uint32_t *lids, int32_t capacity, int32_t *count);
int32_t SimOpGetInfo(uint32_t lid, BoardInfo *info);
int32_t SimOpOpen(uint32_t lid, int32_t mode, void *reserved);
int32_t SimOpPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count);
int32_t SimOpServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                         int32_t *count);
int32_t SimOpCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                     int32_t timeout);
int32_t SimOpCtrl(int32_t service, int32_t reserved, int32_t code, void *payload);
int32_t SimOpRelease(int32_t service, int32_t reserved);
int32_t SimOpClose(int32_t device);
int32_t SimOpCleanup();

#endif  // QUILMAR_SIM_SIM_OPS_H
