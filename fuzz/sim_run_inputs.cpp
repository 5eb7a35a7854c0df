#include "fuzz/sim_run_inputs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "fuzz/harness_io.h"
#include "settings/settings.h"
#include "sim/sim_text.h"
#include "textread/text_lines.h"

namespace {

bool HoldsWord(const uint8_t *data, size_t size, const char *word) {
    const size_t length = std::strlen(word);
    for (size_t at = 0; at + length <= size; ++at) {
        size_t matched = 0;
        while (matched < length &&
               std::tolower(data[at + matched]) == static_cast<unsigned char>(word[matched])) {
            ++matched;
        }
        if (matched == length) return true;
    }
    return false;
}

void SetAcceptedSettings() {
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

bool NamesTraceFile(const uint8_t *data, size_t size) { return HoldsWord(data, size, "trace"); }

bool NamesReplayFile(const uint8_t *data, size_t size) { return HoldsWord(data, size, "replay"); }

bool WithTraceKey(const uint8_t *data, size_t size, const char *path, std::string *text) {
    const char *const begin = reinterpret_cast<const char *>(data);
    if (IsUtf16(begin, size)) return false;
    const std::string key = std::string("Trace = ") + path + "\n";
    const char *cursor = begin + Utf8MarkLength(begin, size);
    const size_t markLength = static_cast<size_t>(cursor - begin);
    const char *const end = begin + size;
    while (cursor < end) {
        const TextLine line = NextTextLine(&cursor, end);
        std::string header(line.begin, line.end);
        size_t n = header.size();
        header.push_back('\0');
        const char *trimmed = SimTrim(&header[0], &n);
        if (n < 2 || trimmed[0] != '[' || trimmed[n - 1] != ']') continue;
        std::string name(trimmed + 1, n - 2);
        size_t nameLength = name.size();
        name.push_back('\0');
        if (!SimEqualNoCase(SimTrim(&name[0], &nameLength), "Library")) continue;
        // After the header's line end; a header on the last line gets one.
        const size_t at = static_cast<size_t>(cursor - begin);
        text->assign(begin, at);
        if (line.end == cursor) text->push_back('\n');
        text->append(key);
        text->append(cursor, end);
        return true;
    }
    text->assign(begin, markLength);
    text->append("[Library]\n" + key);
    text->append(begin + markLength, end);
    return true;
}

void SendStandardOutputTo(const char *path) {
    std::fflush(stdout);
    const int fd = path != nullptr ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)
                                   : open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) {
        std::perror("fuzz harness: standard output");
        std::abort();
    }
    close(fd);
}

void StartSimRunHarness() {
    QuietStandardStreams();
    if (chdir(MakeScratchDirectory()) != 0) {
        std::perror("fuzz harness: cannot enter the scratch directory");
        std::abort();
    }
    SetAcceptedSettings();
}
