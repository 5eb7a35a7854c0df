#include "synth/configure_synth.h"

#include <cstdio>

#include "boardlib/zkt_api.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "synth/status_report.h"

int32_t currentService = 0;

namespace {

// Sends one command to the captured service; reports a failure under
// failureName and returns whether the command succeeded.
bool SendCommand(int32_t code, void *payload, const char *failureName) {
    const int32_t status = ZKT_ctrl(currentService, 0, code, payload);
    if (ZktSucceeded(status)) return true;
    ReportStatus(failureName, status);
    return false;
}

void SetMaster() {
    MasterParam master{1};
    if (SendCommand(ZKTctrl_DDS_SETMASTER, &master, "ZKTctrl_DDS_SETMASTER")) {
        std::printf("ZKTctrl_DDS_SETMASTER:  master= %d\n", master.master);
    }
}

void SetClockMode() {
    ClockModeParam clock{SynthSettings.RefClockSource, SynthSettings.RefClockValue};
    if (SendCommand(ZKTctrl_DDS_SETCLKMODE, &clock, "ZKTctrl_DDS_SETCLKMODE")) {
        std::printf("ZKTctrl_DDS_SETCLKMODE: src= %d value = %.2f\n", clock.src, clock.value);
    }
}

void SetOutputFrequency() {
    OutFreqParam frequency{SynthSettings.OutputFreq, 1, 1};
    if (SendCommand(ZKTctrl_DDS_SETOUTFREQ, &frequency, "ZKTctrl_DDS_SETOUTFREQ")) {
        // The line shows the setting asked for, not the value handed back.
        std::printf("ZKTctrl_DDS_SETOUTFREQ: OutputFreq   = %.2f\n", SynthSettings.OutputFreq);
    }
    // The follow-up command takes the payload as the library left it; its
    // status has no line of its own.
    if (!PlatformInterrupted()) ZKT_ctrl(currentService, 0, ZKTctrl_DDS_OUTFREQ_1805, &frequency);
}

void SetStartMode() {
    StartModeParam start{SynthSettings.StartSource, SynthSettings.StartInverse, 1, 0, 0, 0};
    if (SendCommand(ZKTctrl_DDS_SETSTARTMODE, &start, "ZKTctrl_DDS_SETSTARTMODE")) {
        std::printf("ZKTctrl_DDS_SETSTARTMODE: startSrc    = %d\n", start.startSrc);
        std::printf("                          startInv    = %d\n", start.startInv);
    }
}

void SetComparator() {
    ComparatorParam comparator{0, {SynthSettings.ThresholdComp1, SynthSettings.ThresholdComp1}};
    if (SendCommand(ZKTctrl_CMPSC_SET, &comparator, "ZKTctrl_CMPSC_SET")) {
        std::printf("ZKTctrl_CMPSC_SET: sc.src      = %d\n", comparator.src);
        std::printf("                   cmp_sc.thr[]= %f\n", comparator.thr[0]);
    }
}

// The strobe mode as the library left it, for the start: SetStrobeMode
// writes every field before the library sees it.
StrobeModeParam strobe;

void SetStrobeMode() {
    strobe = {SynthSettings.LengthStb, SynthSettings.PolarityStb, SynthSettings.DelayStb,
              SynthSettings.PeriodStb, SynthSettings.NumberStb,   SynthSettings.ContStb};
    if (SendCommand(ZKTctrl_DDS_SETSTBMODE, &strobe, "ZKTctrl_DDS_SETSTBMODE")) {
        std::printf("ZKTctrl_DDS_SETSTBMODE: LengthStb    = %d\n", strobe.LengthStb);
        std::printf("                        PolarityStb  = %d\n", strobe.PolarityStb);
        std::printf("                        DelayStb     = %d\n", strobe.DelayStb);
        std::printf("                        PeriodStb    = %d\n", strobe.PeriodStb);
        std::printf("                        NumberStb    = %d\n", strobe.NumberStb);
        std::printf("                        ContStb\t\t = %d\n", strobe.ContStb);
        std::printf("                        StartStb     = %d\n", SynthSettings.StartStb);
    }
}

void StartStrobe() {
    if (SynthSettings.StartStb != 1) return;
    std::printf("Press any key for start !\n");
    PlatformWaitKey();
    // An interrupt at the prompt or during the call before the start means
    // the strobe is never started.
    if (PlatformInterrupted()) return;
    // The strobe mode goes again, as the library left it, right before the
    // start; its status has no line of its own.
    ZKT_ctrl(currentService, 0, ZKTctrl_DDS_SETSTBMODE, &strobe);
    if (PlatformInterrupted()) return;
    if (SendCommand(ZKTctrl_DDS_START, nullptr, "ZKTctrl_DDS_START")) {
        std::printf("ZKTctrl_DDS_STARTSTROBE: StartStb\n");
    }
}

}  // namespace

// After an interrupt, checked once each command has returned, the steps
// left are skipped: the caller releases the service.
void ConfigureSynth() {
    void (*const steps[])() = {SetMaster,     SetClockMode,  SetOutputFrequency, SetStartMode,
                               SetComparator, SetStrobeMode, StartStrobe};
    for (void (*step)() : steps) {
        if (PlatformInterrupted()) return;
        step();
    }
}
