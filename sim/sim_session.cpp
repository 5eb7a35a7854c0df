#include "sim/sim_session.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "calltrace/trace_file.h"
#include "sim/sim_config.h"
#include "sim/sim_model.h"
#include "sim/sim_replay.h"
#include "sim/sim_state.h"
#include "zktini/trace_start.h"

namespace {

enum Backend { kUndecided, kModel, kReplay };

Backend backend = kUndecided;
size_t callsMade = 0;  // in this session, the current one included

// The file a program names to ZKT_init, as quilmar and zktdump do.
const char kLocalConfig[] = "zkt.ini";

// The backend of a session whose first call is not ZKT_init.
Backend Pick() {
    static SimConfig local;  // large: kept off the stack
    char message[2048];
    Backend picked = kModel;
    if (SimLoadConfigFile(kLocalConfig, &local, message, sizeof message) == kSimConfigLoaded &&
        local.replayPath[0] != '\0' &&
        SimReplayLoad(local, kLocalConfig, message, sizeof message)) {
        picked = kReplay;
        // The trace of an earlier session goes on into this one, but never
        // into the recording that now answers: it ends here.
        if (TraceFileGoesOnAt(local.replayPath, nullptr, 0)) TraceFileStop();
    }
    SimClearConfig(&local);
    return picked;
}

// What answered the calls before ZKT_init, or answers from there on.
std::string Answerer(Backend which) {
    if (which != kReplay) return "the simulated boards";
    return std::string("the recording '") + SimReplayShownPath() + "'";
}

// Refused as a malformed file is, which still keeps its trace.
void Refuse(SimConfig *config) {
    char tracePath[kZktIniMaxPathSize];
    std::memcpy(tracePath, config->tracePath, sizeof tracePath);
    SimClearConfig(config);
    std::memcpy(config->tracePath, tracePath, sizeof tracePath);
}

// A malformed file's trace starts too; a later session of the process that
// names the trace already open goes on in it.
const TraceStartWords kTraceWords = {"zkt: ", "the library settings", "no trace", "", false};

// A pointer the compiler cannot know to be null: the write is made.
int32_t *volatile nowhere = nullptr;

template <typename... Arguments>
int32_t Crash(Arguments...) {
    *nowhere = 0;
    return kZktRefused;
}

const ZktOps kCrashOps = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) Crash,
#include "boardlib/zkt_operations.inc"
};

}  // namespace

bool SimSessionCrashesIn(ZktOperation operation) {
    return SimState().initialised && SimState().config.crashIn == operation;
}

const ZktOps &SimCrashOps() { return kCrashOps; }

const ZktOps &SimSessionOps() {
    if (backend == kUndecided) backend = Pick();
    ++callsMade;
    return backend == kReplay ? SimReplayOps() : SimModelOps();
}

TracedBeforeCall SimSessionBeforeCall() {
    return backend == kReplay ? SimReplayBeforeCall : nullptr;
}

void SimSessionInit(const char *configFile, const int32_t *count) {
    SimLibraryState &s = SimState();
    if (s.initialised || configFile == nullptr || count == nullptr) return;
    // The calls before this one, answered by the backend picked then.
    const size_t earlier = callsMade;
    const Backend before = backend;
    const std::string answeredBefore = earlier > 0 ? Answerer(before) : std::string();

    char message[2048];
    SimLoadResult loaded = SimLoadConfigFile(configFile, &s.config, message, sizeof message);
    bool replaying = false;
    if (loaded == kSimConfigLoaded && s.config.replayPath[0] != '\0') {
        replaying = before == kReplay && SimReplayLoadedFrom(s.config.replayPath);
        if (!replaying) {
            replaying = SimReplayLoad(s.config, configFile, message, sizeof message);
            if (replaying && earlier > 0) SimReplaySkipToInit(earlier);
        }
        if (!replaying) {
            Refuse(&s.config);
            loaded = kSimConfigInvalid;
        }
    }
    if (!replaying) SimReplayForget();
    backend = replaying ? kReplay : kModel;

    if (loaded == kSimConfigMissing) {
        std::fprintf(stderr, "zkt: %s; no simulated devices\n", message);
    } else if (loaded == kSimConfigInvalid) {
        std::fprintf(stderr, "%s\n", message);
    }
    s.initialised = true;
    s.configRefused = loaded == kSimConfigInvalid;
    s.initAnswerDue = true;
    SimResetRuntime();
    ZktIniStartTrace(kTraceWords, configFile, s.config.tracePath);
    // A malformed file still names its trace: the error goes on top, so
    // that the trace of an earlier run is never taken for this one's.
    if (loaded == kSimConfigInvalid) TraceFileNote(message);
    const std::string answeredNow = Answerer(backend);
    if (earlier > 0 && answeredNow != answeredBefore) {
        const std::string note = std::to_string(earlier) + " call" + (earlier == 1 ? "" : "s") +
                                 " before ZKT_init answered by " + answeredBefore +
                                 " stand; from ZKT_init on, " + answeredNow + " answers";
        TraceFileNote(note.c_str());
    }
}

void SimSessionEnd() {
    SimLibraryState &s = SimState();
    if (s.initialised) {
        TraceFileSessionEnded();
        SimClearConfig(&s.config);
        SimResetRuntime();
        s.initialised = false;
        s.configRefused = false;
        s.initAnswerDue = false;
    }
    callsMade = 0;
    // A recording of several sessions answers the calls after this one too.
    if (backend == kReplay && SimReplayGoesOn()) return;
    SimReplayForget();
    backend = kUndecided;
}
