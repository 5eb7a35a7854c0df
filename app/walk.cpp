#include "app/walk.h"

#include <cstdio>
#include <cstring>

#include "boardlib/zkt_api.h"
#include "platform/platform.h"
#include "synth/configure_synth.h"
#include "textesc/text_escape.h"

namespace {

const char kSynthServiceName[] = "BASEDDS0";

// Library text, here and below, is printed as EscapedControls of its field:
// it need not end in NUL, so it stops at the end of its field, and its
// control bytes go out as \xNN so that a name cannot clear the screen or
// move the cursor.
void PrintBoard(uint32_t lid) {
    // A cleared record of its own means a board whose query fails shows
    // nothing of the board before it.
    BoardInfo info{};
    info.size = sizeof info;
    ZKT_getInfo(lid, &info);
    std::printf("Board: %s, DevID = 0x%x, RevID = 0x%x, Bus = %d, Dev = %d, Slot = %d.\n",
                EscapedControls(info.name, sizeof info.name).c_str(), info.idWord >> 16,
                info.idWord & 0xFFu, info.bus, info.dev, info.slot);
}

void PrintUnits(int32_t device) {
    PuItem units[ZKT_MAX_UNITS] = {};
    int32_t unitCount = 0;
    ZKT_puList(device, units, ZKT_MAX_UNITS, &unitCount);
    for (int32_t j = 0; unitCount <= ZKT_MAX_UNITS && j < unitCount; ++j) {
        const PuItem &unit = units[j];
        std::printf("Programable unit %d: %s, Id = %d, Code = %x, Attr = %x.\n", j,
                    EscapedControls(unit.description, sizeof unit.description).c_str(), unit.id,
                    unit.code, unit.attr);
    }
}

// Fills services and returns how many of them the search may look at.
int32_t PrintServices(int32_t device, ServiceItem *services) {
    int32_t serviceCount = 0;
    ZKT_serviceList(device, 0, services, ZKT_MAX_SERVICES, &serviceCount);
    for (int32_t k = 0; serviceCount <= ZKT_MAX_SERVICES && k < serviceCount; ++k) {
        std::printf("Service %d: %s, Attr = %X.\n", k,
                    EscapedControls(services[k].name, sizeof services[k].name).c_str(),
                    services[k].attr);
    }
    return ZktEntriesHeld(serviceCount, ZKT_MAX_SERVICES);
}

void ReleaseHeldService() {
    if (currentService > 0) ZKT_release(currentService, 0);
    currentService = 0;
}

void CaptureSynth(int32_t device, const ServiceItem &service) {
    // A list naming the service twice must not leave the first capture held.
    ReleaseHeldService();
    int32_t mode = ZKT_CAPTURE_EXCLUSIVE;
    currentService = ZKT_capture(device, 0, &mode, service.name, ZKT_CAPTURE_TIMEOUT);
    if (mode == ZKT_CAPTURE_EXCLUSIVE) std::printf("BASEDDS0 Capture mode: EXCLUSIVE\n");
    if (mode == ZKT_CAPTURE_SPY) std::printf("BASEDDS0 Capture mode: SPY\n");
    if (currentService > 0 && !PlatformInterrupted()) ConfigureSynth();
}

// After an interrupt (checked once each library call has returned) nothing
// more is asked of the board: only what is held is released and closed.
void VisitDevice(uint32_t lid) {
    PrintBoard(lid);
    if (PlatformInterrupted()) return;
    const int32_t device = ZKT_open(lid, ZKT_OPEN_MODE, nullptr);
    if (device <= 0) return;
    ServiceItem services[ZKT_MAX_SERVICES] = {};
    int32_t servicesHeld = 0;
    if (!PlatformInterrupted()) PrintUnits(device);
    if (!PlatformInterrupted()) servicesHeld = PrintServices(device, services);
    for (int32_t k = 0; k < servicesHeld && !PlatformInterrupted(); ++k) {
        // Nine bytes with the NUL: only the exact name matches.
        if (std::memcmp(services[k].name, kSynthServiceName, sizeof kSynthServiceName) == 0) {
            CaptureSynth(device, services[k]);
        }
    }
    ReleaseHeldService();

    ZKT_close(device);
    std::printf("\nZKT_close: OK\n");
}

}  // namespace

void WalkDevices() {
    ZKT_displayMode(ZKT_DISPLAY_MODE_MASK);
    int32_t libraryCount = 0;
    if (!PlatformInterrupted()) ZKT_init("zkt.ini", &libraryCount);

    uint32_t lids[ZKT_MAX_LIDS] = {};
    int32_t lidCount = 0;
    if (!PlatformInterrupted()) ZKT_lidList(lids, ZKT_MAX_LIDS, &lidCount);

    const int32_t devicesHeld = ZktEntriesHeld(lidCount, ZKT_MAX_LIDS);
    for (int32_t i = 0; i < devicesHeld && !PlatformInterrupted(); ++i) VisitDevice(lids[i]);

    // Called after an interrupt too: the library's own shutdown, and the
    // trace's end.
    ZKT_cleanup();
    std::printf("ZKT_cleanup: OK\n");
    if (!PlatformInterrupted()) std::printf("Press any key for leaving program...\n");
}
