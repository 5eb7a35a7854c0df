// The real tool against the simulated library, with zkt.ini taken from the
// input: whatever boards, counts, handles, statuses and payload writes the
// file describes, the walk, the set-up and the simulator's operations must
// stay inside their records, and the run must end with the library shut.
// The same run recorded (a Trace key added to the file) and replayed (a
// zkt.ini that names the recording) must print the same and trace the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>

#include "app/walk.h"
#include "fuzz/harness_io.h"
#include "fuzz/sim_run_inputs.h"
#include "settings/settings.h"
#include "sim/sim_state.h"

namespace {

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "simulator walk fuzz: %s\n", what);
        std::abort();
    }
}

// The trace without the library's notes: what a replay repeats.
std::string CallsOf(const std::string &trace) {
    std::string calls;
    size_t at = 0;
    while (at < trace.size()) {
        size_t end = trace.find('\n', at);
        end = end == std::string::npos ? trace.size() : end + 1;
        if (trace.compare(at, 2, "# ") != 0) calls.append(trace, at, end - at);
        at = end;
    }
    return calls;
}

void RecordAndReplay(const uint8_t *data, size_t size) {
    std::string recorded;
    if (NamesReplayFile(data, size) || !WithTraceKey(data, size, "run.trace", &recorded)) return;
    std::remove("run.trace");
    WriteInputFile("zkt.ini", reinterpret_cast<const uint8_t *>(recorded.data()), recorded.size());
    SendStandardOutputTo("run.out");
    WalkDevices();
    SendStandardOutputTo(nullptr);
    // A file its reader cannot take may hide the key from it too.
    std::FILE *trace = std::fopen("run.trace", "rb");
    if (trace == nullptr) return;
    std::fclose(trace);

    static const char kReplay[] = "[Library]\nReplay = run.trace\nTrace = replay.trace\n";
    std::remove("replay.trace");
    WriteInputFile("zkt.ini", reinterpret_cast<const uint8_t *>(kReplay), sizeof kReplay - 1);
    SendStandardOutputTo("replay.out");
    WalkDevices();
    SendStandardOutputTo(nullptr);
    Check(!SimState().initialised, "the replay was not shut down");
    Check(ReadWholeFile("replay.out") == ReadWholeFile("run.out"),
          "the replay printed another output");
    Check(ReadWholeFile("replay.trace") == CallsOf(ReadWholeFile("run.trace")),
          "the replay's trace is not the recording");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    StartSimRunHarness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (NamesTraceFile(data, size)) return -1;
    WriteInputFile("zkt.ini", data, size);
    WalkDevices();
    Check(!SimState().initialised, "the library was not shut down");
    RecordAndReplay(data, size);
    return 0;
}
