// What a run costs: reading the settings (the demo's file, and files padded
// with other sections up to 1 MB), one whole walk and set-up against the
// simulated library, the same walk replayed from its recording, the
// library's own part of each of those two, reading a large recording,
// whole runs of the program against a trivial program and traced by the
// proxy against the simulator's own trace, and, for scale, starting a
// trivial process.
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "app/walk.h"
#include "calltrace/call_record.h"
#include "settings/settings.h"
#include "tests/support/call_make.h"
#include "textread/text_lines.h"

namespace {

std::string scratchDirectory;

std::string ScratchDirectory() {
    if (scratchDirectory.empty()) {
        char pattern[] = "/tmp/quilmar-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("bench: mkdtemp");
            std::exit(1);
        }
        scratchDirectory = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory, ignored);
        });
    }
    return scratchDirectory;
}

void WriteText(const std::string &path, const std::string &text) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(file);
}

std::string ReadText(const std::string &path) {
    std::string text;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
    return text;
}

const char kOptionSection[] =
    "[Option]\n"
    "RefClockSource=1\nRefClockValue=200000000\nOutputFreq=10000000\n"
    "LengthStb=10\nPolarityStb=1\nDelayStb=5\nPeriodStb=100\nNumberStb=3\nContStb=0\n"
    "StartStb=0\nStartSource=1\nStartInverse=0\nThresholdComp1=1.5\n";

// Other sections first, so every key is found only after reading past all
// of them: the whole file is read, once for the thirteen keys.
std::string PaddedSettings(size_t size) {
    std::string text;
    text.reserve(size + sizeof kOptionSection);
    for (int section = 0; text.size() + sizeof kOptionSection < size; ++section) {
        text += "[Other" + std::to_string(section) + "]\n";
        for (int key = 0; key < 16; ++key) {
            text += "Key" + std::to_string(key) + "=some value of another program\n";
        }
    }
    return text + kOptionSection;
}

void BM_LoadSettingsDemo(benchmark::State &state) {
    const std::string path = std::string(QUILMAR_SOURCE_DIR) + "/demo/quilmar.ini";
    while (state.KeepRunning()) {
        LoadSettingsFromFile(path.c_str());
        benchmark::DoNotOptimize(SynthSettings);
    }
}
BENCHMARK(BM_LoadSettingsDemo);

void BM_LoadSettingsPadded(benchmark::State &state) {
    const size_t size = static_cast<size_t>(state.range(0));
    const std::string path = ScratchDirectory() + "/padded-" + std::to_string(size) + ".ini";
    WriteText(path, PaddedSettings(size));
    while (state.KeepRunning()) {
        LoadSettingsFromFile(path.c_str());
        benchmark::DoNotOptimize(SynthSettings);
    }
    if (SynthSettings.PeriodStb != 100) state.SkipWithError("the padded file was misread");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadSettingsPadded)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Arg(64 << 20)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// N boards, each offering the synthesizer service.
std::string SimulatedBoards(int64_t boards) {
    std::string text;
    for (int64_t b = 0; b < boards; ++b) {
        text += "[Board]\nName = ZK-BENCH-" + std::to_string(b) +
                "\nDevID = 0x5a21\nRevID = 0x03\nBus = 1\nDev = " + std::to_string(b) +
                "\nSlot = 1\nUnit = 0, 0x7a01, 0x11, FPGA main logic\n"
                "Service = BASECMP0, 0x2\nService = BASEDDS0, 0x1\n";
    }
    return text;
}

// Standard output goes to /dev/null while the walk prints, then comes back.
struct QuietStdout {
    int saved;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
};

// The folder a walk runs in, ScratchDirectory()/name holding zktIni as its
// zkt.ini, with the demo's values loaded (StartStb 0: the whole set-up, no
// key wait): entered when made, left when destroyed. Where it cannot be
// made or entered the benchmark is skipped and entered() is false.
class WalkFolder {
public:
    WalkFolder(benchmark::State &state, const std::string &name, const std::string &zktIni)
        : state_(state), path_(ScratchDirectory() + "/" + name) {
        if (mkdir(path_.c_str(), 0700) != 0 && errno != EEXIST) {
            state.SkipWithError("cannot make the walk's folder");
            return;
        }
        WriteText(path_ + "/zkt.ini", zktIni);
        const std::string settings = ScratchDirectory() + "/walk.ini";
        WriteText(settings, kOptionSection);
        LoadSettingsFromFile(settings.c_str());
        if (getcwd(previous_, sizeof previous_) == nullptr || chdir(path_.c_str()) != 0) {
            state.SkipWithError("cannot enter the walk's folder");
            return;
        }
        entered_ = true;
    }
    ~WalkFolder() {
        if (entered_ && chdir(previous_) != 0)
            state_.SkipWithError("cannot leave the walk's folder");
    }
    WalkFolder(const WalkFolder &) = delete;
    WalkFolder &operator=(const WalkFolder &) = delete;

    bool entered() const { return entered_; }
    const std::string &path() const { return path_; }

private:
    benchmark::State &state_;
    std::string path_;
    char previous_[4096];
    bool entered_ = false;
};

void BM_WalkDevices(benchmark::State &state) {
    WalkFolder folder(state, "boards-" + std::to_string(state.range(0)),
                      SimulatedBoards(state.range(0)));
    if (!folder.entered()) return;
    {
        QuietStdout quiet;
        while (state.KeepRunning()) WalkDevices();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WalkDevices)->Arg(1)->Arg(5)->Arg(10)->Arg(32)->Unit(benchmark::kMicrosecond);

// The same walk answered from a recording of it (zkt.ini's Replay) instead of
// the boards' model: the recording is made once, by a walk with Trace set,
// and each replay reads and checks it whole.
void BM_ReplayWalk(benchmark::State &state) {
    WalkFolder folder(state, "replay-" + std::to_string(state.range(0)),
                      "[Library]\nTrace = recording.log\n" + SimulatedBoards(state.range(0)));
    if (!folder.entered()) return;
    {
        QuietStdout quiet;
        WalkDevices();
        WriteText("zkt.ini", "[Library]\nReplay = recording.log\n");
        while (state.KeepRunning()) WalkDevices();
        // A replay gone astray answers every call at once: the figure would
        // say nothing. Once more with a trace, which must be the recording.
        WriteText("zkt.ini", "[Library]\nReplay = recording.log\nTrace = replay.log\n");
        WalkDevices();
    }
    if (ReadText(folder.path() + "/replay.log") != ReadText(folder.path() + "/recording.log")) {
        state.SkipWithError("the replay did not follow its recording");
    }
}
BENCHMARK(BM_ReplayWalk)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);

// The library's own part of a walk: the calls a walk of N boards makes,
// taken from its recording and made again with the same arguments, without
// the tool's work between them (its output, its checks). Made against the
// boards' model (replay 0) or answered from the recording (replay 1); every
// call must get its recorded result, or the figure would say nothing.
void BM_WalkCalls(benchmark::State &state) {
    const int64_t boards = state.range(0);
    const bool replaying = state.range(1) != 0;
    WalkFolder folder(state, "calls-" + std::to_string(boards),
                      "[Library]\nTrace = recording.log\n" + SimulatedBoards(boards));
    if (!folder.entered()) return;
    {
        QuietStdout quiet;
        WalkDevices();
    }
    const std::string recording = ReadText("recording.log");
    std::vector<CallRecord> calls;
    const char *cursor = recording.data();
    const char *const end = recording.data() + recording.size();
    while (cursor < end) {
        const TextLine line = NextTextLine(&cursor, end);
        CallRecord call;
        size_t callLength = 0;
        if (!CallRecordRead(line.begin, static_cast<size_t>(line.end - line.begin), &call,
                            &callLength)) {
            state.SkipWithError("the recording holds a line that is no call");
            break;
        }
        calls.push_back(call);
    }
    WriteText("zkt.ini", replaying ? std::string("[Library]\nReplay = recording.log\n")
                                   : SimulatedBoards(boards));
    while (state.KeepRunning()) {
        for (const CallRecord &call : calls) {
            if (CallMake(call) != call.result) {
                state.SkipWithError("a call did not get its recorded result");
                break;
            }
        }
    }
    state.counters["calls"] = static_cast<double>(calls.size());
}
BENCHMARK(BM_WalkCalls)
    ->ArgNames({"boards", "replay"})
    ->ArgsProduct({{1, 10}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// Reading a large recording: a recording of walks of 10 boards, repeated up
// to the size asked for (64 MiB is the largest a replay reads), read by
// bench/recording_reader.cpp in a process of its own, started for each
// read, so that its peak memory is its own: the time is the process's
// whole run, init_s the time in ZKT_init alone, peak_MiB the process's
// peak resident memory, against one_call_MiB for the same program on a
// recording of one call.
struct ReaderRun {
    bool ok;
    double initSeconds;
    double peakMiB;
};

ReaderRun RunRecordingReader(const std::string &directory) {
    ReaderRun run{false, 0, 0};
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return run;
    self[length] = '\0';
    const std::string reader =
        std::filesystem::path(self).parent_path().string() + "/recording_reader";
    int ends[2];
    if (pipe(ends) != 0) return run;
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDOUT_FILENO);
        close(ends[0]);
        close(ends[1]);
        execl(reader.c_str(), "recording_reader", directory.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(ends[1]);
    char output[128] = {};
    const ssize_t count = read(ends[0], output, sizeof output - 1);
    close(ends[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || status != 0 || count <= 0) return run;
    // "<seconds in ZKT_init> <peak KiB>"
    char *end = nullptr;
    run.initSeconds = std::strtod(output, &end);
    const bool secondsRead = end != output;
    const char *peakText = end;
    const long peakKiB = std::strtol(peakText, &end, 10);
    run.ok = secondsRead && end != peakText;
    run.peakMiB = static_cast<double>(peakKiB) / 1024.0;
    return run;
}

void BM_ReadLargeRecording(benchmark::State &state) {
    const auto size = static_cast<size_t>(state.range(0)) << 20;
    const std::string directory = ScratchDirectory() + "/large-" + std::to_string(state.range(0));
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        state.SkipWithError("cannot make the recording's directory");
        return;
    }
    WriteText(directory + "/zkt.ini", "[Library]\nTrace = walk.log\n" + SimulatedBoards(10));
    const std::string settings = ScratchDirectory() + "/walk.ini";
    WriteText(settings, kOptionSection);
    LoadSettingsFromFile(settings.c_str());
    char previous[4096];
    if (getcwd(previous, sizeof previous) == nullptr || chdir(directory.c_str()) != 0) {
        state.SkipWithError("cannot enter the recording's directory");
        return;
    }
    {
        QuietStdout quiet;
        WalkDevices();
    }
    if (chdir(previous) != 0) state.SkipWithError("cannot leave the recording's directory");
    // Sessions from their ZKT_init on: the reader's one call is the first.
    std::string walk = ReadText(directory + "/walk.log");
    if (walk.compare(0, 16, "ZKT_displayMode(") == 0) walk.erase(0, walk.find('\n') + 1);
    {
        std::string recording;
        recording.reserve(size);
        while (recording.size() + walk.size() <= size) recording += walk;
        WriteText(directory + "/recording.log", recording);
        state.counters["bytes"] = static_cast<double>(recording.size());
    }
    WriteText(directory + "/one-call.log", "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\n");
    WriteText(directory + "/zkt.ini", "[Library]\nReplay = one-call.log\n");
    const ReaderRun oneCall = RunRecordingReader(directory);
    WriteText(directory + "/zkt.ini", "[Library]\nReplay = recording.log\n");
    double initSeconds = 0;
    double peakMiB = 0;
    while (state.KeepRunning()) {
        const ReaderRun run = RunRecordingReader(directory);
        if (!run.ok || !oneCall.ok) {
            state.SkipWithError("the reader did not read the recording");
            break;
        }
        initSeconds += run.initSeconds;
        if (run.peakMiB > peakMiB) peakMiB = run.peakMiB;
    }
    state.counters["init_s"] = benchmark::Counter(initSeconds, benchmark::Counter::kAvgIterations);
    state.counters["peak_MiB"] = peakMiB;
    state.counters["one_call_MiB"] = oneCall.peakMiB;
}
BENCHMARK(BM_ReadLargeRecording)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_StartTrivialProcess(benchmark::State &state) {
    while (state.KeepRunning()) {
        const pid_t child = fork();
        if (child == 0) {
            execl("/bin/true", "true", static_cast<char *>(nullptr));
            _exit(127);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || status != 0) {
            state.SkipWithError("cannot run /bin/true");
            break;
        }
    }
}
BENCHMARK(BM_StartTrivialProcess)->Unit(benchmark::kMicrosecond);

// Whole runs of the program, each a process of its own, timed by the wall
// clock from fork to wait, in pairs: a run and the one it is weighed
// against, one after the other, so that the load of a shared machine falls
// on both alike. The figure that counts is the ratio of their sums.
//   against:0  a plain run of quilmar on 10 boards, no trace, against a
//              trivial C++ program (bench/trivial_program.cpp)
//   against:1  the same run traced by the tracing proxy (LD_PRELOAD, in
//              front of the simulator), against it traced by the
//              simulator itself (zkt.ini's Trace)
struct ProcessRun {
    const char *program;
    std::vector<std::string> environment;  // added to the benchmark's own
};

std::string BinaryDirectory() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return std::string();
    self[length] = '\0';
    return std::filesystem::path(self).parent_path().string();
}

// Runs program in the current folder, standard input and output from and to
// /dev/null; the wall time in seconds, or a negative figure when it failed.
double TimedRun(const std::string &program, const std::vector<std::string> &environment) {
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        for (const std::string &setting : environment) putenv(const_cast<char *>(setting.c_str()));
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || status != 0) return -1;
    clock_gettime(CLOCK_MONOTONIC, &end);
    return static_cast<double>(end.tv_sec - start.tv_sec) +
           static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
}

void BM_RunPairs(benchmark::State &state) {
    const bool traced = state.range(0) != 0;
    const std::string bin = BinaryDirectory();
    const std::string quilmar = bin + "/quilmar";
    WalkFolder folder(state, traced ? "run-traced" : "run-plain",
                      (traced ? "[Library]\nTrace = own.log\n" : "") + SimulatedBoards(10));
    if (!folder.entered()) return;
    WriteText("quilmar.ini", kOptionSection);
    const std::string proxied = "ZKT_TRACE_FILE=proxy.log";
    const std::string preload = "LD_PRELOAD=" + bin + "/libzkttrace.so";
    const std::string plainIni = SimulatedBoards(10);
    const std::string tracedIni = "[Library]\nTrace = own.log\n" + SimulatedBoards(10);
    double runSeconds = 0;
    double otherSeconds = 0;
    while (state.KeepRunning()) {
        double run = 0;
        double other = 0;
        if (traced) {
            // The proxy's run with no trace of the simulator's own.
            WriteText("zkt.ini", plainIni);
            run = TimedRun(quilmar, {proxied, preload});
            WriteText("zkt.ini", tracedIni);
            other = TimedRun(quilmar, {});
        } else {
            run = TimedRun(quilmar, {});
            other = TimedRun(bin + "/trivial_program", {});
        }
        if (run < 0 || other < 0) {
            state.SkipWithError("a run failed");
            break;
        }
        runSeconds += run;
        otherSeconds += other;
    }
    // Both traces must hold the run, line for line alike.
    if (traced && ReadText("proxy.log") != ReadText("own.log")) {
        state.SkipWithError("the proxy's trace is not the simulator's");
    }
    state.counters["run_ms"] =
        benchmark::Counter(runSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["other_ms"] =
        benchmark::Counter(otherSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = otherSeconds > 0 ? runSeconds / otherSeconds : 0;
}
BENCHMARK(BM_RunPairs)
    ->ArgName("against")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(100)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
