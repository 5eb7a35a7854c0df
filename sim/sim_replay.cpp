#include "sim/sim_replay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"
#include "calltrace/traced_ops.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "textread/text_lines.h"

namespace {

// A recorded call is kept as the place of its line in the recording's text,
// which the replay holds whole: four bytes a call, however long its line.
// A line is read into a record again only when a call is matched with it,
// so a replay's memory is the recording's size and little more (a full
// record a line, with its strings and lists, took some thirty times the
// size of a recording of short lines).
using LineOffset = uint32_t;
static_assert(static_cast<unsigned long long>(kSimMaxRecordingBytes) <= static_cast<LineOffset>(-1),
              "every line of the largest recording has an offset");

struct Replay {
    std::string path;       // as zkt.ini names it
    std::string shownPath;  // escaped, for messages
    std::string text;       // the recording
    std::vector<LineOffset> calls;
    // The last line read. Every line was read into it while the recording
    // was checked, so its strings and lists already hold room for any line
    // and reading a line again while answering allocates nothing.
    CallRecord record;
    size_t next;    // the recorded call the next call must match
    size_t made;    // calls made in this session
    bool diverged;  // reported; nothing more is answered
    bool goesOn;    // past a ZKT_cleanup, with another session recorded
    // The call about to be answered, matched before its call part was
    // written: the recorded call that answers it, or null.
    bool matched;
    const CallRecord *answer;
    // The call part the recording ends in, of a call that never returned,
    // and why, as its note says ("the process received SIGSEGV"; empty
    // without one).
    std::string unfinished;
    std::string unfinishedCause;
};

Replay replay;

// Whether line is a note ("# ...").
bool IsNote(const TextLine &line) {
    return line.end - line.begin >= 2 && line.begin[0] == '#' && line.begin[1] == ' ';
}

// "<recording>:<line>: <problem>" into message.
bool RefuseLine(char *message, size_t messageSize, const std::string &shownPath, size_t line,
                const std::string &problem) {
    const std::string text = shownPath + ":" + std::to_string(line) + ": " + problem;
    if (messageSize > 0) std::snprintf(message, messageSize, "%s", text.c_str());
    return false;
}

TextLine RecordedTextLine(size_t index) {
    const char *cursor = replay.text.data() + replay.calls[index];
    return NextTextLine(&cursor, replay.text.data() + replay.text.size());
}

std::string RecordedLine(size_t index) {
    const TextLine line = RecordedTextLine(index);
    return std::string(line.begin, line.end);
}

// Reads recorded call index into replay.record; the length of its call
// part goes to *callLength. Every line was checked when the recording was
// read, so this fails only for an index past the recording.
bool ReadRecorded(size_t index, size_t *callLength) {
    if (index >= replay.calls.size()) return false;
    const TextLine line = RecordedTextLine(index);
    return CallRecordRead(line.begin, static_cast<size_t>(line.end - line.begin), &replay.record,
                          callLength);
}

// Reports the first call that is not the recorded one, once: on standard
// error and as a note in the trace. A recording that ends in the call part
// of a call that never returned says so when that call is made again.
void Diverge(const std::string &made) {
    replay.diverged = true;
    const bool pastLast = replay.next == replay.calls.size();
    std::string text;
    if (pastLast && !replay.unfinished.empty() && made == replay.unfinished) {
        text = "the recording ends in " + made + ", which never returned";
        if (!replay.unfinishedCause.empty()) text += " (" + replay.unfinishedCause + ")";
    } else {
        text = "replay of '" + replay.shownPath + "' differs at call " +
               std::to_string(replay.made) + ": made " + made + ", recorded " +
               (pastLast ? "nothing (the recording ends after call " +
                               std::to_string(replay.calls.size()) + ")"
                         : RecordedLine(replay.next));
    }
    std::fprintf(stderr, "zkt: %s\n", text.c_str());
    TraceFileNote(text.c_str());
}

// The recorded call that answers the call being made, or null once the
// replay has gone astray. Calls are matched on their call part: everything
// the caller chose, and nothing the library answered.
const CallRecord *Answer() {
    const std::string &made = TracedCallPart();
    ++replay.made;
    if (replay.diverged) return nullptr;
    size_t callLength = 0;
    if (ReadRecorded(replay.next, &callLength) && made.size() == callLength &&
        replay.text.compare(replay.calls[replay.next], callLength, made) == 0) {
        ++replay.next;
        return &replay.record;
    }
    Diverge(made);
    return nullptr;
}

// The recorded answer of the call being made: its result, and exactly what
// its line shows written back through the caller's pointers; what the line
// does not show stays as the caller left it.
int32_t Answer(const CallPointers &pointers) {
    const CallRecord *recorded = replay.matched ? replay.answer : Answer();
    replay.matched = false;
    if (recorded == nullptr) return kZktRefused;
    CallRecordWriteBack(*recorded, pointers);
    return recorded->result;
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

// Tells the recorded calls never made, if any.
void ReportUnmade() {
    const size_t unmade = replay.calls.size() - replay.next;
    if (unmade == 0) return;
    const std::string text =
        "zkt: replay of '" + replay.shownPath + "': " + std::to_string(unmade) + " recorded call" +
        (unmade == 1 ? " was" : "s were") + " never made, the first call " +
        std::to_string(replay.next + 1) + ": " + RecordedLine(replay.next) + "\n";
    std::fputs(text.c_str(), stderr);
}

// Whether a recorded ZKT_init follows the next call to match: the recording
// holds another session.
bool AnotherSessionRecorded() {
    size_t callLength = 0;
    for (size_t index = replay.next; ReadRecorded(index, &callLength); ++index) {
        if (replay.record.operation == kZktInit) return true;
    }
    return false;
}

// A replay that goes on past a ZKT_cleanup and is never taken up again: its
// recorded calls are told at exit.
void ReportUnmadeAtExit() {
    if (!replay.path.empty() && !replay.diverged) ReportUnmade();
}

// After the answer to a ZKT_cleanup: a recording that holds another session
// goes on with it (the calls between sessions are matched too); else the
// recorded calls never made are told and the replay ends.
int32_t CleanupAnswered(int32_t result) {
    if (!replay.diverged && AnotherSessionRecorded()) {
        static const bool registered = std::atexit(ReportUnmadeAtExit) == 0;
        (void)registered;
        replay.goesOn = true;
        return result;
    }
    ReportUnmade();
    replay = Replay{};
    return result;
}

// Every operation, answered through the pointers of the traced call being
// made. A matched call part has the caller's pointers as recorded: a count
// shows only for a count pointer, a list only for a list pointer, and never
// more entries than the capacity passed.
template <ZktOperation operation, typename... Arguments>
int32_t ReplayCall(Arguments...) {
    const int32_t result = Answer(TracedCallPointers());
    return operation == kZktCleanup ? CleanupAnswered(result) : result;
}

const ZktOps kReplayOps = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) ReplayCall<kZkt##Name>,
#include "boardlib/zkt_operations.inc"
};

// "<configFile>:<line>: cannot read the recording '<path>' (<problem>)",
// written without allocating: it also reports memory running out.
void CannotRead(const SimConfig &config, const char *configFile, const char *problem, char *message,
                size_t messageSize) {
    char shownConfig[4 * kZktIniMaxPathSize + 1];
    char shownPath[4 * kZktIniMaxPathSize + 1];
    EscapeUnquoted(configFile, kZktIniMaxPathSize, shownConfig, sizeof shownConfig);
    EscapeUnquoted(config.replayPath, kZktIniMaxPathSize, shownPath, sizeof shownPath);
    if (messageSize > 0) {
        std::snprintf(message, messageSize, "%s:%d: cannot read the recording '%s' (%s)",
                      shownConfig, config.replayLine, shownPath, problem);
    }
}

// Whether the lines from cursor on are blank or notes only: the end of a
// recording whose last call never returned. The cause its first note gives
// ("the call above never returned: <cause> (<detail>)"), without the detail,
// goes to *cause, its control bytes escaped: the note is the recording's
// text, and the cause goes to a terminal.
bool OnlyNotesFollow(const char *cursor, const char *end, std::string *cause) {
    const std::string start = TRACE_NEVER_RETURNED;
    bool noted = false;
    while (cursor < end) {
        const TextLine line = NextTextLine(&cursor, end);
        if (line.begin == line.end) continue;
        if (!IsNote(line)) return false;
        const std::string note(line.begin + 2, line.end);
        if (!noted && note.compare(0, start.size(), start) == 0) {
            *cause = EscapedControls(
                note.substr(start.size(), note.find(" (", start.size()) - start.size()).c_str());
        }
        noted = true;
    }
    return true;
}

// SimReplayLoad, which may run out of memory.
bool LoadRecording(const SimConfig &config, const char *configFile, char *message,
                   size_t messageSize) {
    const std::string shownPath = Escaped(config.replayPath, kZktIniMaxPathSize);
    std::string text;
    std::string problem;
    if (!ReadRecording(config.replayPath, &text, &problem)) {
        CannotRead(config, configFile, problem.c_str(), message, messageSize);
        return false;
    }
    const char *const end = text.data() + text.size();
    // Left by editors: a UTF-8 byte order mark, and empty lines.
    const char *cursor = text.data() + Utf8MarkLength(text.data(), text.size());
    size_t lineNumber = 0;
    while (cursor < end) {
        ++lineNumber;
        const TextLine line = NextTextLine(&cursor, end);
        const auto length = static_cast<size_t>(line.end - line.begin);
        // The library's notes are no calls; but a trace that says calls are
        // missing from it cannot be answered from.
        if (IsNote(line) && TraceIsNotKeptNote(line.begin + 2, length - 2)) {
            return RefuseLine(
                message, messageSize, shownPath, lineNumber,
                "the recording is incomplete: " + std::string(line.begin + 2, line.end));
        }
        if (length == 0 || IsNote(line)) continue;
        size_t callLength = 0;
        if (!CallRecordRead(line.begin, length, &replay.record, &callLength)) {
            if (CallRecordReadCall(line.begin, length, &replay.record) &&
                OnlyNotesFollow(cursor, end, &replay.unfinishedCause)) {
                replay.unfinished.assign(line.begin, line.end);
                break;
            }
            return RefuseLine(message, messageSize, shownPath, lineNumber, "not a trace line");
        }
        replay.calls.push_back(static_cast<LineOffset>(line.begin - text.data()));
    }
    replay.path = config.replayPath;
    replay.shownPath = shownPath;
    replay.text = std::move(text);
    return true;
}

}  // namespace

bool SimReplayLoad(const SimConfig &config, const char *configFile, char *message,
                   size_t messageSize) {
    replay = Replay{};
    // Nothing thrown may leave the library: a recording too large for the
    // memory left is refused as one that cannot be read.
    try {
        if (LoadRecording(config, configFile, message, messageSize)) return true;
    } catch (const std::exception &) {
        CannotRead(config, configFile, "out of memory", message, messageSize);
    }
    replay = Replay{};
    return false;
}

bool SimReplayLoadedFrom(const char *path) { return !replay.path.empty() && replay.path == path; }

const char *SimReplayShownPath() { return replay.shownPath.c_str(); }

void SimReplaySkipToInit(size_t callsMade) {
    replay.made = callsMade;
    size_t callLength = 0;
    while (ReadRecorded(replay.next, &callLength) && replay.record.operation != kZktInit) {
        ++replay.next;
    }
}

bool SimReplayGoesOn() { return replay.goesOn; }

void SimReplayForget() { replay = Replay{}; }

const ZktOps &SimReplayOps() { return kReplayOps; }

void SimReplayBeforeCall() {
    replay.answer = Answer();
    replay.matched = true;
}
