#include "zktdump/inventory.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "calltrace/call_record.h"
#include "platform/fatal_note.h"

namespace {

// Should the library crash in a call, zktdump says which (its call part, as
// a trace shows it) before the process ends by the signal; the dump's new
// file goes with it (platform.h). The record is zktdump's own: the library
// may trace too.
CallRecord call;
std::string crashNote;

CallRecord &Next(ZktOperation operation) {
    CallRecordStart(&call, operation);
    return call;
}

// Makes the call Next started, named in the note while it runs.
template <typename Function, typename... Arguments>
int32_t Named(const CallPointers &pointers, Function function, Arguments... arguments) {
    CallRecordTakeInputs(&call, pointers);
    crashNote = "zktdump: the library crashed in ";
    CallRecordAppendCall(call, &crashNote);
    crashNote += " (";
    FatalNoteArm(stderr, crashNote.c_str(), "); no dump written\n", false);
    const int32_t result = function(arguments...);
    FatalNoteDisarm();
    return result;
}

// Records and counts start cleared before each call (d comes cleared), as
// quilmar's do, so that what the library did not write reads as quilmar
// would see it.
void VisitDevice(DumpDevice *d) {
    d->info.size = sizeof d->info;
    Next(kZktGetInfo).lid = d->lid;
    d->infoResult =
        Named({nullptr, nullptr, &d->info, nullptr, nullptr}, ZKT_getInfo, d->lid, &d->info);

    Next(kZktOpen).lid = d->lid;
    call.mode = ZKT_OPEN_MODE;
    d->openResult = Named({}, ZKT_open, d->lid, ZKT_OPEN_MODE, nullptr);
    if (d->openResult <= 0) return;
    const int32_t device = d->openResult;

    Next(kZktPuList).device = device;
    call.capacity = kDumpMaxUnits;
    d->unitResult = Named({&d->unitCount, d->units, nullptr, nullptr, nullptr}, ZKT_puList, device,
                          d->units, kDumpMaxUnits, &d->unitCount);

    Next(kZktServiceList).device = device;
    call.capacity = kDumpMaxServices;
    d->serviceResult =
        Named({&d->serviceCount, d->services, nullptr, nullptr, nullptr}, ZKT_serviceList, device,
              0, d->services, kDumpMaxServices, &d->serviceCount);

    Next(kZktClose).device = device;
    d->closeResult = Named({}, ZKT_close, device);
}

}  // namespace

void CollectInventory(Inventory *inventory) {
    Inventory &inv = *inventory;
    inv.initCount = 0;
    inv.deviceCount = 0;
    inv.devicesVisited = 0;

    Next(kZktDisplayMode).mode = ZKT_DISPLAY_MODE_MASK;
    Named({}, ZKT_displayMode, ZKT_DISPLAY_MODE_MASK);
    Next(kZktInit).text = "zkt.ini";
    inv.initResult = Named({&inv.initCount, nullptr, nullptr, nullptr, nullptr}, ZKT_init,
                           "zkt.ini", &inv.initCount);
    inv.listResult = 0;
    // A library that did not start is asked nothing more but its cleanup.
    uint32_t lids[kDumpMaxDevices] = {};
    if (ZktSucceeded(inv.initResult)) {
        Next(kZktLidList).capacity = kDumpMaxDevices;
        inv.listResult = Named({&inv.deviceCount, lids, nullptr, nullptr, nullptr}, ZKT_lidList,
                               lids, kDumpMaxDevices, &inv.deviceCount);
        inv.devicesVisited = ZktEntriesHeld(inv.deviceCount, kDumpMaxDevices);
    }
    for (int32_t i = 0; i < inv.devicesVisited; ++i) {
        DumpDevice &d = inv.devices[i];
        std::memset(&d, 0, sizeof d);
        d.lid = lids[i];
        VisitDevice(&d);
    }

    Next(kZktCleanup);
    Named({}, ZKT_cleanup);
}
