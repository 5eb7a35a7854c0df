// The simulator's replay on an arbitrary recording. A recording it accepts
// is made again call by call, each with exactly the arguments and buffers
// its line records (every buffer as large as its capacity and no larger, so
// the sanitizers see any write past it): each call must answer the recorded
// result, and the trace of the replay must be the recording, line for line.
// Then the real tool runs against the same recording, which it may follow or
// leave at any call: the run must end with the library shut.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/walk.h"
#include "boardlib/zkt_api.h"
#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"
#include "fuzz/harness_io.h"
#include "fuzz/sim_run_inputs.h"
#include "sim/sim_state.h"
#include "tests/support/call_make.h"
#include "textread/text_lines.h"

namespace {

const char kZktIni[] = "[Library]\nReplay = recording.log\nTrace = replay.log\n";

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "replay fuzz: %s\n", what);
        std::abort();
    }
}

// The calls of a recording, or false when one of its lines is none. A
// byte order mark at its start and empty lines are no lines of it. Its last
// call may be one that never returned: its call part alone (unfinished).
bool ReadCalls(const uint8_t *data, size_t size, std::vector<CallRecord> *calls,
               std::string *callLines, bool *unfinished) {
    const char *cursor = reinterpret_cast<const char *>(data);
    const char *const end = cursor + size;
    cursor += Utf8MarkLength(cursor, size);
    while (cursor < end) {
        const TextLine line = NextTextLine(&cursor, end);
        const auto length = static_cast<size_t>(line.end - line.begin);
        const bool note = length >= 2 && line.begin[0] == '#' && line.begin[1] == ' ';
        // A recording that says calls are missing from it is refused.
        if (note && TraceIsNotKeptNote(line.begin + 2, length - 2)) return false;
        if (length == 0 || note) continue;
        CallRecord record;
        size_t callLength = 0;
        if (*unfinished) return false;
        if (!CallRecordRead(line.begin, length, &record, &callLength)) {
            if (!CallRecordReadCall(line.begin, length, &record)) return false;
            *unfinished = true;
            continue;
        }
        // The reader takes only what the writer makes, byte for byte.
        std::string again;
        CallRecordAppendCall(record, &again);
        Check(again.size() == callLength, "a call part read back is another length");
        CallRecordAppendResult(record, &again);
        Check(again == std::string(line.begin, length), "a line read back is written otherwise");
        calls->push_back(record);
        callLines->append(line.begin, length);
        callLines->push_back('\n');
    }
    return true;
}

// A session the harness can make exactly as recorded: ZKT_init of this
// zkt.ini first, ZKT_cleanup last and nowhere else, and no failing call
// whose count, or board record, the harness's buffer already held (its line
// could not show it then).
bool MadeAsRecorded(const std::vector<CallRecord> &calls) {
    if (calls.size() < 2) return false;
    const CallRecord &first = calls.front();
    if (first.operation != kZktInit || first.textNull || first.text != "zkt.ini" ||
        first.countNull || calls.back().operation != kZktCleanup) {
        return false;
    }
    for (size_t i = 0; i < calls.size(); ++i) {
        const CallRecord &c = calls[i];
        if (c.result != 0 && CallRecordShowsCount(c) && c.count == kCallMakeCount) return false;
        if (i == 0) continue;
        if (c.operation == kZktCleanup && i + 1 != calls.size()) return false;
        if (kCallOutputs[c.operation].record && c.infoShown && c.result != 0) {
            BoardInfo filled;
            std::memset(&filled, kCallMakeFill, sizeof filled);
            BoardInfo written = filled;
            written.idWord = c.info.idWord;
            std::memcpy(written.name, c.info.name, sizeof written.name);
            written.bus = c.info.bus;
            written.dev = c.info.dev;
            written.slot = c.info.slot;
            if (std::memcmp(&written, &filled, sizeof filled) == 0) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    StartSimRunHarness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Each input's replay traces anew, not on in the last one's trace.
    std::remove("replay.log");
    WriteInputFile("recording.log", data, size);
    WriteInputFile("zkt.ini", reinterpret_cast<const uint8_t *>(kZktIni), sizeof kZktIni - 1);
    std::vector<CallRecord> calls;
    std::string callLines;
    bool unfinished = false;
    const bool readable = ReadCalls(data, size, &calls, &callLines, &unfinished);

    if (!readable) {
        // Refused as a malformed zkt.ini: ZKT_init fails, nothing replays.
        int32_t count = 0;
        Check(ZKT_init("zkt.ini", &count) == static_cast<int32_t>(ZKTerr_BAD_MODE),
              "a recording with a line that is no trace line was accepted");
        Check(ZKT_cleanup() == 0, "the refused session did not shut down");
    } else if (!unfinished && MadeAsRecorded(calls)) {
        for (const CallRecord &c : calls) {
            Check(CallMake(c) == c.result,
                  "a call made as recorded did not get the recorded result");
        }
        Check(!SimState().initialised, "the replayed session was not shut down");
        Check(ReadWholeFile("replay.log") == callLines, "the replay's trace is not the recording");
    }

    WalkDevices();
    Check(!SimState().initialised, "the library was not shut down after the walk");
    return 0;
}
