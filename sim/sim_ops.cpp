#include "sim/sim_ops.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "sim/sim_state.h"
#include "sim/sim_text.h"
#include "sim/sim_trace.h"
#include "textesc/text_escape.h"

namespace {

// Misuse of any kind (not started, bad handle, null pointer, bad argument).
const int32_t kMisuse = static_cast<int32_t>(ZKTerr_BAD_MODE);
// No such service on the device, or it is already held exclusively.
const int32_t kNoService = static_cast<int32_t>(ZKTerr_INSUFFICIENT_SERVICES);

const char kDdsServiceName[] = "BASEDDS0";

void Trace(const char *format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    SimTraceLine(line);
}

// ", count=N" when the operation wrote the count, else "".
const char *CountText(bool written, int32_t count, char *out, size_t outSize) {
    out[0] = '\0';
    if (written) std::snprintf(out, outSize, ", count=%d", count);
    return out;
}

const char *NullText(const void *pointer, const char *text) {
    return pointer == nullptr ? text : "";
}

int32_t Smaller(int32_t capacity, int32_t available) {
    if (capacity <= 0) return 0;
    return capacity < available ? capacity : available;
}

bool IsDdsService(const SimService &service) {
    const size_t length = sizeof kDdsServiceName - 1;
    return SimFieldLength(service.name, sizeof service.name) == length &&
           std::memcmp(service.name, kDdsServiceName, length) == 0;
}

void ApplyWrites(const SimWriteOverride &entry, void *payload) {
    unsigned char *bytes = static_cast<unsigned char *>(payload);
    for (int32_t i = 0; i < entry.writeCount; ++i) {
        const SimPayloadWrite &w = entry.writes[i];
        if (w.isDouble) {
            std::memcpy(bytes + w.offset, &w.doubleValue, sizeof w.doubleValue);
        } else {
            std::memcpy(bytes + w.offset, &w.intValue, sizeof w.intValue);
        }
    }
}

uint32_t Control(const SimCapture &capture, int32_t reserved, int32_t code, void *payload) {
    SimLibraryState &s = SimState();
    const SimBoard &board = s.config.boards[capture.board];
    uint32_t status = ZKTerr_BAD_MODE;
    // A spy may watch a service but not command it; only the synthesizer
    // service knows any control code.
    if (reserved == 0 && !capture.spy && IsDdsService(board.services[capture.service])) {
        status = SimDdsControl(&s.dds[capture.board][capture.service], board.dds, code, payload);
    }
    if (const SimStatusOverride *forced = SimFindStatusOverride(board, code)) {
        status = forced->status;
    }
    const SimWriteOverride *writes = SimFindWriteOverride(board, code);
    if (writes != nullptr && payload != nullptr) ApplyWrites(*writes, payload);
    return status;
}

void ReportStillHeld() {
    const SimLibraryState &s = SimState();
    for (int32_t b = 0; b < s.config.boardCount; ++b) {
        if (s.deviceHandles[b] == 0) continue;
        std::fprintf(stderr, "zkt: ZKT_cleanup: device %d (lid 0x%x) still open\n",
                     s.deviceHandles[b], s.config.boards[b].lid);
        for (const SimCapture &c : s.captures) {
            if (!c.inUse || c.board != b) continue;
            char name[80];
            EscapeQuoted(s.config.boards[b].services[c.service].name, ZKT_SERVICE_NAME_SIZE, name,
                         sizeof name);
            std::fprintf(stderr,
                         "zkt: ZKT_cleanup: service %s (handle %d) of device %d still captured\n",
                         name, c.handle, s.deviceHandles[b]);
        }
    }
}

}  // namespace

int32_t SimOpDisplayMode(int32_t mode) {
    SimState().displayMode = mode;
    Trace("ZKT_displayMode(mode=0x%x) = 0", static_cast<uint32_t>(mode));
    return 0;
}

int32_t SimOpInit(const char *configFile, int32_t *count) {
    SimLibraryState &s = SimState();
    char file[300];
    EscapeQuoted(configFile, 256, file, sizeof file);
    int32_t result = kMisuse;
    bool countWritten = false;
    if (!s.initialised && configFile != nullptr && count != nullptr) {
        char message[512];
        const SimLoadResult loaded =
            SimLoadConfigFile(configFile, &s.config, message, sizeof message);
        if (loaded == kSimConfigMissing) {
            std::fprintf(stderr, "zkt: %s; no simulated devices\n", message);
        } else if (loaded == kSimConfigInvalid) {
            std::fprintf(stderr, "%s\n", message);
        }
        s.initialised = true;
        SimResetRuntime();
        if (!SimTraceStart(s.config.tracePath)) {
            std::fprintf(stderr, "zkt: cannot open trace file '%s'; no trace\n",
                         s.config.tracePath);
        }
        result = loaded == kSimConfigInvalid ? kMisuse : 0;
        *count = s.config.boardCount;
        countWritten = true;
    }
    char countText[32];
    Trace("ZKT_init(configFile=%s%s) = %d%s", file, NullText(count, ", count=null"), result,
          CountText(countWritten, countWritten ? *count : 0, countText, sizeof countText));
    return result;
}

int32_t SimOpLidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    int32_t result = kMisuse;
    bool countWritten = false;
    if (s.initialised && count != nullptr && (lids != nullptr || capacity <= 0)) {
        const int32_t n = Smaller(capacity, s.config.boardCount);
        for (int32_t i = 0; i < n; ++i) lids[i] = s.config.boards[i].lid;
        *count = s.config.reportedDeviceCount.set ? s.config.reportedDeviceCount.value
                                                  : s.config.boardCount;
        countWritten = true;
        result = 0;
    }
    char countText[32];
    Trace("ZKT_lidList(%scapacity=%d%s) = %d%s", NullText(lids, "lids=null, "), capacity,
          NullText(count, ", count=null"), result,
          CountText(countWritten, countWritten ? *count : 0, countText, sizeof countText));
    return result;
}

int32_t SimOpGetInfo(uint32_t lid, BoardInfo *info) {
    const SimLibraryState &s = SimState();
    char sizeText[32];
    if (info == nullptr) {
        std::snprintf(sizeText, sizeof sizeText, "info=null");
    } else {
        std::snprintf(sizeText, sizeof sizeText, "size=%u", info->size);
    }
    int32_t result = kMisuse;
    const int32_t b = s.initialised ? SimBoardByLid(lid) : -1;
    if (b >= 0 && info != nullptr && info->size >= sizeof(BoardInfo) &&
        (!s.config.boards[b].infoFails || s.config.boards[b].infoWritesOnFailure)) {
        const SimBoard &board = s.config.boards[b];
        info->reserved4 = 0;
        info->idWord = board.idWord;
        std::memcpy(info->name, board.name, sizeof info->name);
        info->bus = board.bus;
        info->dev = board.dev;
        info->slot = board.slot;
        std::memset(info->reserved160, 0, sizeof info->reserved160);
        result = board.infoFails ? kMisuse : 0;
    }
    Trace("ZKT_getInfo(lid=0x%x, %s) = %d", lid, sizeText, result);
    return result;
}

int32_t SimOpOpen(uint32_t lid, int32_t mode, void *reserved) {
    SimLibraryState &s = SimState();
    int32_t result = kMisuse;
    const int32_t b = s.initialised ? SimBoardByLid(lid) : -1;
    if (b >= 0 && reserved == nullptr && s.deviceHandles[b] == 0) {
        const SimBoard &board = s.config.boards[b];
        result = board.openResult.set ? board.openResult.value : kSimDeviceHandleBase + b + 1;
        if (result > 0) {
            if (SimBoardByDevice(result) >= 0) {
                result = kMisuse;  // a configured handle that another device holds
            } else {
                s.deviceHandles[b] = result;
            }
        }
    }
    Trace("ZKT_open(lid=0x%x, mode=%d, reserved=%s) = %d", lid, mode,
          reserved == nullptr ? "null" : "nonnull", result);
    return result;
}

int32_t SimOpPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    int32_t result = kMisuse;
    bool countWritten = false;
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b >= 0 && count != nullptr && (items != nullptr || capacity <= 0)) {
        const SimBoard &board = s.config.boards[b];
        const int32_t n = Smaller(capacity, board.unitCount);
        for (int32_t i = 0; i < n; ++i) {
            items[i].id = board.units[i].id;
            items[i].code = board.units[i].code;
            items[i].attr = board.units[i].attr;
            std::memcpy(items[i].description, board.units[i].description,
                        sizeof items[i].description);
        }
        *count = board.reportedUnitCount.set ? board.reportedUnitCount.value : board.unitCount;
        countWritten = true;
        result = 0;
    }
    char countText[32];
    Trace("ZKT_puList(device=%d, %scapacity=%d%s) = %d%s", device, NullText(items, "items=null, "),
          capacity, NullText(count, ", count=null"), result,
          CountText(countWritten, countWritten ? *count : 0, countText, sizeof countText));
    return result;
}

int32_t SimOpServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                         int32_t *count) {
    const SimLibraryState &s = SimState();
    int32_t result = kMisuse;
    bool countWritten = false;
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b >= 0 && reserved == 0 && count != nullptr && (items != nullptr || capacity <= 0)) {
        const SimBoard &board = s.config.boards[b];
        const int32_t n = Smaller(capacity, board.serviceCount);
        for (int32_t i = 0; i < n; ++i) {
            std::memcpy(items[i].name, board.services[i].name, sizeof items[i].name);
            items[i].attr = board.services[i].attr;
        }
        *count =
            board.reportedServiceCount.set ? board.reportedServiceCount.value : board.serviceCount;
        countWritten = true;
        result = 0;
    }
    char countText[32];
    Trace("ZKT_serviceList(device=%d, reserved=%d, %scapacity=%d%s) = %d%s", device, reserved,
          NullText(items, "items=null, "), capacity, NullText(count, ", count=null"), result,
          CountText(countWritten, countWritten ? *count : 0, countText, sizeof countText));
    return result;
}

int32_t SimOpCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                     int32_t timeout) {
    SimLibraryState &s = SimState();
    char modeText[16];
    if (mode == nullptr) {
        std::snprintf(modeText, sizeof modeText, "null");
    } else {
        std::snprintf(modeText, sizeof modeText, "%d", *mode);
    }
    char nameText[80];
    EscapeQuoted(name, ZKT_SERVICE_NAME_SIZE, nameText, sizeof nameText);

    int32_t result = kMisuse;
    bool modeWritten = false;
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b >= 0 && reserved == 0 && mode != nullptr && name != nullptr) {
        const SimBoard &board = s.config.boards[b];
        const int32_t service = SimServiceByName(b, name);
        const int32_t granted = board.captureMode.set ? board.captureMode.value : *mode;
        const bool spy = granted == ZKT_CAPTURE_SPY;
        // Two causes give the same answer; a configured failure sits between
        // them because it wins over a busy service but not over a missing one.
        if (service < 0) {  // NOLINT(bugprone-branch-clone)
            result = kNoService;
        } else if (board.captureResult.set && board.captureResult.value <= 0) {
            result = board.captureResult.value;
            *mode = granted;
            modeWritten = true;
        } else if (!spy && SimServiceHeldExclusively(b, service)) {
            result = kNoService;
        } else {
            const int32_t handle = board.captureResult.set
                                       ? board.captureResult.value
                                       : kSimServiceHandleBase + s.capturesMade + 1;
            SimCapture *slot = SimFreeCapture();
            if (slot != nullptr && SimCaptureByHandle(handle) == nullptr) {
                slot->inUse = true;
                slot->handle = handle;
                slot->board = b;
                slot->service = service;
                slot->spy = spy;
                ++s.capturesMade;
                *mode = granted;
                modeWritten = true;
                result = handle;
            }
        }
    }
    char modeOut[32] = "";
    if (modeWritten) std::snprintf(modeOut, sizeof modeOut, ", mode=%d", *mode);
    Trace("ZKT_capture(device=%d, reserved=%d, mode=%s, name=%s, timeout=%d) = %d%s", device,
          reserved, modeText, nameText, timeout, result, modeOut);
    return result;
}

int32_t SimOpCtrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    const SimLibraryState &s = SimState();
    const int32_t size = SimPayloadSize(code);
    char before[64];
    if (payload == nullptr) {
        std::snprintf(before, sizeof before, "null");
    } else if (size < 0) {
        std::snprintf(before, sizeof before, "(unknown size)");
    } else if (size == 0) {
        std::snprintf(before, sizeof before, "nonnull");
    } else {
        SimFormatHex(payload, static_cast<size_t>(size), before, sizeof before);
    }
    uint32_t status = ZKTerr_BAD_MODE;
    const SimCapture *capture = s.initialised ? SimCaptureByHandle(service) : nullptr;
    if (capture != nullptr) status = Control(*capture, reserved, code, payload);
    char after[80] = "";
    if (payload != nullptr && size > 0) {
        char hex[64];
        std::snprintf(after, sizeof after, ", payload=%s",
                      SimFormatHex(payload, static_cast<size_t>(size), hex, sizeof hex));
    }
    Trace("ZKT_ctrl(service=%d, reserved=%d, code=0x%x, payload=%s) = 0x%08x%s", service, reserved,
          static_cast<uint32_t>(code), before, status, after);
    return static_cast<int32_t>(status);
}

int32_t SimOpRelease(int32_t service, int32_t reserved) {
    SimCapture *capture = SimState().initialised ? SimCaptureByHandle(service) : nullptr;
    int32_t result = kMisuse;
    if (capture != nullptr && reserved == 0) {
        capture->inUse = false;
        result = 0;
    }
    Trace("ZKT_release(service=%d, reserved=%d) = %d", service, reserved, result);
    return result;
}

int32_t SimOpClose(int32_t device) {
    SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    int32_t result = kMisuse;
    if (b >= 0) {
        bool servicesHeld = false;
        for (const SimCapture &c : s.captures)
            servicesHeld = servicesHeld || (c.inUse && c.board == b);
        // A device whose services are still captured stays open.
        if (!servicesHeld) {
            s.deviceHandles[b] = 0;
            result = 0;
        }
    }
    Trace("ZKT_close(device=%d) = %d", device, result);
    return result;
}

int32_t SimOpCleanup() {
    SimLibraryState &s = SimState();
    if (!s.initialised) {
        Trace("ZKT_cleanup() = %d", kMisuse);
        return kMisuse;
    }
    ReportStillHeld();
    Trace("ZKT_cleanup() = 0");
    SimTraceStop();
    SimClearConfig(&s.config);
    SimResetRuntime();
    s.initialised = false;
    return 0;
}
