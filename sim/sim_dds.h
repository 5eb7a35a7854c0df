// The synthesizer model behind a simulated "BASEDDS0" service: what each
// control code accepts, which values it hands back, and the state that the
// start command depends on. Pure functions over a state record; the library
// bookkeeping (handles, capture modes, zkt.ini overrides) lives elsewhere.
#ifndef QUILMAR_SIM_SIM_DDS_H
#define QUILMAR_SIM_SIM_DDS_H

#include <cstdint>

// Warning bits: set beside a success to say the hardware took another value
// than the one sent (the new value is written back into the payload).
constexpr uint32_t kSimWarnClockReplaced = 0x00010000u;  // internal clock in force
constexpr uint32_t kSimWarnRounded = 0x00020000u;        // frequency rounded to a step
constexpr uint32_t kSimWarnClamped = 0x00040000u;        // value clamped to its range

// Largest value of a 16-bit strobe register.
constexpr int32_t kSimStrobeRegisterMax = 0xFFFF;

// Per board, from zkt.ini.
struct SimDdsLimits {
    double internalClock;  // Hz, the clock used with source 0
    double maxRefClock;    // Hz, the highest external clock accepted
    int32_t tuningBits;    // width of the phase accumulator
    double thresholdMin;   // V, comparator threshold range
    double thresholdMax;
};

SimDdsLimits SimDefaultDdsLimits();

struct SimDdsState {
    bool clockSet;           // SETCLKMODE accepted since the library started
    double clockHz;          // reference clock in force
    bool frequencyStaged;    // SETOUTFREQ accepted since the last clock change
    double stagedFrequency;  // rounded
    bool strobeSet;          // SETSTBMODE accepted
};

// The state of a service when the library starts: internal clock in force,
// nothing set.
void SimDdsReset(SimDdsState *state, const SimDdsLimits &limits);

// Runs one control command on the model. payload may be null; when it is
// not, it holds ZktPayloadSize(code) bytes. A rejected command changes
// neither the state nor the payload. Returns the status word.
uint32_t SimDdsControl(SimDdsState *state, const SimDdsLimits &limits, int32_t code, void *payload);

// The tuning word that frequency takes with clockHz and the given accumulator
// width, or 0 when the frequency cannot be set (not above 0, or not below
// half the clock once rounded). *rounded receives the frequency it gives.
int64_t SimTuningWord(double frequency, double clockHz, int32_t tuningBits, double *rounded);

#endif  // QUILMAR_SIM_SIM_DDS_H
