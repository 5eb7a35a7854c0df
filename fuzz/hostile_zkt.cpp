// The twelve ZKT_ operations, answering from the fuzz input and checking
// every argument against what the tool guarantees: the fixed values and
// capacities, records and payloads where they are needed, one device pass at
// a time in list order, every open device closed and every captured service
// released in its own pass, and the set-up sequence sent in full, in order,
// with the settings' values, on the service just captured.
#include "fuzz/hostile_zkt.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boardlib/zkt_api.h"
#include "fuzz/byte_source.h"
#include "fuzz/hostile_records.h"
#include "settings/settings.h"

namespace {

const char kSynthServiceName[] = "BASEDDS0";

enum RunStage { kIdle, kStarted, kDisplaySet, kInitialised, kListed, kCleanedUp };

enum PassStage { kNoPass, kInfoRead, kOpenFailed, kOpened, kUnitsListed, kServicesListed, kClosed };

// The set-up sequence on a captured service; the last two only with
// StartStb 1.
const int32_t kSetupCodes[] = {
    ZKTctrl_DDS_SETMASTER,    ZKTctrl_DDS_SETCLKMODE,   ZKTctrl_DDS_SETOUTFREQ,
    ZKTctrl_DDS_OUTFREQ_1805, ZKTctrl_DDS_SETSTARTMODE, ZKTctrl_CMPSC_SET,
    ZKTctrl_DDS_SETSTBMODE,   ZKTctrl_DDS_SETSTBMODE,   ZKTctrl_DDS_START};
constexpr int kStepsWithoutStart = 7;
constexpr int kStepsWithStart = 9;

// Handles captured in the current pass, each with how many captures of it
// are still unreleased (a library may hand out the same handle again).
struct HeldHandle {
    int32_t handle;
    int32_t outstanding;
};
constexpr int kMaxHeldHandles = ZKT_MAX_SERVICES;

struct RunState {
    ByteSource input;
    RunStage stage;

    uint32_t lids[ZKT_MAX_LIDS];  // the tool's list as it stood after ZKT_lidList
    int32_t expectedPasses;
    int32_t passesSeen;

    PassStage pass;
    uint32_t passLid;
    int32_t device;
    int32_t reportedServices;
    int32_t matchingServices;  // exact names among the entries the tool holds
    int32_t capturesSeen;
    HeldHandle held[kMaxHeldHandles];
    int32_t heldCount;

    int32_t setupService;  // 0: no set-up sequence under way
    int setupStep;
    int setupSteps;
    OutFreqParam frequencyLeft;  // as written back by the output frequency command
    StrobeModeParam strobeLeft;  // as written back by the first strobe command
};

RunState run;

[[noreturn]] void Violation(const char *format, ...) {
    std::fprintf(stderr, "hostile library: ");
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fprintf(stderr, "\n");
    std::abort();
}

void Expect(bool condition, const char *what) {
    if (!condition) Violation("%s", what);
}

// --- answers drawn from the input ------------------------------------------

// Mostly around the capacities, sometimes negative, huge or any word.
int32_t TakeCount() {
    static const int32_t kOdd[] = {-1, INT32_MIN, INT32_MAX, 0x10000, -0x10000};
    return TakeMostlySmall(&run.input, 13, 7, kOdd);
}

// Mostly small valid handles that repeat, sometimes 0, negative or any word.
int32_t TakeHandle() {
    static const int32_t kOdd[] = {-1, INT32_MIN, INT32_MAX};
    return TakeMostlySmall(&run.input, 4, 3, kOdd);
}

int32_t TakeResult() { return TakeInt(&run.input); }

// Every verdict the tool knows, with or without warning bits, or any word.
int32_t TakeStatus() {
    const uint8_t b = TakeByte(&run.input);
    const uint32_t warnings = static_cast<uint32_t>((b >> 3) & 7) << 16;
    uint32_t status = 0;
    switch (b & 7) {
        case 0:
        case 1: status = ZKTerr_OK; break;
        case 2: status = ZKTerr_BAD_MODE; break;
        case 3: status = ZKTerr_INSUFFICIENT_SERVICES; break;
        case 4: status = ZKTerr_DDS_INVALID_WRRDREG; break;
        case 5: status = ZKTerr_BAD_MODE ^ 0x00100000u; break;  // a near miss
        default: status = TakeWord(&run.input); break;
    }
    return static_cast<int32_t>(status | warnings);
}

int32_t TakeCaptureMode() {
    const uint8_t b = TakeByte(&run.input);
    return b < 0xF0 ? b % 4 : TakeInt(&run.input);
}

// Names around the one the tool looks for, each a whole 16-byte field.
const char kServiceNames[][ZKT_SERVICE_NAME_SIZE] = {"BASEDDS0", "BASEDDS1", "BASEDDS0X",
                                                     "basedds0", "BASEDDS"};

void FillServiceName(char *name) {
    constexpr size_t size = ZKT_SERVICE_NAME_SIZE;
    switch (TakeByte(&run.input) % 8) {
        case 0:
        case 1: std::memcpy(name, kServiceNames[0], size); break;
        case 2: std::memcpy(name, kServiceNames[1], size); break;
        case 3: std::memcpy(name, kServiceNames[2], size); break;
        case 4:  // the exact name, then no NUL up to the end of the field
            std::memcpy(name, kServiceNames[0], size);
            std::memset(name + 8, 'X', size - 8);
            break;
        case 5: std::memcpy(name, kServiceNames[3], size); break;
        case 6: std::memcpy(name, kServiceNames[4], size); break;
        default: FillHostileText(&run.input, name, size); break;
    }
}

// Writes nothing, the whole record, or a run of it: never past size bytes.
void WriteBack(void *payload, size_t size) {
    unsigned char *bytes = static_cast<unsigned char *>(payload);
    switch (TakeByte(&run.input) % 3) {
        case 0: break;
        case 1: TakeBytes(&run.input, bytes, size); break;
        default: {
            const size_t offset = TakeByte(&run.input) % size;
            const size_t length = TakeByte(&run.input) % (size - offset + 1);
            TakeBytes(&run.input, bytes + offset, length);
            break;
        }
    }
}

// Sometimes leaves the count as the tool preset it.
void WriteCount(int32_t *count) {
    if (TakeByte(&run.input) % 8 != 0) *count = TakeCount();
}

int32_t EntriesHeld(int32_t count, int32_t capacity) {
    if (count < 0) return 0;
    return count < capacity ? count : capacity;
}

// --- the tool's guarantees ----------------------------------------------------

void ExpectSetupFinished() {
    if (run.setupService != 0 && run.setupStep != run.setupSteps) {
        Violation("set-up of service %d stopped after %d of %d commands", run.setupService,
                  run.setupStep, run.setupSteps);
    }
    run.setupService = 0;
}

HeldHandle *FindHeld(int32_t handle) {
    for (int32_t i = 0; i < run.heldCount; ++i) {
        if (run.held[i].handle == handle) return &run.held[i];
    }
    return nullptr;
}

// Between passes nothing may be left open or captured, and the search must
// have captured every exact name among the entries held (or, for a list
// longer than the array, nothing at all).
void ExpectPassFinished() {
    switch (run.pass) {
        case kNoPass:
        case kOpenFailed:
        case kClosed: break;
        default: Violation("device %d of lid 0x%x left without ZKT_close", run.device, run.passLid);
    }
    if (run.pass == kClosed) {
        const bool surplus = run.reportedServices > ZKT_MAX_SERVICES;
        if (run.capturesSeen != run.matchingServices && !(surplus && run.capturesSeen == 0)) {
            Violation("%d captures for %d services named BASEDDS0 (count %d)", run.capturesSeen,
                      run.matchingServices, run.reportedServices);
        }
    }
    run.pass = kNoPass;
}

bool SameBytes(const void *a, const void *b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The payload of each step as the tool must send it: fresh from the settings,
// or, for the follow-up commands, exactly as the library left the one before.
void ExpectPayload(int step, const void *payload) {
    const SynthSettingsRecord &s = SynthSettings;
    if (kSetupCodes[step] == ZKTctrl_DDS_START) {
        Expect(payload == nullptr, "ZKTctrl_DDS_START with a payload");
        return;
    }
    Expect(payload != nullptr, "set-up command without a payload");
    switch (step) {
        case 0: {
            MasterParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(p.master == 1, "SETMASTER: master is not 1");
            break;
        }
        case 1: {
            ClockModeParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(p.src == s.RefClockSource && SameBytes(&p.value, &s.RefClockValue, 8),
                   "SETCLKMODE: payload differs from the settings");
            break;
        }
        case 2: {
            OutFreqParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(SameBytes(&p.frequency, &s.OutputFreq, 8) && p.word2 == 1 && p.word3 == 1,
                   "SETOUTFREQ: payload differs from the settings");
            break;
        }
        case 3:
            Expect(SameBytes(payload, &run.frequencyLeft, sizeof(OutFreqParam)),
                   "0x1805: payload is not the one the library left");
            break;
        case 4: {
            StartModeParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(p.startSrc == s.StartSource && p.startInv == s.StartInverse && p.word3 == 1 &&
                       p.word4 == 0 && p.word5 == 0 && p.word6 == 0,
                   "SETSTARTMODE: payload differs from the settings");
            break;
        }
        case 5: {
            ComparatorParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(p.src == 0 && SameBytes(&p.thr[0], &s.ThresholdComp1, 8) &&
                       SameBytes(&p.thr[1], &s.ThresholdComp1, 8),
                   "CMPSC_SET: payload differs from the settings");
            break;
        }
        case 6: {
            StrobeModeParam p;
            std::memcpy(&p, payload, sizeof p);
            Expect(p.LengthStb == s.LengthStb && p.PolarityStb == s.PolarityStb &&
                       p.DelayStb == s.DelayStb && p.PeriodStb == s.PeriodStb &&
                       p.NumberStb == s.NumberStb && p.ContStb == s.ContStb,
                   "SETSTBMODE: payload differs from the settings");
            break;
        }
        default:
            Expect(SameBytes(payload, &run.strobeLeft, sizeof(StrobeModeParam)),
                   "second SETSTBMODE: payload is not the one the library left");
            break;
    }
}

}  // namespace

void HostileStartRun(const uint8_t *data, size_t size) {
    std::memset(&run, 0, sizeof run);
    run.input = ByteSource{data, size, 0};
    run.stage = kStarted;
}

void HostileTakeBytes(void *out, size_t n) { TakeBytes(&run.input, out, n); }

void HostileEndRun() {
    Expect(run.stage == kCleanedUp, "the run ended without ZKT_cleanup");
    run.stage = kIdle;
}

// --- the operations -----------------------------------------------------------

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    Expect(run.stage == kStarted, "ZKT_displayMode out of order");
    Expect(mode == ZKT_DISPLAY_MODE_MASK, "ZKT_displayMode: mask is not 0x8F");
    run.stage = kDisplaySet;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    Expect(run.stage == kDisplaySet, "ZKT_init out of order");
    Expect(configFile != nullptr && std::strcmp(configFile, "zkt.ini") == 0,
           "ZKT_init: file is not zkt.ini");
    Expect(count != nullptr, "ZKT_init: null count");
    WriteCount(count);
    run.stage = kInitialised;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    Expect(run.stage == kInitialised, "ZKT_lidList out of order");
    Expect(capacity == ZKT_MAX_LIDS, "ZKT_lidList: capacity is not 10");
    Expect(lids != nullptr && count != nullptr, "ZKT_lidList: null list or count");
    const int32_t written = TakeByte(&run.input) % (capacity + 1);
    for (int32_t i = 0; i < written; ++i) lids[i] = TakeWord(&run.input);
    WriteCount(count);
    std::memcpy(run.lids, lids, sizeof run.lids);
    run.expectedPasses = EntriesHeld(*count, ZKT_MAX_LIDS);
    run.stage = kListed;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    Expect(run.stage == kListed, "ZKT_getInfo out of order");
    ExpectPassFinished();
    if (run.passesSeen >= run.expectedPasses) {
        Violation("device pass %d for a list of %d", run.passesSeen + 1, run.expectedPasses);
    }
    if (lid != run.lids[run.passesSeen]) {
        Violation("pass %d: lid 0x%x is not entry %d of the list", run.passesSeen + 1, lid,
                  run.passesSeen);
    }
    Expect(info != nullptr, "ZKT_getInfo: null record");
    Expect(info->size == sizeof(BoardInfo), "ZKT_getInfo: size field is not 280");
    ++run.passesSeen;
    run.pass = kInfoRead;
    run.passLid = lid;

    if (TakeByte(&run.input) % 4 != 0) {
        FillHostileBoardInfo(&run.input, info);
    }
    return TakeResult();
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    Expect(run.stage == kListed && run.pass == kInfoRead, "ZKT_open out of order");
    Expect(lid == run.passLid, "ZKT_open: not the lid of this pass");
    Expect(mode == ZKT_OPEN_MODE && reserved == nullptr, "ZKT_open: mode is not 1 or not null");
    const int32_t handle = TakeHandle();
    run.device = handle;
    run.pass = handle > 0 ? kOpened : kOpenFailed;
    return handle;
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    Expect(run.pass == kOpened, "ZKT_puList out of order or on a device not open");
    Expect(device == run.device, "ZKT_puList: not the device open in this pass");
    Expect(capacity == ZKT_MAX_UNITS, "ZKT_puList: capacity is not 5");
    Expect(items != nullptr && count != nullptr, "ZKT_puList: null list or count");
    FillHostileUnits(&run.input, items, capacity);
    WriteCount(count);
    run.pass = kUnitsListed;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    Expect(run.pass == kUnitsListed, "ZKT_serviceList out of order or on a device not open");
    Expect(device == run.device, "ZKT_serviceList: not the device open in this pass");
    Expect(reserved == 0, "ZKT_serviceList: second argument is not 0");
    Expect(capacity == ZKT_MAX_SERVICES, "ZKT_serviceList: capacity is not 10");
    Expect(items != nullptr && count != nullptr, "ZKT_serviceList: null list or count");
    const int32_t written = TakeByte(&run.input) % (capacity + 1);
    for (int32_t k = 0; k < written; ++k) {
        FillServiceName(items[k].name);
        items[k].attr = TakeWord(&run.input);
    }
    WriteCount(count);

    run.reportedServices = *count;
    run.matchingServices = 0;
    const int32_t held = EntriesHeld(*count, capacity);
    for (int32_t k = 0; k < held; ++k) {
        if (std::memcmp(items[k].name, kSynthServiceName, sizeof kSynthServiceName) == 0) {
            ++run.matchingServices;
        }
    }
    run.capturesSeen = 0;
    run.heldCount = 0;
    run.pass = kServicesListed;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                             int32_t timeout) {
    Expect(run.pass == kServicesListed, "ZKT_capture out of order or on a device not open");
    Expect(device == run.device, "ZKT_capture: not the device open in this pass");
    Expect(reserved == 0 && timeout == ZKT_CAPTURE_TIMEOUT,
           "ZKT_capture: second argument is not 0 or timeout is not 10000");
    Expect(mode != nullptr && *mode == ZKT_CAPTURE_EXCLUSIVE,
           "ZKT_capture: mode is null or not preset to 0");
    Expect(name != nullptr && std::memcmp(name, kSynthServiceName, sizeof kSynthServiceName) == 0,
           "ZKT_capture: name is not exactly BASEDDS0");
    ExpectSetupFinished();
    ++run.capturesSeen;
    if (run.capturesSeen > run.matchingServices) {
        Violation("capture %d for %d services named BASEDDS0", run.capturesSeen,
                  run.matchingServices);
    }

    *mode = TakeCaptureMode();
    const int32_t handle = TakeHandle();
    if (handle > 0) {
        HeldHandle *entry = FindHeld(handle);
        if (entry == nullptr) {
            Expect(run.heldCount < kMaxHeldHandles, "more captures than services");
            entry = &run.held[run.heldCount++];
            entry->handle = handle;
            entry->outstanding = 0;
        }
        ++entry->outstanding;
        run.setupService = handle;
        run.setupStep = 0;
        run.setupSteps = SynthSettings.StartStb == 1 ? kStepsWithStart : kStepsWithoutStart;
    }
    return handle;
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    Expect(run.pass == kServicesListed, "ZKT_ctrl outside a device pass");
    const HeldHandle *entry = FindHeld(service);
    if (service <= 0 || entry == nullptr || entry->outstanding == 0) {
        Violation("ZKT_ctrl on service %d, not captured in this pass", service);
    }
    Expect(service == run.setupService, "ZKT_ctrl on a service other than the one just captured");
    Expect(reserved == 0, "ZKT_ctrl: second argument is not 0");
    if (run.setupStep >= run.setupSteps) {
        Violation("ZKT_ctrl 0x%x after the %d commands of the set-up", code, run.setupSteps);
    }
    if (code != kSetupCodes[run.setupStep]) {
        Violation("set-up step %d: code 0x%x instead of 0x%x", run.setupStep + 1, code,
                  kSetupCodes[run.setupStep]);
    }
    ExpectPayload(run.setupStep, payload);

    const int32_t recordSize = ZktPayloadSize(code);
    const size_t size = recordSize > 0 ? static_cast<size_t>(recordSize) : 0;
    if (size > 0) WriteBack(payload, size);
    if (code == ZKTctrl_DDS_SETOUTFREQ) std::memcpy(&run.frequencyLeft, payload, size);
    if (run.setupStep == 6) std::memcpy(&run.strobeLeft, payload, size);
    ++run.setupStep;
    return TakeStatus();
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved) {
    Expect(run.pass == kServicesListed, "ZKT_release outside a device pass");
    Expect(reserved == 0, "ZKT_release: second argument is not 0");
    HeldHandle *entry = FindHeld(service);
    if (service <= 0 || entry == nullptr || entry->outstanding == 0) {
        Violation("ZKT_release of service %d, not captured in this pass or already released",
                  service);
    }
    if (service == run.setupService) ExpectSetupFinished();
    --entry->outstanding;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_close(int32_t device) {
    Expect(run.pass == kServicesListed, "ZKT_close out of order or on a device not open");
    Expect(device == run.device, "ZKT_close: not the device open in this pass");
    ExpectSetupFinished();
    for (int32_t i = 0; i < run.heldCount; ++i) {
        if (run.held[i].outstanding != 0) {
            Violation("ZKT_close with service %d still captured", run.held[i].handle);
        }
    }
    run.pass = kClosed;
    return TakeResult();
}

int32_t ZKT_CALL ZKT_cleanup(void) {
    Expect(run.stage == kListed, "ZKT_cleanup out of order or twice");
    ExpectPassFinished();
    if (run.passesSeen != run.expectedPasses) {
        Violation("%d device passes for a list of %d", run.passesSeen, run.expectedPasses);
    }
    run.stage = kCleanedUp;
    return TakeResult();
}
