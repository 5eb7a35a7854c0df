#include "sim/sim_dds.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "boardlib/zkt_api.h"

namespace {

bool IsFlag(int32_t value) { return value == 0 || value == 1; }

// A payload's record, copied out: the caller's bytes need not be aligned.
template <typename Param>
Param PayloadAs(const void *payload) {
    Param p;
    std::memcpy(&p, payload, sizeof p);
    return p;
}

bool InRegister(int32_t value, int32_t low) {
    return value >= low && value <= kSimStrobeRegisterMax;
}

uint32_t SetMaster(void *payload) {
    return IsFlag(PayloadAs<MasterParam>(payload).master) ? ZKTerr_OK : ZKTerr_BAD_MODE;
}

uint32_t SetClockMode(SimDdsState *state, const SimDdsLimits &limits, void *payload) {
    auto p = PayloadAs<ClockModeParam>(payload);
    uint32_t status = ZKTerr_OK;
    if (p.src == 0) {
        // The internal oscillator runs at its own rate whatever was asked for.
        if (!(p.value == limits.internalClock)) status |= kSimWarnClockReplaced;
        p.value = limits.internalClock;
    } else if (p.src == 1) {
        if (!std::isfinite(p.value) || p.value <= 0.0 || p.value > limits.maxRefClock) {
            return ZKTerr_BAD_MODE;
        }
    } else {
        return ZKTerr_BAD_MODE;
    }
    state->clockSet = true;
    state->clockHz = p.value;
    // A tuning word is only meaningful for the clock it was computed with.
    state->frequencyStaged = false;
    std::memcpy(payload, &p, sizeof p);
    return status;
}

uint32_t SetOutFrequency(SimDdsState *state, const SimDdsLimits &limits, void *payload) {
    auto p = PayloadAs<OutFreqParam>(payload);
    double rounded = 0.0;
    if (SimTuningWord(p.frequency, state->clockHz, limits.tuningBits, &rounded) == 0) {
        return ZKTerr_DDS_INVALID_WRRDREG;
    }
    const uint32_t status = (rounded == p.frequency) ? ZKTerr_OK : kSimWarnRounded;
    p.frequency = rounded;
    state->frequencyStaged = true;
    state->stagedFrequency = rounded;
    std::memcpy(payload, &p, sizeof p);
    return status;
}

// 0x1805 latches the staged tuning word into the accumulator; it hands back
// the frequency that now runs, whatever the payload held.
uint32_t ApplyOutFrequency(SimDdsState *state, void *payload) {
    if (!state->frequencyStaged) return ZKTerr_BAD_MODE;
    auto p = PayloadAs<OutFreqParam>(payload);
    p.frequency = state->stagedFrequency;
    std::memcpy(payload, &p, sizeof p);
    return ZKTerr_OK;
}

uint32_t SetStartMode(void *payload) {
    const auto p = PayloadAs<StartModeParam>(payload);
    return (p.startSrc < 0 || p.startSrc > 2 || !IsFlag(p.startInv)) ? ZKTerr_BAD_MODE : ZKTerr_OK;
}

double Clamp(double value, const SimDdsLimits &limits, uint32_t *status) {
    const double clamped = std::min(std::max(value, limits.thresholdMin), limits.thresholdMax);
    if (clamped != value) *status |= kSimWarnClamped;
    return clamped;
}

uint32_t SetComparator(const SimDdsLimits &limits, void *payload) {
    auto p = PayloadAs<ComparatorParam>(payload);
    if (!IsFlag(p.src) || std::isnan(p.thr[0]) || std::isnan(p.thr[1])) return ZKTerr_BAD_MODE;
    uint32_t status = ZKTerr_OK;
    p.thr[0] = Clamp(p.thr[0], limits, &status);
    p.thr[1] = Clamp(p.thr[1], limits, &status);
    std::memcpy(payload, &p, sizeof p);
    return status;
}

uint32_t SetStrobeMode(SimDdsState *state, void *payload) {
    auto p = PayloadAs<StrobeModeParam>(payload);
    // Checked in field order; the first field that fails gives the verdict.
    if (!InRegister(p.LengthStb, 1)) return ZKTerr_DDS_INVALID_WRRDREG;
    if (!IsFlag(p.PolarityStb)) return ZKTerr_BAD_MODE;
    if (!InRegister(p.DelayStb, 0)) return ZKTerr_DDS_INVALID_WRRDREG;
    if (!InRegister(p.PeriodStb, 1)) return ZKTerr_DDS_INVALID_WRRDREG;
    if (!InRegister(p.NumberStb, 0)) return ZKTerr_DDS_INVALID_WRRDREG;
    if (!IsFlag(p.ContStb)) return ZKTerr_BAD_MODE;
    uint32_t status = ZKTerr_OK;
    if (p.PeriodStb < p.LengthStb) {
        // A pulse cannot outlast its period.
        p.PeriodStb = p.LengthStb;
        status |= kSimWarnClamped;
    }
    if (p.ContStb == 0 && p.NumberStb == 0) {
        // A burst holds at least one pulse.
        p.NumberStb = 1;
        status |= kSimWarnClamped;
    }
    state->strobeSet = true;
    std::memcpy(payload, &p, sizeof p);
    return status;
}

}  // namespace

SimDdsLimits SimDefaultDdsLimits() {
    // 100 MHz inside, up to 1 GHz outside, a 32-bit accumulator, 0 to 5 V.
    return SimDdsLimits{100e6, 1e9, 32, 0.0, 5.0};
}

void SimDdsReset(SimDdsState *state, const SimDdsLimits &limits) {
    *state = SimDdsState{};
    state->clockHz = limits.internalClock;
}

int64_t SimTuningWord(double frequency, double clockHz, int32_t tuningBits, double *rounded) {
    *rounded = 0.0;
    if (!std::isfinite(frequency) || !(frequency > 0.0) || !(clockHz > 0.0)) return 0;
    const double ratio = frequency / clockHz;
    if (!(ratio < 0.5)) return 0;
    // Scaling by a power of two is exact, so the only rounding is the
    // division above and the llround here: the same on every build.
    const int64_t word = std::llround(std::ldexp(ratio, tuningBits));
    const int64_t highest = (int64_t{1} << (tuningBits - 1)) - 1;
    if (word < 1 || word > highest) return 0;
    *rounded = std::ldexp(static_cast<double>(word), -tuningBits) * clockHz;
    return word;
}

uint32_t SimDdsControl(SimDdsState *state, const SimDdsLimits &limits, int32_t code,
                       void *payload) {
    const int32_t size = ZktPayloadSize(code);
    if (size < 0 || (size > 0 && payload == nullptr)) return ZKTerr_BAD_MODE;
    switch (code) {
        case ZKTctrl_DDS_SETMASTER: return SetMaster(payload);
        case ZKTctrl_DDS_SETCLKMODE: return SetClockMode(state, limits, payload);
        case ZKTctrl_DDS_SETOUTFREQ: return SetOutFrequency(state, limits, payload);
        case ZKTctrl_DDS_OUTFREQ_1805: return ApplyOutFrequency(state, payload);
        case ZKTctrl_DDS_START:
            return (state->clockSet && state->strobeSet) ? ZKTerr_OK : ZKTerr_BAD_MODE;
        case ZKTctrl_DDS_SETSTBMODE: return SetStrobeMode(state, payload);
        case ZKTctrl_DDS_SETSTARTMODE: return SetStartMode(payload);
        case ZKTctrl_CMPSC_SET: return SetComparator(limits, payload);
        default: return ZKTerr_BAD_MODE;
    }
}
