// The synthesizer model: which values each control code accepts, what it
// hands back, and what the start command needs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "boardlib/zkt_api.h"
#include "sim/sim_dds.h"
#include "tests/support/sim_test_support.h"

namespace {

class DdsModelTest : public ::testing::Test {
protected:
    void SetUp() override { SimDdsReset(&state, limits); }

    template <typename Payload>
    uint32_t Send(int32_t code, Payload *payload) {
        return SimDdsControl(&state, limits, code, payload);
    }

    // Sends a payload that the model must reject and checks it came back
    // byte for byte as sent.
    template <typename Payload>
    uint32_t SendRejected(int32_t code, Payload payload) {
        Payload sent = payload;
        const uint32_t status = Send(code, &payload);
        EXPECT_EQ(std::memcmp(&sent, &payload, sizeof payload), 0) << "code 0x" << std::hex << code;
        return status;
    }

    uint32_t SetExternalClock(double hz) {
        ClockModeParam p{1, hz};
        return Send(ZKTctrl_DDS_SETCLKMODE, &p);
    }

    uint32_t SetStrobe(StrobeModeParam *p) { return Send(ZKTctrl_DDS_SETSTBMODE, p); }

    SimDdsLimits limits = SimDefaultDdsLimits();
    SimDdsState state{};
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST_F(DdsModelTest, MasterTakesZeroOrOne) {
    MasterParam p{1};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETMASTER, &p), ZKTerr_OK);
    p.master = 0;
    EXPECT_EQ(Send(ZKTctrl_DDS_SETMASTER, &p), ZKTerr_OK);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETMASTER, MasterParam{2}), ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETMASTER, MasterParam{-1}), ZKTerr_BAD_MODE);
}

TEST_F(DdsModelTest, InternalClockReplacesTheValueSent) {
    ClockModeParam p{0, 5e6};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETCLKMODE, &p), kSimWarnClockReplaced);
    EXPECT_EQ(p.src, 0);
    EXPECT_EQ(Value(p.value), 100e6);
    // Asking for exactly the internal rate is no adjustment.
    EXPECT_EQ(Send(ZKTctrl_DDS_SETCLKMODE, &p), ZKTerr_OK);
    limits.internalClock = 40e6;
    p.value = 0.0;
    EXPECT_EQ(Send(ZKTctrl_DDS_SETCLKMODE, &p), kSimWarnClockReplaced);
    EXPECT_EQ(Value(p.value), 40e6);
}

TEST_F(DdsModelTest, ExternalClockMustBePositiveAndAtMostTheMaximum) {
    ClockModeParam p{1, 1e9};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETCLKMODE, &p), ZKTerr_OK);
    EXPECT_EQ(Value(p.value), 1e9);
    EXPECT_EQ(state.clockHz, 1e9);
    for (double bad : {0.0, -1.0, 1e9 + 1.0, kNaN, std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETCLKMODE, ClockModeParam{1, bad}), ZKTerr_BAD_MODE)
            << bad;
    }
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETCLKMODE, ClockModeParam{2, 1e6}), ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETCLKMODE, ClockModeParam{-1, 1e6}), ZKTerr_BAD_MODE);
    EXPECT_EQ(state.clockHz, 1e9) << "a rejected clock leaves the one in force";
}

TEST_F(DdsModelTest, FrequencyIsRoundedToTheTuningStepAndWrittenBack) {
    ASSERT_EQ(SetExternalClock(100e6), ZKTerr_OK);
    OutFreqParam p{1e6, 1, 1};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETOUTFREQ, &p), kSimWarnRounded);
    // 1 MHz of 100 MHz is 42949672.96 steps of 2^-32; 42949673 steps run.
    EXPECT_EQ(Value(p.frequency), std::ldexp(42949673.0, -32) * 100e6);
    EXPECT_NE(Value(p.frequency), 1e6);
    EXPECT_EQ(p.word2, 1);
    EXPECT_EQ(p.word3, 1);

    // A frequency on a step is taken as it is: 2^22 steps.
    OutFreqParam exact{100e6 / 1024.0, 1, 1};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETOUTFREQ, &exact), ZKTerr_OK);
    EXPECT_EQ(Value(exact.frequency), 97656.25);

    // A finer accumulator rounds closer.
    limits.tuningBits = 48;
    OutFreqParam fine{1e6, 1, 1};
    Send(ZKTctrl_DDS_SETOUTFREQ, &fine);
    EXPECT_LT(std::fabs(Value(fine.frequency) - 1e6), std::fabs(Value(p.frequency) - 1e6));
}

TEST_F(DdsModelTest, FrequencyOutsideTheTuningRangeIsAnInvalidRegister) {
    ASSERT_EQ(SetExternalClock(100e6), ZKTerr_OK);
    const double halfStep = std::ldexp(100e6, -33);
    for (double bad : {0.0, -1e6, 50e6, 60e6, 50e6 - halfStep / 4, halfStep / 2, kNaN}) {
        EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETOUTFREQ, OutFreqParam{bad, 1, 1}),
                  ZKTerr_DDS_INVALID_WRRDREG)
            << bad;
    }
    // The highest and lowest settable steps.
    OutFreqParam high{50e6 - 3 * halfStep, 1, 1};
    EXPECT_TRUE(ZktSucceeded(static_cast<int32_t>(Send(ZKTctrl_DDS_SETOUTFREQ, &high))));
    OutFreqParam low{halfStep * 1.5, 1, 1};
    EXPECT_TRUE(ZktSucceeded(static_cast<int32_t>(Send(ZKTctrl_DDS_SETOUTFREQ, &low))));
    EXPECT_EQ(Value(low.frequency), 2 * halfStep);
}

TEST_F(DdsModelTest, FrequencyUsesTheInternalClockUntilAnotherIsSet) {
    OutFreqParam p{60e6, 1, 1};
    EXPECT_EQ(Send(ZKTctrl_DDS_SETOUTFREQ, &p), ZKTerr_DDS_INVALID_WRRDREG);
    ASSERT_EQ(SetExternalClock(200e6), ZKTerr_OK);
    EXPECT_TRUE(ZktSucceeded(static_cast<int32_t>(Send(ZKTctrl_DDS_SETOUTFREQ, &p))));
}

TEST_F(DdsModelTest, ApplyHandsBackTheStagedFrequency) {
    OutFreqParam p{1e6, 1, 1};
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_OUTFREQ_1805, p), ZKTerr_BAD_MODE) << "nothing staged";
    ASSERT_EQ(SetExternalClock(100e6), ZKTerr_OK);
    ASSERT_TRUE(ZktSucceeded(static_cast<int32_t>(Send(ZKTctrl_DDS_SETOUTFREQ, &p))));
    const double staged = p.frequency;
    OutFreqParam other{123.0, 4, 5};
    EXPECT_EQ(Send(ZKTctrl_DDS_OUTFREQ_1805, &other), ZKTerr_OK);
    EXPECT_EQ(Value(other.frequency), staged);
    EXPECT_EQ(other.word2, 4);
    EXPECT_EQ(other.word3, 5);
    // A new clock makes the staged tuning word meaningless.
    ASSERT_EQ(SetExternalClock(80e6), ZKTerr_OK);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_OUTFREQ_1805, p), ZKTerr_BAD_MODE);
}

TEST_F(DdsModelTest, StartModeFieldsHaveSmallRanges) {
    for (int32_t src = 0; src <= 2; ++src) {
        StartModeParam p{src, 1, 1, 0, 0, 0};
        EXPECT_EQ(Send(ZKTctrl_DDS_SETSTARTMODE, &p), ZKTerr_OK);
    }
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETSTARTMODE, StartModeParam{3, 0, 1, 0, 0, 0}),
              ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETSTARTMODE, StartModeParam{-1, 0, 1, 0, 0, 0}),
              ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETSTARTMODE, StartModeParam{0, 2, 1, 0, 0, 0}),
              ZKTerr_BAD_MODE);
}

TEST_F(DdsModelTest, ComparatorThresholdIsClampedToItsRange) {
    ComparatorParam inside{0, {1.5, 5.0}};
    EXPECT_EQ(Send(ZKTctrl_CMPSC_SET, &inside), ZKTerr_OK);
    EXPECT_EQ(Value(inside.thr[0]), 1.5);
    EXPECT_EQ(Value(inside.thr[1]), 5.0);

    ComparatorParam outside{1, {-0.5, 7.25}};
    EXPECT_EQ(Send(ZKTctrl_CMPSC_SET, &outside), kSimWarnClamped);
    EXPECT_EQ(outside.src, 1);
    EXPECT_EQ(Value(outside.thr[0]), 0.0);
    EXPECT_EQ(Value(outside.thr[1]), 5.0);

    limits.thresholdMin = -1.0;
    ComparatorParam negative{0, {-0.5, -0.5}};
    EXPECT_EQ(Send(ZKTctrl_CMPSC_SET, &negative), ZKTerr_OK);
    EXPECT_EQ(Value(negative.thr[0]), -0.5);

    EXPECT_EQ(SendRejected(ZKTctrl_CMPSC_SET, ComparatorParam{2, {1.0, 1.0}}), ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(ZKTctrl_CMPSC_SET, ComparatorParam{0, {1.0, kNaN}}), ZKTerr_BAD_MODE);
}

TEST_F(DdsModelTest, StrobeFieldsMustFitTheirRegisters) {
    const struct {
        StrobeModeParam p;
        uint32_t status;
    } rejected[] = {
        {{0, 0, 0, 100, 1, 0}, ZKTerr_DDS_INVALID_WRRDREG},       // no pulse length
        {{65536, 0, 0, 100, 1, 0}, ZKTerr_DDS_INVALID_WRRDREG},   // length beyond 16 bits
        {{10, 2, 0, 100, 1, 0}, ZKTerr_BAD_MODE},                 // polarity
        {{10, 0, -1, 100, 1, 0}, ZKTerr_DDS_INVALID_WRRDREG},     // delay
        {{10, 0, 0, 0, 1, 0}, ZKTerr_DDS_INVALID_WRRDREG},        // period
        {{10, 0, 0, 100, 70000, 0}, ZKTerr_DDS_INVALID_WRRDREG},  // number
        {{10, 0, 0, 100, 1, 2}, ZKTerr_BAD_MODE},                 // continuous flag
        // The first failing field decides.
        {{0, 5, 0, 100, 1, 0}, ZKTerr_DDS_INVALID_WRRDREG},
        {{10, 5, -1, 100, 1, 0}, ZKTerr_BAD_MODE},
    };
    for (const auto &r : rejected) {
        EXPECT_EQ(SendRejected(ZKTctrl_DDS_SETSTBMODE, r.p), r.status) << r.p.LengthStb;
    }
}

// The record as the board took it, written back: values that fit as they
// are, values that cannot run made runnable.
TEST_F(DdsModelTest, StrobeValuesAreTakenOrClamped) {
    const struct {
        StrobeModeParam sent;
        uint32_t status;
        StrobeModeParam taken;
    } rows[] = {
        {{10, 1, 0, 100, 3, 0}, ZKTerr_OK, {10, 1, 0, 100, 3, 0}},
        {{65535, 0, 65535, 65535, 65535, 1}, ZKTerr_OK, {65535, 0, 65535, 65535, 65535, 1}},
        // A period shorter than the pulse is the pulse's length.
        {{50, 0, 0, 20, 1, 0}, kSimWarnClamped, {50, 0, 0, 50, 1, 0}},
        // A burst has one pulse at least ...
        {{5, 0, 0, 20, 0, 0}, kSimWarnClamped, {5, 0, 0, 20, 1, 0}},
        // ... but a continuous strobe does not count pulses.
        {{5, 0, 0, 20, 0, 1}, ZKTerr_OK, {5, 0, 0, 20, 0, 1}},
    };
    const auto shown = [](const StrobeModeParam &p) {
        return std::to_string(p.LengthStb) + "/" + std::to_string(p.PolarityStb) + "/" +
               std::to_string(p.DelayStb) + "/" + std::to_string(p.PeriodStb) + "/" +
               std::to_string(p.NumberStb) + "/" + std::to_string(p.ContStb);
    };
    for (const auto &r : rows) {
        StrobeModeParam p = r.sent;
        EXPECT_EQ(SetStrobe(&p), r.status) << shown(r.sent);
        EXPECT_EQ(shown(p), shown(r.taken)) << "sent " << shown(r.sent);
    }
}

TEST_F(DdsModelTest, StartNeedsClockAndStrobeMode) {
    EXPECT_EQ(SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr), ZKTerr_BAD_MODE);
    StrobeModeParam strobe{10, 0, 0, 100, 1, 0};
    ASSERT_EQ(SetStrobe(&strobe), ZKTerr_OK);
    EXPECT_EQ(SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr), ZKTerr_BAD_MODE);
    // A rejected clock does not count as set.
    EXPECT_EQ(SetExternalClock(-5.0), ZKTerr_BAD_MODE);
    EXPECT_EQ(SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr), ZKTerr_BAD_MODE);
    ClockModeParam internal{0, 0.0};
    ASSERT_TRUE(ZktSucceeded(static_cast<int32_t>(Send(ZKTctrl_DDS_SETCLKMODE, &internal))));
    EXPECT_EQ(SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr), ZKTerr_OK);

    // A rejected strobe mode leaves the earlier one in force.
    StrobeModeParam bad{0, 0, 0, 0, 0, 0};
    EXPECT_NE(SetStrobe(&bad), ZKTerr_OK);
    EXPECT_EQ(SimDdsControl(&state, limits, ZKTctrl_DDS_START, nullptr), ZKTerr_OK);
}

TEST_F(DdsModelTest, UnknownCodesAndMissingPayloadsAreBadMode) {
    MasterParam p{1};
    EXPECT_EQ(SendRejected(0x1801, p), ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(0x1807, p), ZKTerr_BAD_MODE);
    EXPECT_EQ(SendRejected(-1, p), ZKTerr_BAD_MODE);
    for (int32_t code : {ZKTctrl_DDS_SETMASTER, ZKTctrl_DDS_SETCLKMODE, ZKTctrl_DDS_SETOUTFREQ,
                         ZKTctrl_DDS_OUTFREQ_1805, ZKTctrl_DDS_SETSTBMODE, ZKTctrl_DDS_SETSTARTMODE,
                         ZKTctrl_CMPSC_SET}) {
        EXPECT_EQ(SimDdsControl(&state, limits, code, nullptr), ZKTerr_BAD_MODE) << code;
    }
}

}  // namespace
