// The real tool against the simulated library, with zkt.ini taken from the
// input: whatever boards, counts, handles, statuses and payload writes the
// file describes, the walk, the set-up and the simulator's operations must
// stay inside their records, and the run must end with the library shut.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "app/walk.h"
#include "fuzz/harness_io.h"
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

// The Trace key makes the simulator write a file at any path the input
// names; such inputs are refused rather than let loose on the disk.
bool NamesTraceFile(const uint8_t *data, size_t size) {
    static const char kWord[] = "trace";
    const size_t length = sizeof kWord - 1;
    for (size_t at = 0; at + length <= size; ++at) {
        size_t matched = 0;
        while (matched < length &&
               std::tolower(data[at + matched]) == static_cast<unsigned char>(kWord[matched])) {
            ++matched;
        }
        if (matched == length) return true;
    }
    return false;
}

// Settings that every command accepts on a default board, with the strobe
// started, so the whole sequence runs unless the file says otherwise.
void SetSettings() {
    SynthSettingsRecord &s = SynthSettings;
    s.RefClockSource = 1;
    s.RefClockValue = 200e6;
    s.OutputFreq = 10e6;
    s.LengthStb = 10;
    s.PolarityStb = 1;
    s.DelayStb = 5;
    s.PeriodStb = 100;
    s.NumberStb = 3;
    s.ContStb = 0;
    s.StartStb = 1;
    s.StartSource = 1;
    s.StartInverse = 0;
    s.ThresholdComp1 = 1.5;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    std::snprintf(directory, sizeof directory, "/tmp/quilmar-fuzz-XXXXXX");
    Check(mkdtemp(directory) != nullptr && chdir(directory) == 0,
          "cannot make and enter a temporary directory");
    std::atexit(RemoveFiles);
    SetSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (NamesTraceFile(data, size)) return -1;
    WriteInputFile("zkt.ini", data, size);
    WalkDevices();
    Check(!SimState().initialised, "the library was not shut down");
    return 0;
}
