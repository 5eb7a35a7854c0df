// zktdump against a library whose every answer comes from the input: any
// counts (negative, beyond the capacity), handles of 0 and below, text
// without NUL, failures anywhere. The stand-in aborts on any call zktdump
// must never make (a capture, a command, a release, a list or close of a
// device not open, a second close, a call after the cleanup), the sanitizers
// on any access outside a record; and the simulator must read every dump.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "boardlib/zkt_api.h"
#include "fuzz/byte_source.h"
#include "fuzz/harness_io.h"
#include "fuzz/hostile_records.h"
#include "sim/sim_config.h"
#include "zktdump/inventory.h"
#include "zktdump/render_ini.h"

namespace {

enum Stage { kIdle, kStarted, kDisplaySet, kInitialised, kListed, kCleanedUp };

struct RunState {
    ByteSource input;
    Stage stage;
    uint32_t lids[kDumpMaxDevices];
    int32_t expectedVisits;
    int32_t visits;
    bool infoRead;     // this visit's information query made, open not yet
    int32_t device;    // open in this visit; 0: none
    bool unitsListed;  // of the open device
    int32_t initResult;
};

RunState run;

void Expect(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "hostile library for zktdump: %s\n", what);
        std::abort();
    }
}

int32_t TakeCount() {
    static const int32_t kOdd[] = {-1, INT32_MIN, INT32_MAX, kDumpMaxDevices + 1};
    return TakeMostlySmall(&run.input, 40, 7, kOdd);
}

int32_t TakeResult() {
    const uint8_t b = TakeByte(&run.input);
    if (b < 0x80) return 0;
    if (b < 0xC0) return static_cast<int32_t>(ZKTerr_BAD_MODE);
    return TakeInt(&run.input);
}

void WriteCount(int32_t *count) {
    if (TakeByte(&run.input) % 8 != 0) *count = TakeCount();
}

void ExpectVisitFinished() {
    Expect(run.device == 0, "a device left open at the next visit or the cleanup");
    run.infoRead = false;
}

}  // namespace

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    Expect(run.stage == kStarted && mode == ZKT_DISPLAY_MODE_MASK, "ZKT_displayMode");
    run.stage = kDisplaySet;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    Expect(run.stage == kDisplaySet, "ZKT_init out of order");
    Expect(configFile != nullptr && std::strcmp(configFile, "zkt.ini") == 0 && count != nullptr,
           "ZKT_init arguments");
    WriteCount(count);
    run.stage = kInitialised;
    run.initResult = TakeResult();
    return run.initResult;
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    Expect(run.stage == kInitialised, "ZKT_lidList out of order");
    Expect(ZktSucceeded(run.initResult), "ZKT_lidList after a failed ZKT_init");
    Expect(lids != nullptr && count != nullptr && capacity == kDumpMaxDevices,
           "ZKT_lidList arguments");
    // Mostly few distinct LIDs, so repeats and zeros come up.
    const int32_t written = TakeByte(&run.input) % (capacity + 1);
    for (int32_t i = 0; i < written; ++i) {
        const uint8_t b = TakeByte(&run.input);
        lids[i] = b < 0xC0 ? b % 8 : TakeWord(&run.input);
    }
    WriteCount(count);
    std::memcpy(run.lids, lids, sizeof run.lids);
    run.expectedVisits = *count < 0 ? 0 : (*count < capacity ? *count : capacity);
    run.stage = kListed;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    Expect(run.stage == kListed, "ZKT_getInfo out of order");
    ExpectVisitFinished();
    Expect(run.visits < run.expectedVisits, "more visits than entries held");
    Expect(lid == run.lids[run.visits], "ZKT_getInfo: not the next entry of the list");
    Expect(info != nullptr && info->size == sizeof(BoardInfo), "ZKT_getInfo record");
    ++run.visits;
    run.infoRead = true;
    if (TakeByte(&run.input) % 4 != 0) {
        FillHostileBoardInfo(&run.input, info);
    }
    return TakeResult();
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    Expect(run.infoRead && lid == run.lids[run.visits - 1], "ZKT_open not after its query");
    Expect(mode == ZKT_OPEN_MODE && reserved == nullptr, "ZKT_open arguments");
    run.infoRead = false;
    const uint8_t b = TakeByte(&run.input);
    int32_t handle = b % 4;
    if (b >= 0xC0) handle = (b & 1) != 0 ? -1 - (b & 0x0F) : TakeInt(&run.input);
    if (handle > 0) {
        run.device = handle;
        run.unitsListed = false;
    }
    return handle;
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    Expect(device > 0 && device == run.device && !run.unitsListed, "ZKT_puList on no open device");
    Expect(items != nullptr && count != nullptr && capacity == kDumpMaxUnits,
           "ZKT_puList arguments");
    FillHostileUnits(&run.input, items, capacity);
    WriteCount(count);
    run.unitsListed = true;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    Expect(device > 0 && device == run.device && run.unitsListed,
           "ZKT_serviceList on no open device or before the units");
    Expect(reserved == 0 && items != nullptr && count != nullptr && capacity == kDumpMaxServices,
           "ZKT_serviceList arguments");
    const int32_t written = TakeByte(&run.input) % (capacity + 1);
    for (int32_t k = 0; k < written; ++k) {
        FillHostileText(&run.input, items[k].name, sizeof items[k].name);
        items[k].attr = TakeWord(&run.input);
    }
    WriteCount(count);
    return TakeResult();
}

int32_t ZKT_CALL ZKT_capture(int32_t, int32_t, int32_t *, const char *, int32_t) {
    Expect(false, "zktdump captured a service");
    return 0;
}

int32_t ZKT_CALL ZKT_ctrl(int32_t, int32_t, int32_t, void *) {
    Expect(false, "zktdump sent a control command");
    return 0;
}

int32_t ZKT_CALL ZKT_release(int32_t, int32_t) {
    Expect(false, "zktdump released a service");
    return 0;
}

int32_t ZKT_CALL ZKT_close(int32_t device) {
    Expect(device > 0 && device == run.device, "ZKT_close of a device not open, or twice");
    run.device = 0;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_cleanup(void) {
    // A library that did not start is cleaned up at once, never listed.
    const Stage expected = ZktSucceeded(run.initResult) ? kListed : kInitialised;
    Expect(run.stage == expected, "ZKT_cleanup out of order or twice");
    ExpectVisitFinished();
    Expect(run.visits == run.expectedVisits, "not every entry held was visited");
    run.stage = kCleanedUp;
    return TakeResult();
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::memset(&run, 0, sizeof run);
    run.input = ByteSource{data, size, 0};
    run.stage = kStarted;
    static Inventory inventory;
    CollectInventory(&inventory);
    Expect(run.stage == kCleanedUp, "the run ended without ZKT_cleanup");
    // zktdump writes no dump of a library that did not start.
    if (!ZktSucceeded(inventory.initResult)) return 0;

    std::string text;
    std::string notes;
    RenderZktIni(inventory, &text, &notes);
    static std::unique_ptr<SimConfig> config = std::make_unique<SimConfig>();
    char message[512];
    if (!SimParseConfigText("dump", text.data(), text.size(), config.get(), message,
                            sizeof message)) {
        std::fprintf(stderr, "%s\n%s", message, text.c_str());
        std::abort();
    }
    return 0;
}
