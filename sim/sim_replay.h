// The simulator's second way of answering: from a recorded call trace
// (zkt.ini's Replay key) instead of from boards. Every call is matched with
// the next recorded one by its call part (every argument the caller chose)
// and gets the recorded result and outputs, written through the same
// pointers. The first call that does not match, or that comes after the
// recording's last, is reported once on standard error and as a note in the
// trace; from there on every call answers ZKTerr_BAD_MODE and writes nothing.
// The replay writes no trace line of its own: its calls are made through the
// tracing wrapper, which hands it the call to match.
#ifndef QUILMAR_SIM_SIM_REPLAY_H
#define QUILMAR_SIM_SIM_REPLAY_H

#include <cstddef>

#include "boardlib/zkt_ops.h"
#include "sim/sim_config.h"

// Largest recording read, in bytes.
constexpr long kSimMaxRecordingBytes = 64L * 1024L * 1024L;

// Reads the recording config names (relative to the current directory),
// which then answers from its first call. On failure writes one line,
// "<file>:<line>: <problem>" (escaped like the reader's messages), into
// message, forgets any recording and returns false.
bool SimReplayLoad(const SimConfig &config, const char *configFile, char *message,
                   size_t messageSize);

// Whether the recording loaded is the one zkt.ini names as path.
bool SimReplayLoadedFrom(const char *path);

// The loaded recording's name as messages show it.
const char *SimReplayShownPath();

// Takes the replay to the recording's first ZKT_init, for a session whose
// callsMade earlier calls were answered otherwise.
void SimReplaySkipToInit(size_t callsMade);

// Whether the replay goes on past the ZKT_cleanup just answered: the
// recording holds another session, to be matched session after session.
bool SimReplayGoesOn();

// Forgets the recording.
void SimReplayForget();

// The operations, answered from the recording through the pointers of the
// traced call under way (TracedCallPointers): the table is called only
// through TracedThrough, never on its own.
const ZktOps &SimReplayOps();

// Matches the call about to be answered (its call part, TracedCallPart) with
// the next recorded one, before the call part is written: a divergence's
// note then stands before the line. The operation that follows answers as
// matched here.
void SimReplayBeforeCall();

#endif  // QUILMAR_SIM_SIM_REPLAY_H
