// The simulator's second way of answering: from a recorded call trace
// (zkt.ini's Replay key) instead of from boards. Every call is matched with
// the next recorded one by its call part (every argument the caller chose)
// and gets the recorded result and outputs, written through the same
// pointers. The first call that does not match, or that comes after the
// recording's last, is reported once on standard error and as a note in the
// trace; from there on every call answers ZKTerr_BAD_MODE and writes nothing.
#ifndef QUILMAR_SIM_SIM_REPLAY_H
#define QUILMAR_SIM_SIM_REPLAY_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "boardlib/zkt_api.h"
#include "calltrace/call_line.h"
#include "sim/sim_config.h"

// Largest recording read, in bytes.
constexpr long kSimMaxRecordingBytes = 64L * 1024L * 1024L;

// True between a ZKT_init that started a replay and its ZKT_cleanup.
bool SimReplaying();

// Reads the recording config names (relative to the current directory).
// On failure writes one line, "<file>:<line>: <problem>" (escaped like the
// reader's messages), into message and returns false.
bool SimReplayLoad(const SimConfig &config, const char *configFile, char *message,
                   size_t messageSize);

// A call made before ZKT_init (its whole line): checked against the
// recording when ZKT_init starts a replay, forgotten otherwise.
void SimReplayKeepEarlyCall(const std::string &line);
void SimReplayForgetEarlyCalls();

// Starts the loaded replay at the ZKT_init whose call part line holds:
// checks the calls made before it, answers it and completes its line.
int32_t SimReplayStart(CallLine *line, int32_t *count);

// The operations while replaying.
int32_t SimReplayDisplayMode(int32_t mode);
int32_t SimReplayInit(const char *configFile, int32_t *count);
int32_t SimReplayLidList(uint32_t *lids, int32_t capacity, int32_t *count);
int32_t SimReplayGetInfo(uint32_t lid, BoardInfo *info);
int32_t SimReplayOpen(uint32_t lid, int32_t mode, void *reserved);
int32_t SimReplayPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count);
int32_t SimReplayServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                             int32_t *count);
int32_t SimReplayCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                         int32_t timeout);
int32_t SimReplayCtrl(int32_t service, int32_t reserved, int32_t code, void *payload);
int32_t SimReplayRelease(int32_t service, int32_t reserved);
int32_t SimReplayClose(int32_t device);
// Answers ZKT_cleanup, reports recorded calls never made and ends the
// replay; the caller then ends the session as after any ZKT_cleanup.
int32_t SimReplayCleanup();

#endif  // QUILMAR_SIM_SIM_REPLAY_H
