#include "sim/sim_state.h"

#include <cstring>

#include "sim/sim_text.h"

SimLibraryState &SimState() {
    static SimLibraryState state;
    return state;
}

void SimResetRuntime() {
    SimLibraryState &s = SimState();
    std::memset(s.deviceHandles, 0, sizeof s.deviceHandles);
    std::memset(s.captures, 0, sizeof s.captures);
    s.capturesMade = 0;
    for (int32_t b = 0; b < kZktIniMaxBoards; ++b) {
        const SimDdsLimits limits =
            b < s.config.boardCount ? s.config.boards[b].dds : SimDefaultDdsLimits();
        for (int32_t v = 0; v < kZktIniMaxServices; ++v) SimDdsReset(&s.dds[b][v], limits);
    }
}

int32_t SimBoardByLid(uint32_t lid) {
    const SimConfig &c = SimState().config;
    for (int32_t b = 0; b < c.boardCount; ++b) {
        if (c.boards[b].lid == lid) return b;
    }
    return -1;
}

int32_t SimBoardByDevice(int32_t device) {
    if (device <= 0) return -1;
    const SimLibraryState &s = SimState();
    for (int32_t b = 0; b < s.config.boardCount; ++b) {
        if (s.deviceHandles[b] == device) return b;
    }
    return -1;
}

SimCapture *SimCaptureByHandle(int32_t handle) {
    if (handle <= 0) return nullptr;
    for (SimCapture &c : SimState().captures) {
        if (c.inUse && c.handle == handle) return &c;
    }
    return nullptr;
}

SimCapture *SimFreeCapture() {
    for (SimCapture &c : SimState().captures) {
        if (!c.inUse) return &c;
    }
    return nullptr;
}

int32_t SimServiceByName(int32_t board, const char *name) {
    const SimBoard &b = SimState().config.boards[board];
    for (int32_t v = 0; v < b.serviceCount; ++v) {
        if (SimSameField(b.services[v].name, name, ZKT_SERVICE_NAME_SIZE)) return v;
    }
    return -1;
}

bool SimServiceHeldExclusively(int32_t board, int32_t service) {
    for (const SimCapture &c : SimState().captures) {
        if (c.inUse && !c.spy && c.board == board && c.service == service) return true;
    }
    return false;
}
