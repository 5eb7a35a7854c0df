// Reads one recording as a replay does, in a process of its own, and says
// what that cost: recording_reader <folder> initialises the simulated
// library from <folder>/zkt.ini, which names the recording (Replay), and
// prints "<seconds in ZKT_init> <peak resident KiB>", the peak the whole
// process reached (getrusage). The benchmark runs it for its 64-bit figure;
// bench/run.sh builds it -m32 too for the 32-bit one.
#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

#include "boardlib/zkt_api.h"

int main(int argc, char **argv) {
    if (argc != 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: recording_reader <folder with zkt.ini>\n");
        return 2;
    }
    int32_t count = 0;
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = ZKT_init("zkt.ini", &count);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // The replay ends here: its unmade calls are no news.
    if (std::freopen("/dev/null", "w", stderr) == nullptr) return 1;
    ZKT_cleanup();
    if (result != 0) return 1;
    std::printf("%.6f %ld\n", spent.count(), usage.ru_maxrss);
    return 0;
}
