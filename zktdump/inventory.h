// What the board access library reports about the boards present, as
// zktdump collects it: every answer of the inventory operations, with each
// record exactly as the library left it.
#ifndef QUILMAR_ZKTDUMP_INVENTORY_H
#define QUILMAR_ZKTDUMP_INVENTORY_H

#include <cstdint>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_ops.h"

// Capacities passed to the list operations: well above what quilmar reads
// (10 devices, 5 units, 10 services) and above what the simulator holds, so
// the dump sees everything either can show.
constexpr int32_t kDumpMaxDevices = 64;
constexpr int32_t kDumpMaxUnits = 32;
constexpr int32_t kDumpMaxServices = 32;

struct DumpDevice {
    uint32_t lid;
    int32_t infoResult;
    BoardInfo info;  // cleared as quilmar clears it, then as the library left it
    int32_t openResult;
    // The lists are asked for only when the open returned a handle above 0.
    int32_t unitResult;
    int32_t unitCount;  // as reported; 0 when the library did not write it
    PuItem units[kDumpMaxUnits];
    int32_t serviceResult;
    int32_t serviceCount;
    ServiceItem services[kDumpMaxServices];
    int32_t closeResult;
};

struct Inventory {
    int32_t initResult;
    int32_t initCount;
    int32_t listResult;
    int32_t deviceCount;     // as reported
    int32_t devicesVisited;  // the entries held: the count within 0..kDumpMaxDevices
    DumpDevice devices[kDumpMaxDevices];
    // "; ZKT.DLL: <the library's form>\n" (ZktReachedForm), or empty where
    // the form is not known.
    char formLine[96];
};

// Starts the library as quilmar does (display mode 0x8F, zkt.ini), lists the
// devices, and per device reads the information record, opens it, lists its
// units and services and closes it; then shuts the library down. Only these
// inventory operations are called: no capture, no control command. Every
// device that opened is closed once, and ZKT_cleanup is the last call. A
// ZKT_init that fails (a status outside the warning bits) is followed by
// ZKT_cleanup alone: no devices are listed.
void CollectInventory(Inventory *inventory);

// The operations the inventory calls, and all that zktdump needs of a
// library: it captures, commands and releases no service.
constexpr uint32_t kInventoryOperations =
    ZktOperationBit(kZktDisplayMode) | ZktOperationBit(kZktInit) | ZktOperationBit(kZktLidList) |
    ZktOperationBit(kZktGetInfo) | ZktOperationBit(kZktOpen) | ZktOperationBit(kZktPuList) |
    ZktOperationBit(kZktServiceList) | ZktOperationBit(kZktClose) | ZktOperationBit(kZktCleanup);

#endif  // QUILMAR_ZKTDUMP_INVENTORY_H
