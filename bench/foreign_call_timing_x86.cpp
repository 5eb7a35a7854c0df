// What ForeignCall (platform/foreign_call.h) costs against a direct call on
// 32-bit x86, where every bound operation goes through it. A program of its
// own, built by bench/run.sh with -m32 -O2, since the benchmark is built for
// the machine's own (64-bit) architecture, where the routine is not used.
// bench/run.sh runs it only where the kernel runs 32-bit programs natively:
// under an emulator its figures would time the emulator's translation of
// the code, not the code.
//
// Prints the time per call, the best of several runs, for a function of no
// argument and one of five (as ZKT_capture and ZKT_serviceList take), called
// directly through a pointer as a program linked for one convention does,
// and through ForeignCall with its argument words set up as CallBound does.
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "platform/foreign_call.h"

static_assert(kForeignCallNeeded, "built for 32-bit x86 only");

namespace {

constexpr uint32_t kCalls = 10000000;
constexpr int kRuns = 5;

extern "C" {
__attribute__((noinline, noipa, cdecl)) uint32_t Cdecl0() { return 1; }
__attribute__((noinline, noipa, cdecl)) uint32_t Cdecl5(uint32_t a, uint32_t b, uint32_t c,
                                                        uint32_t d, uint32_t e) {
    return a ^ b ^ c ^ d ^ e;
}
__attribute__((noinline, noipa, stdcall)) uint32_t Stdcall5(uint32_t a, uint32_t b, uint32_t c,
                                                            uint32_t d, uint32_t e) {
    return a ^ b ^ c ^ d ^ e;
}
}

// Read through volatile pointers, so that every call is made as a call
// through a bound address is.
uint32_t (*volatile direct0)() = Cdecl0;
uint32_t (*volatile direct5)(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) = Cdecl5;
ForeignFunction volatile foreign0 = reinterpret_cast<ForeignFunction>(Cdecl0);
ForeignFunction volatile foreignCdecl5 = reinterpret_cast<ForeignFunction>(Cdecl5);
ForeignFunction volatile foreignStdcall5 = reinterpret_cast<ForeignFunction>(Stdcall5);

volatile uint32_t sink;

uint32_t Direct0(uint32_t) { return direct0(); }
uint32_t Direct5(uint32_t i) { return direct5(i, 2, 3, 4, 5); }
uint32_t Foreign0(uint32_t) {
    const uint32_t words[1] = {};
    return ForeignCall(foreign0, words, 0);
}
uint32_t ForeignCdecl5(uint32_t i) {
    const uint32_t words[6] = {i, 2, 3, 4, 5};
    return ForeignCall(foreignCdecl5, words, 5);
}
uint32_t ForeignStdcall5(uint32_t i) {
    const uint32_t words[6] = {i, 2, 3, 4, 5};
    return ForeignCall(foreignStdcall5, words, 5);
}

struct Row {
    const char *what;
    uint32_t (*call)(uint32_t);
};

const Row kRows[] = {
    {"direct call, no argument", Direct0},
    {"ForeignCall, no argument", Foreign0},
    {"direct call, 5 arguments (cdecl)", Direct5},
    {"ForeignCall, 5 words, cdecl function", ForeignCdecl5},
    {"ForeignCall, 5 words, stdcall function", ForeignStdcall5},
};

// The best of kRuns runs of kCalls calls, in nanoseconds per call: the run
// least disturbed by whatever else the machine does.
double NanosecondsPerCall(uint32_t (*call)(uint32_t)) {
    double best = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        uint32_t total = 0;
        for (uint32_t i = 0; i < kCalls; ++i) total += call(i);
        const auto stop = std::chrono::steady_clock::now();
        sink = total;
        const double ns = std::chrono::duration<double, std::nano>(stop - start).count() / kCalls;
        if (run == 0 || ns < best) best = ns;
    }
    return best;
}

}  // namespace

int main() {
    std::printf(
        "ForeignCall on 32-bit x86, ns per call (best of %d runs of %u calls; the loop "
        "and an out-of-line call to the measured code included):\n",
        kRuns, static_cast<unsigned>(kCalls));
    for (const Row &row : kRows) {
        std::printf("  %-40s %6.2f\n", row.what, NanosecondsPerCall(row.call));
    }
    return 0;
}
