// What the harnesses that run the tool against the simulated library share:
// which inputs they refuse, and the settings they walk with.
#ifndef QUILMAR_FUZZ_SIM_RUN_INPUTS_H
#define QUILMAR_FUZZ_SIM_RUN_INPUTS_H

#include <cstddef>
#include <cstdint>
#include <string>

// True when the input holds the word "trace" in any case. The Trace key
// makes the simulator write a file at any path the input names; such inputs
// are refused rather than let loose on the disk.
bool NamesTraceFile(const uint8_t *data, size_t size);

// True when the input holds the word "replay" in any case: a Replay key
// makes the run's answers come from another file.
bool NamesReplayFile(const uint8_t *data, size_t size);

// The input as zkt.ini text with a Trace key for path added to its
// [Library] section (one is put first when it has none), so that a run on
// it leaves a recording. False for text this cannot be done to (UTF-16).
bool WithTraceKey(const uint8_t *data, size_t size, const char *path, std::string *text);

// Standard output into the file at path (truncated), or, with a null path,
// back to /dev/null. Aborts when either cannot be done.
void SendStandardOutputTo(const char *path);

// The set-up of such a harness, once per process: quiet standard streams
// (QuietStandardStreams), a fresh scratch directory as the current one, and
// settings that every command accepts on a default board, with the strobe
// started, so the whole set-up sequence runs unless the file says otherwise.
// Aborts when the directory cannot be entered.
void StartSimRunHarness();

#endif  // QUILMAR_FUZZ_SIM_RUN_INPUTS_H
