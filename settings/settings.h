// The synthesizer settings: one program-wide record, filled once at start from
// the settings file by a table of keys.
#ifndef QUILMAR_SETTINGS_SETTINGS_H
#define QUILMAR_SETTINGS_SETTINGS_H

#include <cstddef>
#include <cstdint>

struct SynthSettingsRecord {
    int32_t RefClockSource;
    double RefClockValue;
    double OutputFreq;
    int32_t LengthStb;
    int32_t PolarityStb;
    int32_t DelayStb;
    int32_t PeriodStb;
    int32_t NumberStb;
    int32_t ContStb;
    int32_t StartStb;
    int32_t StartSource;
    int32_t StartInverse;
    double ThresholdComp1;
};

extern SynthSettingsRecord SynthSettings;

constexpr const char *kSettingsFileName = "quilmar.ini";
constexpr uint32_t kSettingsValueBufferSize = 128;

// Value type codes of the key table.
enum SettingValueType : int32_t {
    kSettingInt = 0,     // 32-bit signed integer
    kSettingFloat = 1,   // single-precision float
    kSettingDouble = 2,  // double
    kSettingInt2 = 3,    // 32-bit signed integer, as kSettingInt
};

struct SettingKey {
    char section[16];
    int32_t valueType;
    void *destination;
    char key[20];
};

constexpr size_t kSettingKeyCount = 13;
extern const SettingKey SettingKeys[kSettingKeyCount];

// Fills SynthSettings from quilmar.ini in the current directory. A missing
// file, section or key gives 0.
void LoadSettings();

// As LoadSettings, from the file at path (nullptr or "" counts as missing).
void LoadSettingsFromFile(const char *path);

#endif  // QUILMAR_SETTINGS_SETTINGS_H
