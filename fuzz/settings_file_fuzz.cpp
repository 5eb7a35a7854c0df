// The profile reader and the settings loader on arbitrary file bytes: NULs,
// no final newline, enormous lines, binary garbage. The first two input
// bytes choose the value buffer's size and the key asked for; the rest is
// the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/harness_io.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "textread/decimal.h"

namespace {

const char *directory = nullptr;
std::string filePath;

struct Query {
    const char *section;
    const char *key;
};

// The loader's own keys first, then names a reader could mistake for them.
const Query kQueries[] = {
    {"Option", "RefClockSource"},
    {"Option", "RefClockValue"},
    {"Option", "OutputFreq"},
    {"Option", "LengthStb"},
    {"Option", "PolarityStb"},
    {"Option", "DelayStb"},
    {"Option", "PeriodStb"},
    {"Option", "NumberStb"},
    {"Option", "ContStb"},
    {"Option", "StartStb"},
    {"Option", "StartSource"},
    {"Option", "StartInverse"},
    {"Option", "ThresholdComp1"},
    {"option", "outputfreq"},
    {"Option", ""},
    {"", "OutputFreq"},
    {"Opt]ion", "x"},
    {"Option", "a=b"},
    {"Option", ";OutputFreq"},
    {"[Option]", "OutputFreq"},
};
constexpr size_t kQueryCount = sizeof kQueries / sizeof kQueries[0];

const char *const kDefaults[] = {"0", "", "  7  "};

void Fail(const char *what) {
    std::fprintf(stderr, "settings fuzz: %s\n", what);
    std::abort();
}

void Check(bool condition, const char *what) {
    if (!condition) Fail(what);
}

// One key read into a buffer of exactly size bytes, so any write past it
// shows; what comes back must be a cut of the same key read in full.
void CheckRead(const Query &query, const char *defaultText, uint32_t size, size_t fileSize) {
    char *buffer = new char[size];
    const uint32_t count = PlatformReadProfileString(query.section, query.key, defaultText, buffer,
                                                     size, filePath.c_str());
    if (size == 0) {
        Check(count == 0, "a zero-sized buffer got text");
        delete[] buffer;
        return;
    }
    Check(count < size, "count not below the buffer size");
    Check(buffer[count] == '\0', "text not terminated at its count");
    Check(std::strlen(buffer) == count, "text length differs from the count");
    Check(std::strpbrk(buffer, "\r\n") == nullptr, "text runs over a line end");

    const uint32_t fullSize = static_cast<uint32_t>(fileSize) + 8u;
    char *full = new char[fullSize];
    const uint32_t fullCount = PlatformReadProfileString(query.section, query.key, defaultText,
                                                         full, fullSize, filePath.c_str());
    const uint32_t expected = fullCount < size - 1u ? fullCount : size - 1u;
    Check(count == expected && std::memcmp(buffer, full, count) == 0,
          "a short buffer does not get the first characters of the value");
    delete[] full;
    delete[] buffer;
}

// Bit for bit, so that 0.0 and -0.0 differ and a NaN equals itself.
bool SameBits(double a, double b) {
    uint64_t aBits = 0;
    uint64_t bBits = 0;
    std::memcpy(&aBits, &a, sizeof a);
    std::memcpy(&bBits, &b, sizeof b);
    return aBits == bBits;
}

bool SameRecord(const SynthSettingsRecord &a, const SynthSettingsRecord &b) {
    for (const SettingKey &row : SettingKeys) {
        const size_t offset = static_cast<const char *>(row.destination) -
                              reinterpret_cast<const char *>(&SynthSettings);
        const size_t width = row.valueType == kSettingDouble ? sizeof(double) : sizeof(int32_t);
        if (std::memcmp(reinterpret_cast<const char *>(&a) + offset,
                        reinterpret_cast<const char *>(&b) + offset, width) != 0) {
            return false;
        }
    }
    return true;
}

// Each field holds its key's text, as a 128-byte read gives it, converted.
void CheckLoadedFromFile() {
    for (const SettingKey &row : SettingKeys) {
        char text[kSettingsValueBufferSize];
        PlatformReadProfileString(row.section, row.key, "0", text, sizeof text, filePath.c_str());
        if (row.valueType == kSettingDouble) {
            Check(SameBits(*static_cast<const double *>(row.destination), DecimalToDouble(text)),
                  "a double setting differs from its key's text");
        } else {
            Check(*static_cast<const int32_t *>(row.destination) == DecimalToInt32(text),
                  "an integer setting differs from its key's text");
        }
    }
}

void CheckAllZero(const char *what) {
    const SynthSettingsRecord &s = SynthSettings;
    const bool zero = s.RefClockSource == 0 && s.RefClockValue == 0.0 && s.OutputFreq == 0.0 &&
                      s.LengthStb == 0 && s.PolarityStb == 0 && s.DelayStb == 0 &&
                      s.PeriodStb == 0 && s.NumberStb == 0 && s.ContStb == 0 && s.StartStb == 0 &&
                      s.StartSource == 0 && s.StartInverse == 0 && s.ThresholdComp1 == 0.0;
    Check(zero, what);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    directory = MakeScratchDirectory();
    filePath = std::string(directory) + "/quilmar.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const uint8_t sizeChoice = size > 0 ? data[0] : 0;
    const uint8_t queryChoice = size > 1 ? data[1] : 0;
    const size_t skipped = size < 2 ? size : 2;
    WriteInputFile(filePath.c_str(), data + skipped, size - skipped);
    const size_t fileSize = size - skipped;

    const uint32_t bufferSize = sizeChoice % 4 == 0 ? kSettingsValueBufferSize : sizeChoice % 140u;
    CheckRead(kQueries[queryChoice % kQueryCount], kDefaults[(queryChoice >> 5) % 3], bufferSize,
              fileSize);

    LoadSettingsFromFile(filePath.c_str());
    const SynthSettingsRecord first = SynthSettings;
    CheckLoadedFromFile();
    LoadSettingsFromFile(filePath.c_str());
    Check(SameRecord(first, SynthSettings), "two loads of one file differ");

    // A directory where the file should be reads as no file at all, and
    // nothing of the load before survives.
    LoadSettingsFromFile(directory);
    CheckAllZero("a directory did not read as a missing file");
    return 0;
}
