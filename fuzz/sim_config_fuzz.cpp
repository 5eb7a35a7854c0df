// The simulator's zkt.ini reader on arbitrary text. A rejected file must give
// one "<file>:<line>: <problem>" line that fits the message buffer and an
// empty configuration; an accepted one must respect every table limit, and
// its boards' limits must be safe for the synthesizer model.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/harness_io.h"
#include "sim/sim_config.h"
#include "sim/sim_dds.h"
#include "textread/text_lines.h"

namespace {

const char kLabel[] = "zkt.ini";
constexpr size_t kMessageSize = 512;

SimConfig config;  // too large for the stack

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "zkt.ini fuzz: %s\n", what);
        std::abort();
    }
}

void CheckMessage(const char *message) {
    const size_t labelLength = sizeof kLabel - 1;
    Check(std::memchr(message, '\0', kMessageSize) != nullptr, "message not terminated");
    Check(std::strncmp(message, kLabel, labelLength) == 0 && message[labelLength] == ':',
          "message does not start with the file name");
    const char *line = message + labelLength + 1;
    const char *afterLine = line;
    while (*afterLine >= '0' && *afterLine <= '9') ++afterLine;
    Check(afterLine > line && std::strncmp(afterLine, ": ", 2) == 0 && afterLine[2] != '\0',
          "message lacks '<line>: <problem>'");
    Check(std::strchr(message, '\n') == nullptr, "message spans more than one line");
}

void CheckBoard(const SimBoard &b) {
    Check(b.unitCount >= 0 && b.unitCount <= kZktIniMaxUnits, "unit count out of range");
    Check(b.serviceCount >= 0 && b.serviceCount <= kZktIniMaxServices,
          "service count out of range");
    Check(b.statusOverrideCount >= 0 && b.statusOverrideCount <= kZktIniMaxStatusOverrides,
          "status override count out of range");
    Check(b.writeOverrideCount >= 0 && b.writeOverrideCount <= kZktIniMaxWriteOverrides,
          "write override count out of range");
    for (int32_t i = 0; i < b.writeOverrideCount; ++i) {
        const SimWriteOverride &w = b.writeOverrides[i];
        const int32_t payloadSize = ZktPayloadSize(w.code);
        Check(payloadSize > 0, "a write override for a code without a payload");
        Check(w.writeCount >= 1 && w.writeCount <= kZktIniMaxPayloadWrites,
              "payload write count out of range");
        for (int32_t k = 0; k < w.writeCount; ++k) {
            const int32_t width = w.writes[k].isDouble ? 8 : 4;
            Check(w.writes[k].offset >= 0 && w.writes[k].offset + width <= payloadSize,
                  "a payload write lies outside the payload");
        }
    }
    Check(std::isfinite(b.dds.internalClock) && b.dds.internalClock > 0.0 &&
              std::isfinite(b.dds.maxRefClock) && b.dds.maxRefClock > 0.0,
          "a clock limit is not a positive number");
    Check(b.dds.thresholdMin < b.dds.thresholdMax, "threshold range empty");
}

// The commands a run sends, with values from tame to absurd: none may take
// the model outside its records or into undefined arithmetic.
void ExerciseModel(const SimDdsLimits &limits) {
    const double values[] = {0.0, 1.0, 2.5e6, 1e9, 1e300, -1.0, -1e300, 5e-324};
    SimDdsState state;
    SimDdsReset(&state, limits);
    for (double clock : values) {
        for (int32_t source = 0; source < 2; ++source) {
            ClockModeParam clockMode = {source, clock};
            SimDdsControl(&state, limits, ZKTctrl_DDS_SETCLKMODE, &clockMode);
            for (double frequency : values) {
                OutFreqParam outFreq = {frequency, 1, 1};
                SimDdsControl(&state, limits, ZKTctrl_DDS_SETOUTFREQ, &outFreq);
                SimDdsControl(&state, limits, ZKTctrl_DDS_OUTFREQ_1805, &outFreq);
            }
        }
        ComparatorParam comparator = {0, {clock, -clock}};
        SimDdsControl(&state, limits, ZKTctrl_CMPSC_SET, &comparator);
    }
    StrobeModeParam strobe = {INT32_MAX, -1, INT32_MIN, 0, 65536, 1};
    SimDdsControl(&state, limits, ZKTctrl_DDS_SETSTBMODE, &strobe);
    SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *text = reinterpret_cast<const char *>(data);
    char message[kMessageSize];
    std::memset(message, 'x', sizeof message);
    const bool accepted = SimParseConfigText(kLabel, text, size, &config, message, sizeof message);
    if (!accepted) {
        CheckMessage(message);
        Check(config.boardCount == 0 && !config.reportedDeviceCount.set,
              "a rejected file left a configuration behind");
        // Only its trace path stays, so the run can replace an older trace;
        // it is text of the file (UTF-16 files are narrowed first).
        const size_t pathLength = strnlen(config.tracePath, sizeof config.tracePath);
        Check(pathLength < sizeof config.tracePath, "trace path not terminated");
        Check(pathLength == 0 || IsUtf16(text, size) ||
                  memmem(data, size, config.tracePath, pathLength) != nullptr,
              "a rejected file kept a trace path it does not name");
    } else {
        Check(message[0] == '\0', "an accepted file left a message");
        Check(config.boardCount >= 0 && config.boardCount <= kZktIniMaxBoards,
              "board count out of range");
        Check(std::memchr(config.tracePath, '\0', sizeof config.tracePath) != nullptr,
              "trace path not terminated");
        for (int32_t b = 0; b < config.boardCount; ++b) {
            CheckBoard(config.boards[b]);
            for (int32_t other = 0; other < b; ++other) {
                Check(config.boards[b].lid != config.boards[other].lid, "two boards share a lid");
            }
        }
        // The model is exercised for the first boards only: enough to reach
        // every kind of limit without slowing the search down.
        for (int32_t b = 0; b < config.boardCount && b < 2; ++b) {
            ExerciseModel(config.boards[b].dds);
        }
    }

    // A message buffer exactly as small as a caller may pass: the message is
    // cut, never written past the buffer's end.
    const size_t smallSize = size % 24;
    char *small = new char[smallSize];
    const bool acceptedAgain = SimParseConfigText(kLabel, text, size, &config, small, smallSize);
    Check(acceptedAgain == accepted, "the message buffer's size changed the verdict");
    if (!accepted && smallSize > 0) {
        Check(std::strlen(small) == smallSize - 1 || std::strcmp(small, message) == 0,
              "a short message buffer does not hold the start of the message");
        Check(std::strncmp(small, message, smallSize - 1) == 0,
              "a short message buffer does not hold the start of the message");
    }
    delete[] small;
    return 0;
}
