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

char directory[64];

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "simulator walk fuzz: %s\n", what);
        std::abort();
    }
}

void RemoveFiles() {
    if (chdir("/") != 0) return;
    char path[96];
    std::snprintf(path, sizeof path, "%s/zkt.ini", directory);
    unlink(path);
    rmdir(directory);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    std::snprintf(directory, sizeof directory, "/tmp/quilmar-fuzz-XXXXXX");
    Check(mkdtemp(directory) != nullptr && chdir(directory) == 0,
          "cannot make and enter a temporary directory");
    std::atexit(RemoveFiles);
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
