// A stand-in for the board access library whose every answer comes from a
// fuzz input: any counts, handles, capture modes and statuses, records full
// of arbitrary bytes, anything written back into a payload. It also checks
// what the tool passes in and aborts on any call the tool must never make.
#ifndef QUILMAR_FUZZ_HOSTILE_ZKT_H
#define QUILMAR_FUZZ_HOSTILE_ZKT_H

#include <cstddef>
#include <cstdint>

// Starts a run whose answers come from data (size bytes). The data must stay
// valid until HostileEndRun.
void HostileStartRun(const uint8_t *data, size_t size);

// Takes the next n bytes of the input for the harness's own use (zeros once
// the input runs dry).
void HostileTakeBytes(void *out, size_t n);

// Aborts unless the run that just ended visited every reported device and
// left nothing open or captured; then forgets the run.
void HostileEndRun();

#endif  // QUILMAR_FUZZ_HOSTILE_ZKT_H
