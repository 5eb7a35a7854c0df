#include "sim/sim_replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "textread/text_lines.h"

namespace {

const int32_t kMisuse = static_cast<int32_t>(ZKTerr_BAD_MODE);

// Calls before ZKT_init kept for the check; more count as a divergence.
constexpr size_t kMaxEarlyCalls = 64;

// A recorded line is kept as its place in the recording's text, which the
// replay holds whole: no copy of each line.
struct RecordedCall {
    size_t lineStart;
    size_t lineLength;
    size_t callLength;
    CallRecord record;
};

struct Replay {
    bool active;
    std::string shownPath;  // escaped, for messages
    std::string text;       // the recording
    std::vector<RecordedCall> calls;
    size_t next;    // the recorded call the next call must match
    size_t made;    // calls made in this session
    bool diverged;  // reported; nothing more is answered
};

Replay replay;
std::vector<std::string> earlyCalls;
bool tooManyEarlyCalls = false;

std::string Escaped(const char *text, size_t maxLength) {
    std::string out(4 * maxLength + 1, '\0');
    EscapeUnquoted(text, maxLength, &out[0], out.size());
    return std::string(out.c_str());
}

void SetMessage(char *message, size_t messageSize, const std::string &text) {
    if (messageSize > 0) std::snprintf(message, messageSize, "%s", text.c_str());
}

std::string RecordedLine(size_t index) {
    const RecordedCall &call = replay.calls[index];
    return replay.text.substr(call.lineStart, call.lineLength);
}

// Whether recorded call index is made, its call part (or, with callOnly
// false, its whole line) the text made.
bool RecordedAs(size_t index, const std::string &made, bool callOnly) {
    const RecordedCall &call = replay.calls[index];
    const size_t length = callOnly ? call.callLength : call.lineLength;
    return made.size() == length && replay.text.compare(call.lineStart, length, made) == 0;
}

// Reports the first call that is not the recorded one, once: on standard
// error and as a note in the trace, just before that call's own line.
void Diverge(const std::string &made) {
    replay.diverged = true;
    std::string text = "replay of '" + replay.shownPath + "' differs at call " +
                       std::to_string(replay.made) + ": made " + made + ", recorded ";
    if (replay.next < replay.calls.size()) {
        text += RecordedLine(replay.next);
    } else {
        text +=
            "nothing (the recording ends after call " + std::to_string(replay.calls.size()) + ")";
    }
    std::fprintf(stderr, "zkt: %s\n", text.c_str());
    TraceFileNote(text.c_str());
}

// The recorded call that answers the call whose call part line holds, or
// null once the replay has gone astray.
const CallRecord *Answer(const CallLine &line) {
    ++replay.made;
    if (replay.diverged) return nullptr;
    if (replay.next < replay.calls.size()) {
        if (RecordedAs(replay.next, line.text, true)) {
            return &replay.calls[replay.next++].record;
        }
    }
    Diverge(line.text);
    return nullptr;
}

void Finish(const CallLine &line) { TraceFileLine(line.text.c_str()); }

// Counted with memchr, which is several times cheaper here than a loop
// over every byte.
size_t LineFeeds(const std::string &text) {
    size_t count = 0;
    const char *at = text.data();
    const char *const end = text.data() + text.size();
    while (at < end) {
        const void *found = std::memchr(at, '\n', static_cast<size_t>(end - at));
        if (found == nullptr) break;
        ++count;
        at = static_cast<const char *>(found) + 1;
    }
    return count;
}

bool ReadRecording(const char *path, std::string *text, std::string *problem) {
    char reason[128];
    switch (PlatformReadWholeFile(path, static_cast<size_t>(kSimMaxRecordingBytes), text, reason,
                                  sizeof reason)) {
        case kWholeFileRead: return true;
        case kWholeFileReadFailed: *problem = "read error"; break;
        case kWholeFileTooLarge:
            *problem = "larger than " + std::to_string(kSimMaxRecordingBytes) + " bytes";
            break;
        case kWholeFileMissing:
        case kWholeFileNoPath:
        case kWholeFileNotOpened:
        case kWholeFileFolder:
        case kWholeFileNotRegular:
        case kWholeFileNoMemory: *problem = reason; break;
    }
    return false;
}

}  // namespace

bool SimReplaying() { return replay.active; }

bool SimReplayLoad(const SimConfig &config, const char *configFile, char *message,
                   size_t messageSize) {
    replay = Replay{};
    const std::string shownPath = Escaped(config.replayPath, kSimMaxPathSize);
    std::string text;
    std::string problem;
    if (!ReadRecording(config.replayPath, &text, &problem)) {
        SetMessage(message, messageSize,
                   Escaped(configFile, kSimMaxPathSize) + ":" + std::to_string(config.replayLine) +
                       ": cannot read the recording '" + shownPath + "' (" + problem + ")");
        return false;
    }
    const char *cursor = text.data();
    const char *const end = text.data() + text.size();
    std::vector<RecordedCall> &calls = replay.calls;
    calls.reserve(LineFeeds(text) + 1);
    size_t lineNumber = 0;
    while (cursor < end) {
        ++lineNumber;
        const TextLine line = NextTextLine(&cursor, end);
        const auto length = static_cast<size_t>(line.end - line.begin);
        // The library's notes are no calls.
        if (length >= 2 && line.begin[0] == '#' && line.begin[1] == ' ') continue;
        calls.emplace_back();
        RecordedCall &call = calls.back();
        call.lineStart = static_cast<size_t>(line.begin - text.data());
        call.lineLength = length;
        if (!CallRecordRead(line.begin, length, &call.record, &call.callLength)) {
            SetMessage(message, messageSize,
                       shownPath + ":" + std::to_string(lineNumber) + ": not a trace line");
            replay = Replay{};
            return false;
        }
    }
    replay.shownPath = shownPath;
    replay.text = std::move(text);
    return true;
}

void SimReplayKeepEarlyCall(const std::string &line) {
    if (earlyCalls.size() < kMaxEarlyCalls) {
        earlyCalls.push_back(line);
    } else {
        tooManyEarlyCalls = true;
    }
}

void SimReplayForgetEarlyCalls() {
    earlyCalls.clear();
    tooManyEarlyCalls = false;
}

int32_t SimReplayStart(CallLine *line, int32_t *count) {
    replay.active = true;
    // The calls before ZKT_init were answered before the recording was
    // known: each must be the recorded call with the recorded result.
    for (const std::string &made : earlyCalls) {
        ++replay.made;
        if (replay.next < replay.calls.size() && RecordedAs(replay.next, made, false)) {
            ++replay.next;
            continue;
        }
        Diverge(made);
        break;
    }
    if (tooManyEarlyCalls && !replay.diverged) {
        replay.made = kMaxEarlyCalls + 1;
        Diverge("more calls before ZKT_init than are kept");
    }
    SimReplayForgetEarlyCalls();
    const CallRecord *recorded = Answer(*line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    }
    CallLineResultCount(line, result, count);
    Finish(*line);
    return result;
}

int32_t SimReplayDisplayMode(int32_t mode) {
    CallLine line;
    CallLineDisplayMode(&line, mode);
    const CallRecord *recorded = Answer(line);
    const int32_t result = recorded != nullptr ? recorded->result : kMisuse;
    CallLineResult(&line, result);
    Finish(line);
    return result;
}

int32_t SimReplayInit(const char *configFile, int32_t *count) {
    CallLine line;
    CallLineInit(&line, configFile, count);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    }
    CallLineResultCount(&line, result, count);
    Finish(line);
    return result;
}

// A matched call part has the caller's pointers as recorded: a count shows
// only for a count pointer, a list only for a list pointer, and never more
// entries than the capacity passed.
int32_t SimReplayLidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    CallLine line;
    CallLineLidList(&line, lids, capacity, count);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (CallRecordShowsCount(*recorded)) *count = recorded->count;
        for (size_t i = 0; i < recorded->lids.size(); ++i) lids[i] = recorded->lids[i];
    }
    CallLineResultLids(&line, result, lids, count);
    Finish(line);
    return result;
}

int32_t SimReplayGetInfo(uint32_t lid, BoardInfo *info) {
    CallLine line;
    CallLineGetInfo(&line, lid, info);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (recorded->infoShown) {
            info->idWord = recorded->info.idWord;
            std::memcpy(info->name, recorded->info.name, sizeof info->name);
            info->bus = recorded->info.bus;
            info->dev = recorded->info.dev;
            info->slot = recorded->info.slot;
        }
    }
    CallLineResultInfo(&line, result, info);
    Finish(line);
    return result;
}

int32_t SimReplayOpen(uint32_t lid, int32_t mode, void *reserved) {
    CallLine line;
    CallLineOpen(&line, lid, mode, reserved);
    const CallRecord *recorded = Answer(line);
    const int32_t result = recorded != nullptr ? recorded->result : kMisuse;
    CallLineResult(&line, result);
    Finish(line);
    return result;
}

int32_t SimReplayPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    CallLine line;
    CallLinePuList(&line, device, items, capacity, count);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (CallRecordShowsCount(*recorded)) *count = recorded->count;
        for (size_t i = 0; i < recorded->units.size(); ++i) items[i] = recorded->units[i];
    }
    CallLineResultUnits(&line, result, items, count);
    Finish(line);
    return result;
}

int32_t SimReplayServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                             int32_t *count) {
    CallLine line;
    CallLineServiceList(&line, device, reserved, items, capacity, count);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (CallRecordShowsCount(*recorded)) *count = recorded->count;
        for (size_t i = 0; i < recorded->services.size(); ++i) items[i] = recorded->services[i];
    }
    CallLineResultServices(&line, result, items, count);
    Finish(line);
    return result;
}

int32_t SimReplayCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                         int32_t timeout) {
    CallLine line;
    CallLineCapture(&line, device, reserved, mode, name, timeout);
    const CallRecord *recorded = Answer(line);
    int32_t result = kMisuse;
    if (recorded != nullptr) {
        result = recorded->result;
        if (!recorded->modeNull) *mode = recorded->modeBack;
    }
    CallLineResultMode(&line, result, mode);
    Finish(line);
    return result;
}

int32_t SimReplayCtrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    CallLine line;
    CallLineCtrl(&line, service, reserved, code, payload);
    const CallRecord *recorded = Answer(line);
    int32_t status = kMisuse;
    if (recorded != nullptr) {
        status = recorded->result;
        if (recorded->payloadForm == kPayloadBytes) {
            std::memcpy(payload, recorded->payloadBack.data(), recorded->payloadBack.size());
        }
    }
    CallLineResultCtrl(&line, status, payload);
    Finish(line);
    return status;
}

int32_t SimReplayRelease(int32_t service, int32_t reserved) {
    CallLine line;
    CallLineRelease(&line, service, reserved);
    const CallRecord *recorded = Answer(line);
    const int32_t result = recorded != nullptr ? recorded->result : kMisuse;
    CallLineResult(&line, result);
    Finish(line);
    return result;
}

int32_t SimReplayClose(int32_t device) {
    CallLine line;
    CallLineClose(&line, device);
    const CallRecord *recorded = Answer(line);
    const int32_t result = recorded != nullptr ? recorded->result : kMisuse;
    CallLineResult(&line, result);
    Finish(line);
    return result;
}

int32_t SimReplayCleanup() {
    CallLine line;
    CallLineCleanup(&line);
    const CallRecord *recorded = Answer(line);
    const int32_t result = recorded != nullptr ? recorded->result : kMisuse;
    CallLineResult(&line, result);
    Finish(line);
    const size_t unmade = replay.calls.size() - replay.next;
    if (unmade > 0) {
        const std::string text =
            "zkt: replay of '" + replay.shownPath + "': " + std::to_string(unmade) +
            " recorded call" + (unmade == 1 ? " was" : "s were") + " never made, the first call " +
            std::to_string(replay.next + 1) + ": " + RecordedLine(replay.next) + "\n";
        std::fputs(text.c_str(), stderr);
    }
    replay = Replay{};
    return result;
}
