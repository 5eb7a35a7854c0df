// The settings record and its loader: a fixed table maps every key of the
// Option section to its field, and one loop reads them all.
#include "settings/settings.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "platform/platform.h"
#include "textread/decimal.h"

SynthSettingsRecord SynthSettings;

const SettingKey SettingKeys[kSettingKeyCount] = {
    {"Option", kSettingInt, &SynthSettings.RefClockSource, "RefClockSource"},
    {"Option", kSettingDouble, &SynthSettings.RefClockValue, "RefClockValue"},
    {"Option", kSettingDouble, &SynthSettings.OutputFreq, "OutputFreq"},
    {"Option", kSettingInt, &SynthSettings.LengthStb, "LengthStb"},
    {"Option", kSettingInt, &SynthSettings.PolarityStb, "PolarityStb"},
    {"Option", kSettingInt, &SynthSettings.DelayStb, "DelayStb"},
    {"Option", kSettingInt, &SynthSettings.PeriodStb, "PeriodStb"},
    {"Option", kSettingInt, &SynthSettings.NumberStb, "NumberStb"},
    {"Option", kSettingInt, &SynthSettings.ContStb, "ContStb"},
    {"Option", kSettingInt, &SynthSettings.StartStb, "StartStb"},
    {"Option", kSettingInt, &SynthSettings.StartSource, "StartSource"},
    {"Option", kSettingInt, &SynthSettings.StartInverse, "StartInverse"},
    {"Option", kSettingDouble, &SynthSettings.ThresholdComp1, "ThresholdComp1"},
};

namespace {

// A path long enough for any current directory the system reports; a deeper
// one counts as a missing file rather than being cut.
constexpr size_t kSettingsPathCapacity = 4096;

// Narrowing a double beyond the float range is undefined in C++, so such a
// value goes to the infinity of its sign, as a float conversion of the text
// would give.
float NarrowToFloat(double value) {
    if (value > static_cast<double>(FLT_MAX)) return HUGE_VALF;
    if (value < -static_cast<double>(FLT_MAX)) return -HUGE_VALF;
    return static_cast<float>(value);
}

void StoreSetting(const SettingKey &row, const char *text) {
    switch (row.valueType) {
        case kSettingInt:
        case kSettingInt2: *static_cast<int32_t *>(row.destination) = DecimalToInt32(text); break;
        case kSettingFloat:
            *static_cast<float *>(row.destination) = NarrowToFloat(DecimalToDouble(text));
            break;
        case kSettingDouble: *static_cast<double *>(row.destination) = DecimalToDouble(text); break;
        default: break;
    }
}

}  // namespace

void LoadSettingsFromFile(const char *path) {
    // Without a file (no path at all included) every row still takes the
    // default text, so each field is written on every load and nothing of an
    // earlier load survives. The file is read once for all the rows.
    char texts[kSettingKeyCount][kSettingsValueBufferSize];
    ProfileQuery queries[kSettingKeyCount];
    for (size_t i = 0; i < kSettingKeyCount; ++i) {
        queries[i] = {SettingKeys[i].section, SettingKeys[i].key, texts[i],
                      kSettingsValueBufferSize};
    }
    PlatformReadProfileStrings(queries, kSettingKeyCount, "0", path);
    for (size_t i = 0; i < kSettingKeyCount; ++i) StoreSetting(SettingKeys[i], texts[i]);
}

void LoadSettings() {
    char path[kSettingsPathCapacity];
    if (!PlatformPathInCurrentDirectory(kSettingsFileName, path, sizeof path)) {
        // The settings would silently read as 0 otherwise.
        std::fprintf(stderr,
                     "quilmar: the path of %s in the current directory is too long to read; "
                     "every setting is 0\n",
                     kSettingsFileName);
    }
    LoadSettingsFromFile(path);
}
