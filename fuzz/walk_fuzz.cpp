// The device walk and the set-up sequence against a library whose answers
// come from the input; the stand-in aborts on any call the tool must never
// make, and the sanitizers on any read or write outside a record.
#include <cstddef>
#include <cstdint>

#include "app/walk.h"
#include "fuzz/harness_io.h"
#include "fuzz/hostile_zkt.h"
#include "settings/settings.h"

namespace {

// StartStb is mostly 0 or 1 so that both endings of the sequence are
// reached; the other settings are any bytes, NaNs and infinities included.
void FillSettings() {
    SynthSettingsRecord &s = SynthSettings;
    uint8_t start = 0;
    HostileTakeBytes(&start, 1);
    HostileTakeBytes(&s.StartStb, sizeof s.StartStb);
    if (start < 0xE0) s.StartStb = start % 2;
    // The other keys in the order of the key table, each its field's width.
    for (const SettingKey &key : SettingKeys) {
        if (key.destination == &s.StartStb) continue;
        HostileTakeBytes(key.destination,
                         key.valueType == kSettingDouble ? sizeof(double) : sizeof(int32_t));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    QuietStandardStreams();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    HostileStartRun(data, size);
    FillSettings();
    WalkDevices();
    HostileEndRun();
    return 0;
}
