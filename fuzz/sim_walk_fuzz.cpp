// The real tool against the simulated library, with zkt.ini taken from the
// input: whatever boards, counts, handles, statuses and payload writes the
// file describes, the walk, the set-up and the simulator's operations must
// stay inside their records, and the run must end with the library shut.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    Check(chdir(MakeScratchDirectory()) == 0, "cannot enter the temporary directory");
    SetAcceptedSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (NamesTraceFile(data, size)) return -1;
    WriteInputFile("zkt.ini", data, size);
    WalkDevices();
    Check(!SimState().initialised, "the library was not shut down");
    return 0;
}
