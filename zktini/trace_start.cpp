#include "zktini/trace_start.h"

#include <cstdio>
#include <string>

#include "calltrace/trace_file.h"
#include "textesc/text_escape.h"
#include "zktini/library_paths.h"
#include "zktini/zkt_ini_limits.h"

namespace {

// The words of the library whose trace is open: the report of a write
// failure is called without them.
const TraceStartWords *openTraceWords = nullptr;

std::string ShownTracePath(const TraceStartWords &words, const char *path) {
    return words.pathFromEnvironment ? EscapedControls(path) : Escaped(path, kZktIniMaxPathSize);
}

void ReportWriteFailure(const char *path, const char *reason, bool cutBack) {
    const TraceStartWords &words = *openTraceWords;
    std::fprintf(stderr, "%scannot write trace file '%s' (%s); %s%s\n", words.prefix,
                 ShownTracePath(words, path).c_str(), reason,
                 cutBack ? "the trace ends at its last whole line" : "the trace stops",
                 words.afterWriteFailure);
}

}  // namespace

void ZktIniStartTrace(const TraceStartWords &words, const char *configFile, const char *tracePath) {
    if (tracePath[0] == '\0') {
        std::string none;
        TraceFileStart(tracePath, nullptr, 0, &none);
        return;
    }
    char replayPath[kZktIniMaxPathSize] = "";
    if (configFile != nullptr) {
        ZktIniFindLibraryPathInFile(configFile, "Replay", replayPath, sizeof replayPath);
    }
    const TraceKeptFile kept[] = {
        {configFile, configFile != nullptr ? std::string(words.settingsNamed) + " '" +
                                                 Escaped(configFile, kZktIniMaxPathSize) + "'"
                                           : std::string()},
        {replayPath, "the recording '" + Escaped(replayPath, kZktIniMaxPathSize) + "'"},
    };
    if (TraceFileGoesOnAt(tracePath, kept, sizeof kept / sizeof kept[0])) {
        TraceFileGoOn();
        return;
    }
    openTraceWords = &words;
    TraceFileOnWriteFailure(ReportWriteFailure);
    std::string reason;
    if (!TraceFileStart(tracePath, kept, sizeof kept / sizeof kept[0], &reason)) {
        std::fprintf(stderr, "%scannot open trace file '%s' (%s); %s\n", words.prefix,
                     ShownTracePath(words, tracePath).c_str(), reason.c_str(), words.noTrace);
    } else if (TraceFileCallsNotKept() > 0) {
        std::fprintf(stderr, "%s%s\n", words.prefix,
                     TraceNotKeptNote(TraceFileCallsNotKept()).c_str());
    }
}
