#include "sim/sim_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim/sim_state.h"
#include "sim/sim_text.h"
#include "textesc/text_escape.h"

namespace {

// Misuse of any kind (not started, bad handle, null pointer, bad argument).
// No such service on the device, or it is already held exclusively.
const int32_t kNoService = static_cast<int32_t>(ZKTerr_INSUFFICIENT_SERVICES);

const char kDdsServiceName[] = "BASEDDS0";

// The entries a list call gets: none for a capacity not above 0.
int32_t Smaller(int32_t capacity, int32_t available) {
    return std::max(0, std::min(capacity, available));
}

// What zkt.ini sets, else what the boards give.
int32_t OrElse(const SimOptionalInt &configured, int32_t otherwise) {
    return configured.set ? configured.value : otherwise;
}

// A list call needs its count, and its list unless it asks for no entries.
bool ListArgumentsOk(const void *list, int32_t capacity, const int32_t *count) {
    return count != nullptr && (list != nullptr || capacity <= 0);
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
    if (reserved == 0 && !capture.spy &&
        SimSameField(board.services[capture.service].name, kDdsServiceName,
                     ZKT_SERVICE_NAME_SIZE)) {
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

int32_t ModelDisplayMode(int32_t mode) {
    SimState().displayMode = mode;
    return 0;
}

// Answers the ZKT_init that opened the session, from the zkt.ini the
// session read (sim_session.cpp); any other is misuse.
int32_t ModelInit(const char *, int32_t *count) {
    SimLibraryState &s = SimState();
    if (!s.initAnswerDue) return kZktRefused;
    s.initAnswerDue = false;
    // A refused file fails the call, with no boards counted.
    *count = s.config.boardCount;
    return s.configRefused ? kZktRefused : 0;
}

int32_t ModelLidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    if (!s.initialised || !ListArgumentsOk(lids, capacity, count)) return kZktRefused;
    const int32_t n = Smaller(capacity, s.config.boardCount);
    for (int32_t i = 0; i < n; ++i) lids[i] = s.config.boards[i].lid;
    *count = OrElse(s.config.reportedDeviceCount, s.config.boardCount);
    return 0;
}

int32_t ModelGetInfo(uint32_t lid, BoardInfo *info) {
    const SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByLid(lid) : -1;
    if (b < 0 || info == nullptr || info->size < sizeof(BoardInfo)) return kZktRefused;
    const SimBoard &board = s.config.boards[b];
    if (board.infoFails && !board.infoWritesOnFailure) return kZktRefused;
    info->reserved4 = 0;
    info->idWord = board.idWord;
    std::memcpy(info->name, board.name, sizeof info->name);
    info->bus = board.bus;
    info->dev = board.dev;
    info->slot = board.slot;
    std::memset(info->reserved160, 0, sizeof info->reserved160);
    return board.infoFails ? kZktRefused : 0;
}

// Any open mode is granted.
int32_t ModelOpen(uint32_t lid, int32_t, void *reserved) {
    SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByLid(lid) : -1;
    if (b < 0 || reserved != nullptr || s.deviceHandles[b] != 0) return kZktRefused;
    const int32_t result = OrElse(s.config.boards[b].openResult, kSimDeviceHandleBase + b + 1);
    if (result <= 0) return result;
    // A configured handle that another device holds.
    if (SimBoardByDevice(result) >= 0) return kZktRefused;
    s.deviceHandles[b] = result;
    return result;
}

int32_t ModelPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    const SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b < 0 || !ListArgumentsOk(items, capacity, count)) return kZktRefused;
    const SimBoard &board = s.config.boards[b];
    std::copy_n(board.units, Smaller(capacity, board.unitCount), items);
    *count = OrElse(board.reportedUnitCount, board.unitCount);
    return 0;
}

int32_t ModelServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                         int32_t *count) {
    const SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b < 0 || reserved != 0 || !ListArgumentsOk(items, capacity, count)) return kZktRefused;
    const SimBoard &board = s.config.boards[b];
    std::copy_n(board.services, Smaller(capacity, board.serviceCount), items);
    *count = OrElse(board.reportedServiceCount, board.serviceCount);
    return 0;
}

int32_t ModelCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name, int32_t) {
    SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b < 0 || reserved != 0 || mode == nullptr || name == nullptr) return kZktRefused;
    const SimBoard &board = s.config.boards[b];
    const int32_t service = SimServiceByName(b, name);
    const int32_t granted = OrElse(board.captureMode, *mode);
    const bool spy = granted == ZKT_CAPTURE_SPY;
    // Two causes give the same answer; a configured failure sits between
    // them because it wins over a busy service but not over a missing one.
    if (service < 0) return kNoService;
    if (board.captureResult.set && board.captureResult.value <= 0) {
        *mode = granted;
        return board.captureResult.value;
    }
    if (!spy && SimServiceHeldExclusively(b, service)) return kNoService;
    const int32_t handle = OrElse(board.captureResult, kSimServiceHandleBase + s.capturesMade + 1);
    SimCapture *slot = SimFreeCapture();
    if (slot == nullptr || SimCaptureByHandle(handle) != nullptr) return kZktRefused;
    *slot = SimCapture{true, handle, b, service, spy};
    ++s.capturesMade;
    *mode = granted;
    return handle;
}

int32_t ModelCtrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    const SimCapture *capture = SimState().initialised ? SimCaptureByHandle(service) : nullptr;
    if (capture == nullptr) return kZktRefused;
    return static_cast<int32_t>(Control(*capture, reserved, code, payload));
}

int32_t ModelRelease(int32_t service, int32_t reserved) {
    SimCapture *capture = SimState().initialised ? SimCaptureByHandle(service) : nullptr;
    if (capture == nullptr || reserved != 0) return kZktRefused;
    capture->inUse = false;
    return 0;
}

int32_t ModelClose(int32_t device) {
    SimLibraryState &s = SimState();
    const int32_t b = s.initialised ? SimBoardByDevice(device) : -1;
    if (b < 0) return kZktRefused;
    // A device whose services are still captured stays open.
    for (const SimCapture &c : s.captures) {
        if (c.inUse && c.board == b) return kZktRefused;
    }
    s.deviceHandles[b] = 0;
    return 0;
}

// Reports what the caller left open; the session ends after it.
int32_t ModelCleanup() {
    if (!SimState().initialised) return kZktRefused;
    ReportStillHeld();
    return 0;
}

const ZktOps kModelOps = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) Model##Name,
#include "boardlib/zkt_operations.inc"
};

}  // namespace

const ZktOps &SimModelOps() { return kModelOps; }
