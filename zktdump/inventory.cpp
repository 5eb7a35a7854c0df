#include "zktdump/inventory.h"

#include <cstring>

namespace {

// Records and counts start cleared before each call, as quilmar's do, so
// that what the library did not write reads as quilmar would see it.
void VisitDevice(DumpDevice *d) {
    std::memset(&d->info, 0, sizeof d->info);
    d->info.size = sizeof d->info;
    d->infoResult = ZKT_getInfo(d->lid, &d->info);

    d->openResult = ZKT_open(d->lid, ZKT_OPEN_MODE, nullptr);
    if (d->openResult <= 0) return;
    const int32_t device = d->openResult;

    std::memset(d->units, 0, sizeof d->units);
    d->unitCount = 0;
    d->unitResult = ZKT_puList(device, d->units, kDumpMaxUnits, &d->unitCount);

    std::memset(d->services, 0, sizeof d->services);
    d->serviceCount = 0;
    d->serviceResult = ZKT_serviceList(device, 0, d->services, kDumpMaxServices, &d->serviceCount);

    d->closeResult = ZKT_close(device);
}

}  // namespace

void CollectInventory(Inventory *inventory) {
    Inventory &inv = *inventory;
    inv.initCount = 0;
    inv.deviceCount = 0;
    inv.devicesVisited = 0;

    ZKT_displayMode(ZKT_DISPLAY_MODE_MASK);
    inv.initResult = ZKT_init("zkt.ini", &inv.initCount);
    inv.listResult = 0;
    if (!ZktSucceeded(inv.initResult)) {
        ZKT_cleanup();
        return;
    }

    uint32_t lids[kDumpMaxDevices] = {};
    inv.listResult = ZKT_lidList(lids, kDumpMaxDevices, &inv.deviceCount);
    inv.devicesVisited = ZktEntriesHeld(inv.deviceCount, kDumpMaxDevices);
    for (int32_t i = 0; i < inv.devicesVisited; ++i) {
        DumpDevice &d = inv.devices[i];
        std::memset(&d, 0, sizeof d);
        d.lid = lids[i];
        VisitDevice(&d);
    }

    ZKT_cleanup();
}
