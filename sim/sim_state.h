// What the simulated library holds between calls: the boards read by
// ZKT_init, which devices are open under which handle, which services are
// captured, and each service's synthesizer state. One instance per process,
// used from one thread.
#ifndef QUILMAR_SIM_SIM_STATE_H
#define QUILMAR_SIM_SIM_STATE_H

#include <cstdint>

#include "sim/sim_config.h"
#include "sim/sim_dds.h"

constexpr int32_t kSimDeviceHandleBase = 0x100;   // device handle: base + board number
constexpr int32_t kSimServiceHandleBase = 0x200;  // service handle: base + capture number
constexpr int32_t kSimMaxCaptures = 64;

struct SimCapture {
    bool inUse;
    int32_t handle;
    int32_t board;
    int32_t service;
    bool spy;
};

struct SimLibraryState {
    bool initialised;    // from the ZKT_init that read zkt.ini to ZKT_cleanup
    bool configRefused;  // that zkt.ini could not be used: no boards
    bool initAnswerDue;  // the model has yet to answer that ZKT_init
    int32_t displayMode;
    SimConfig config;
    int32_t deviceHandles[kZktIniMaxBoards];  // 0: closed
    SimCapture captures[kSimMaxCaptures];
    int32_t capturesMade;  // since ZKT_init; numbers the default service handles
    SimDdsState dds[kZktIniMaxBoards][kZktIniMaxServices];
};

SimLibraryState &SimState();

// Forgets every open device and capture and brings every synthesizer back to
// its starting state (the boards read stay).
void SimResetRuntime();

// Index of the board with lid, or -1.
int32_t SimBoardByLid(uint32_t lid);

// Index of the board open under device handle, or -1 (handles <= 0 never match).
int32_t SimBoardByDevice(int32_t device);

// The capture under service handle, or null (handles <= 0 never match).
SimCapture *SimCaptureByHandle(int32_t handle);

// A free capture slot, or null when all are taken.
SimCapture *SimFreeCapture();

// Index of the service of board whose name equals name read up to 16 bytes,
// or -1.
int32_t SimServiceByName(int32_t board, const char *name);

// True when a service is exclusively captured (spy captures do not count).
bool SimServiceHeldExclusively(int32_t board, int32_t service);

#endif  // QUILMAR_SIM_SIM_STATE_H
