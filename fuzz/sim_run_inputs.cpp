#include "fuzz/sim_run_inputs.h"

#include <cctype>

#include "settings/settings.h"

bool NamesTraceFile(const uint8_t *data, size_t size) {
    static const char kWord[] = "trace";
    const size_t length = sizeof kWord - 1;
    for (size_t at = 0; at + length <= size; ++at) {
        size_t matched = 0;
        while (matched < length &&
               std::tolower(data[at + matched]) == static_cast<unsigned char>(kWord[matched])) {
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
