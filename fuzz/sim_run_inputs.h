// What the harnesses that run the tool against the simulated library share:
// which inputs they refuse, and the settings they walk with.
#ifndef QUILMAR_FUZZ_SIM_RUN_INPUTS_H
#define QUILMAR_FUZZ_SIM_RUN_INPUTS_H

#include <cstddef>
#include <cstdint>

// True when the input holds the word "trace" in any case. The Trace key
// makes the simulator write a file at any path the input names; such inputs
// are refused rather than let loose on the disk.
bool NamesTraceFile(const uint8_t *data, size_t size);

// Settings that every command accepts on a default board, with the strobe
// started, so the whole set-up sequence runs unless the file says otherwise.
void SetAcceptedSettings();

#endif  // QUILMAR_FUZZ_SIM_RUN_INPUTS_H
