#include "sim/sim_ops.h"

#include <cstdio>
#include <cstring>

#include "calltrace/call_line.h"
#include "calltrace/trace_file.h"
#include "sim/sim_replay.h"
#include "sim/sim_state.h"
#include "sim/sim_text.h"
#include "textesc/text_escape.h"

namespace {

// Misuse of any kind (not started, bad handle, null pointer, bad argument).
const int32_t kMisuse = static_cast<int32_t>(ZKTerr_BAD_MODE);
// No such service on the device, or it is already held exclusively.
const int32_t kNoService = static_cast<int32_t>(ZKTerr_INSUFFICIENT_SERVICES);

const char kDdsServiceName[] = "BASEDDS0";

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

// Writes the call's line; a call before ZKT_init is also kept, since a
// replay started by ZKT_init must find it in its recording.
void EndCall(const CallLine &line) {
    TraceFileLine(line.text.c_str());
    if (!SimState().initialised) SimReplayKeepEarlyCall(line.text);
}

void EndSession() {
    SimLibraryState &s = SimState();
    TraceFileStop();
    SimClearConfig(&s.config);
    SimResetRuntime();
    s.initialised = false;
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
    CallLine line;
    CallLineDisplayMode(&line, mode);
    SimState().displayMode = mode;
    CallLineResult(&line, 0);
    EndCall(line);
    return 0;
}

int32_t SimOpInit(const char *configFile, int32_t *count) {
    SimLibraryState &s = SimState();
    CallLine line;
    CallLineInit(&line, configFile, count);
    int32_t result = kMisuse;
    if (!s.initialised && configFile != nullptr && count != nullptr) {
        char message[2048];
        SimLoadResult loaded = SimLoadConfigFile(configFile, &s.config, message, sizeof message);
        bool replaying = false;
        if (loaded == kSimConfigLoaded && s.config.replayPath[0] != '\0') {
            replaying = SimReplayLoad(s.config, configFile, message, sizeof message);
            if (!replaying) {
                // Refused as a malformed file is, which still keeps its trace.
                char tracePath[kSimMaxPathSize];
                std::memcpy(tracePath, s.config.tracePath, sizeof tracePath);
                SimClearConfig(&s.config);
                std::memcpy(s.config.tracePath, tracePath, sizeof tracePath);
                loaded = kSimConfigInvalid;
            }
        }
        if (loaded == kSimConfigMissing) {
            std::fprintf(stderr, "zkt: %s; no simulated devices\n", message);
        } else if (loaded == kSimConfigInvalid) {
            std::fprintf(stderr, "%s\n", message);
        }
        s.initialised = true;
        SimResetRuntime();
        const int traceError = TraceFileStart(s.config.tracePath);
        if (traceError != 0) {
            // The path comes from the file: its bytes reach the terminal
            // escaped, as in every message of the reader.
            char path[kSimMaxPathSize * 4];
            EscapeUnquoted(s.config.tracePath, kSimMaxPathSize, path, sizeof path);
            std::fprintf(stderr, "zkt: cannot open trace file '%s' (%s); no trace\n", path,
                         std::strerror(traceError));
        }
        // A malformed file still names its trace: the error goes on top, so
        // that the trace of an earlier run is never taken for this one's.
        if (loaded == kSimConfigInvalid) TraceFileNote(message);
        if (replaying) return SimReplayStart(&line, count);
        SimReplayForgetEarlyCalls();
        result = loaded == kSimConfigInvalid ? kMisuse : 0;
        *count = s.config.boardCount;
    }
    CallLineResultCount(&line, result, count);
    EndCall(line);
    return result;
}

int32_t SimOpLidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    CallLine line;
    CallLineLidList(&line, lids, capacity, count);
    int32_t result = kMisuse;
    if (s.initialised && count != nullptr && (lids != nullptr || capacity <= 0)) {
        const int32_t n = Smaller(capacity, s.config.boardCount);
        for (int32_t i = 0; i < n; ++i) lids[i] = s.config.boards[i].lid;
        *count = s.config.reportedDeviceCount.set ? s.config.reportedDeviceCount.value
                                                  : s.config.boardCount;
        result = 0;
    }
    CallLineResultLids(&line, result, lids, count);
    EndCall(line);
    return result;
}

int32_t SimOpGetInfo(uint32_t lid, BoardInfo *info) {
    const SimLibraryState &s = SimState();
    CallLine line;
    CallLineGetInfo(&line, lid, info);
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
    CallLineResultInfo(&line, result, info);
    EndCall(line);
    return result;
}

int32_t SimOpOpen(uint32_t lid, int32_t mode, void *reserved) {
    SimLibraryState &s = SimState();
    CallLine line;
    CallLineOpen(&line, lid, mode, reserved);
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
    CallLineResult(&line, result);
    EndCall(line);
    return result;
}

int32_t SimOpPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    CallLine line;
    CallLinePuList(&line, device, items, capacity, count);
    int32_t result = kMisuse;
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
        result = 0;
    }
    CallLineResultUnits(&line, result, items, count);
    EndCall(line);
    return result;
}

int32_t SimOpServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                         int32_t *count) {
    const SimLibraryState &s = SimState();
    CallLine line;
    CallLineServiceList(&line, device, reserved, items, capacity, count);
    int32_t result = kMisuse;
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
        result = 0;
    }
    CallLineResultServices(&line, result, items, count);
    EndCall(line);
    return result;
}

int32_t SimOpCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                     int32_t timeout) {
    SimLibraryState &s = SimState();
    CallLine line;
    CallLineCapture(&line, device, reserved, mode, name, timeout);
    int32_t result = kMisuse;
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
                result = handle;
            }
        }
    }
    CallLineResultMode(&line, result, mode);
    EndCall(line);
    return result;
}

int32_t SimOpCtrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    const SimLibraryState &s = SimState();
    CallLine line;
    CallLineCtrl(&line, service, reserved, code, payload);
    uint32_t status = ZKTerr_BAD_MODE;
    const SimCapture *capture = s.initialised ? SimCaptureByHandle(service) : nullptr;
    if (capture != nullptr) status = Control(*capture, reserved, code, payload);
    CallLineResultCtrl(&line, static_cast<int32_t>(status), payload);
    EndCall(line);
    return static_cast<int32_t>(status);
}

int32_t SimOpRelease(int32_t service, int32_t reserved) {
    CallLine line;
    CallLineRelease(&line, service, reserved);
    SimCapture *capture = SimState().initialised ? SimCaptureByHandle(service) : nullptr;
    int32_t result = kMisuse;
    if (capture != nullptr && reserved == 0) {
        capture->inUse = false;
        result = 0;
    }
    CallLineResult(&line, result);
    EndCall(line);
    return result;
}

int32_t SimOpClose(int32_t device) {
    SimLibraryState &s = SimState();
    CallLine line;
    CallLineClose(&line, device);
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
    CallLineResult(&line, result);
    EndCall(line);
    return result;
}

int32_t SimOpCleanup() {
    SimLibraryState &s = SimState();
    CallLine line;
    CallLineCleanup(&line);
    if (!s.initialised) {
        CallLineResult(&line, kMisuse);
        EndCall(line);
        return kMisuse;
    }
    if (SimReplaying()) {
        const int32_t result = SimReplayCleanup();
        EndSession();
        return result;
    }
    ReportStillHeld();
    CallLineResult(&line, 0);
    EndCall(line);
    EndSession();
    return 0;
}
