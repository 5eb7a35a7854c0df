#include "sim/sim_replay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calltrace/call_record.h"
#include "calltrace/traced_ops.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "textread/text_lines.h"

namespace {

const int32_t kMisuse = static_cast<int32_t>(ZKTerr_BAD_MODE);

// A recorded line is kept as its place in the recording's text, which the
// replay holds whole: no copy of each line.
struct RecordedCall {
    size_t lineStart;
    size_t lineLength;
    size_t callLength;
    CallRecord record;
};

struct Replay {
    std::string path;       // as zkt.ini names it
    std::string shownPath;  // escaped, for messages
    std::string text;       // the recording
    std::vector<RecordedCall> calls;
    size_t next;    // the recorded call the next call must match
    size_t made;    // calls made in this session
    bool diverged;  // reported; nothing more is answered
};

Replay replay;

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

// Whether recorded call index has the call part made.
bool RecordedAs(size_t index, const std::string &made) {
    const RecordedCall &call = replay.calls[index];
    return made.size() == call.callLength &&
           replay.text.compare(call.lineStart, call.callLength, made) == 0;
}

// Reports the first call that is not the recorded one, once: on standard
// error and as a note in the trace.
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
    TracedNote(text.c_str());
}

// The recorded call that answers the call being made, or null once the
// replay has gone astray. Calls are matched on their call part: everything
// the caller chose, and nothing the library answered.
const CallRecord *Answer() {
    const std::string &made = TracedCallPart();
    ++replay.made;
    if (replay.diverged) return nullptr;
    if (replay.next < replay.calls.size() && RecordedAs(replay.next, made)) {
        return &replay.calls[replay.next++].record;
    }
    Diverge(made);
    return nullptr;
}

// The recorded result of a call whose outputs the line does not show.
int32_t Result(const CallRecord *recorded) {
    return recorded != nullptr ? recorded->result : kMisuse;
}

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

// The operations. A matched call part has the caller's pointers as
// recorded: a count shows only for a count pointer, a list only for a list
// pointer, and never more entries than the capacity passed. Whatever the
// line shows is written back, after a failure as after a success; what it
// does not show stays as the caller left it.

int32_t ReplayDisplayMode(int32_t) { return Result(Answer()); }

int32_t ReplayInit(const char *, int32_t *count) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    return recorded->result;
}

int32_t ReplayLidList(uint32_t *lids, int32_t, int32_t *count) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    for (size_t i = 0; i < recorded->lids.size(); ++i) lids[i] = recorded->lids[i];
    return recorded->result;
}

int32_t ReplayGetInfo(uint32_t, BoardInfo *info) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (recorded->infoShown) {
        info->idWord = recorded->info.idWord;
        std::memcpy(info->name, recorded->info.name, sizeof info->name);
        info->bus = recorded->info.bus;
        info->dev = recorded->info.dev;
        info->slot = recorded->info.slot;
    }
    return recorded->result;
}

int32_t ReplayOpen(uint32_t, int32_t, void *) { return Result(Answer()); }

int32_t ReplayPuList(int32_t, PuItem *items, int32_t, int32_t *count) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    for (size_t i = 0; i < recorded->units.size(); ++i) items[i] = recorded->units[i];
    return recorded->result;
}

int32_t ReplayServiceList(int32_t, int32_t, ServiceItem *items, int32_t, int32_t *count) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (CallRecordShowsCount(*recorded)) *count = recorded->count;
    for (size_t i = 0; i < recorded->services.size(); ++i) items[i] = recorded->services[i];
    return recorded->result;
}

int32_t ReplayCapture(int32_t, int32_t, int32_t *mode, const char *, int32_t) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (!recorded->modeNull) *mode = recorded->modeBack;
    return recorded->result;
}

int32_t ReplayCtrl(int32_t, int32_t, int32_t, void *payload) {
    const CallRecord *recorded = Answer();
    if (recorded == nullptr) return kMisuse;
    if (recorded->payloadForm == kPayloadBytes) {
        std::memcpy(payload, recorded->payloadBack.data(), recorded->payloadBack.size());
    }
    return recorded->result;
}

int32_t ReplayRelease(int32_t, int32_t) { return Result(Answer()); }

int32_t ReplayClose(int32_t) { return Result(Answer()); }

// Answers, reports the recorded calls never made, and ends the replay.
int32_t ReplayCleanup() {
    const int32_t result = Result(Answer());
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

const ZktOps kReplayOps = {ReplayDisplayMode, ReplayInit,    ReplayLidList,     ReplayGetInfo,
                           ReplayOpen,        ReplayPuList,  ReplayServiceList, ReplayCapture,
                           ReplayCtrl,        ReplayRelease, ReplayClose,       ReplayCleanup};

}  // namespace

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
    replay.path = config.replayPath;
    replay.shownPath = shownPath;
    replay.text = std::move(text);
    return true;
}

bool SimReplayLoadedFrom(const char *path) { return !replay.path.empty() && replay.path == path; }

const char *SimReplayShownPath() { return replay.shownPath.c_str(); }

void SimReplaySkipToInit(size_t callsMade) {
    replay.made = callsMade;
    while (replay.next < replay.calls.size() &&
           replay.calls[replay.next].record.operation != kZktInit) {
        ++replay.next;
    }
}

void SimReplayForget() { replay = Replay{}; }

const ZktOps &SimReplayOps() { return kReplayOps; }
