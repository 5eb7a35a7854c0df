// Loading the settings record from quilmar.ini through the key table.
#include "settings/settings.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

// Every field non-zero, so a load that skips a field shows.
void Scribble() { std::memset(&SynthSettings, 0x5A, sizeof SynthSettings); }

// Every field by name, each double to 17 digits, so that two records show
// alike only when every field is equal: a failure shows the fields that differ.
std::string Shown(const SynthSettingsRecord &s) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "RefClockSource=%d RefClockValue=%.17g OutputFreq=%.17g LengthStb=%d "
                  "PolarityStb=%d DelayStb=%d PeriodStb=%d NumberStb=%d ContStb=%d StartStb=%d "
                  "StartSource=%d StartInverse=%d ThresholdComp1=%.17g",
                  s.RefClockSource, s.RefClockValue, s.OutputFreq, s.LengthStb, s.PolarityStb,
                  s.DelayStb, s.PeriodStb, s.NumberStb, s.ContStb, s.StartStb, s.StartSource,
                  s.StartInverse, s.ThresholdComp1);
    return text;
}

void ExpectSettings(const SynthSettingsRecord &expected) {
    EXPECT_EQ(Shown(SynthSettings), Shown(expected));
}

void ExpectAllZero() { ExpectSettings(SynthSettingsRecord{}); }

// Each key its own value; each has a fraction, so an integer key read as a
// double (or the reverse) shows too.
const char kFullFile[] =
    "[Option]\n"
    "RefClockSource=1.9\n"
    "RefClockValue=10000000.25\n"
    "OutputFreq=1.5e2\n"
    "LengthStb=4.5\n"
    "PolarityStb=5.5\n"
    "DelayStb=6.5\n"
    "PeriodStb=7.5\n"
    "NumberStb=8.5\n"
    "ContStb=9.5\n"
    "StartStb=1.5\n"
    "StartSource=11.5\n"
    "StartInverse=12.5\n"
    "ThresholdComp1=-0.75\n";

void ExpectFullFileValues() {
    ExpectSettings(SynthSettingsRecord{1, 10000000.25, 150.0, 4, 5, 6, 7, 8, 9, 1, 11, 12, -0.75});
}

TEST(LoadSettings, EveryKeyReachesItsOwnField) {
    TempDir dir;
    Scribble();
    LoadSettingsFromFile(dir.WriteFile("full.ini", kFullFile).c_str());
    ExpectFullFileValues();
}

TEST(LoadSettings, MissingFileGivesZeroEverywhere) {
    TempDir dir;
    Scribble();
    LoadSettingsFromFile((dir.Path() / "absent.ini").string().c_str());
    ExpectAllZero();
    Scribble();
    LoadSettingsFromFile("");
    ExpectAllZero();
    Scribble();
    LoadSettingsFromFile(nullptr);
    ExpectAllZero();
}

TEST(LoadSettings, KeysUnderAnotherSectionGiveZero) {
    TempDir dir;
    std::string text = kFullFile;
    text.replace(0, std::strlen("[Option]"), "[Options]");
    Scribble();
    LoadSettingsFromFile(dir.WriteFile("other.ini", text).c_str());
    ExpectAllZero();
}

TEST(LoadSettings, NoEarlierValueSurvives) {
    TempDir dir;
    LoadSettingsFromFile(dir.WriteFile("full.ini", kFullFile).c_str());
    LoadSettingsFromFile(dir.WriteFile("one.ini", "[Option]\nContStb=3\n").c_str());
    EXPECT_EQ(SynthSettings.ContStb, 3);
    SynthSettings.ContStb = 0;
    ExpectAllZero();
}

TEST(LoadSettings, MalformedValuesGiveTheirPrefix) {
    TempDir dir;
    std::string path = dir.WriteFile("odd.ini",
                                     "[Option]\n"
                                     "OutputFreq=1.5e2\n"
                                     "LengthStb=12abc\n"
                                     "DelayStb=abc\n"
                                     "PeriodStb=\n"
                                     "NumberStb=99999999999\n"
                                     "ContStb=-99999999999\n"
                                     "RefClockValue=0x10\n"
                                     "ThresholdComp1=1.5d2\n");
    Scribble();
    LoadSettingsFromFile(path.c_str());
    EXPECT_EQ(SynthSettings.OutputFreq, 150.0);
    EXPECT_EQ(SynthSettings.LengthStb, 12);
    EXPECT_EQ(SynthSettings.DelayStb, 0);
    EXPECT_EQ(SynthSettings.PeriodStb, 0);
    EXPECT_EQ(SynthSettings.NumberStb, 2147483647);
    EXPECT_EQ(SynthSettings.ContStb, -2147483647 - 1);
    EXPECT_EQ(SynthSettings.RefClockValue, 0.0);
    EXPECT_EQ(SynthSettings.ThresholdComp1, 1.5);
}

TEST(LoadSettings, StartStbKeepsItsValue) {
    TempDir dir;
    LoadSettingsFromFile(dir.WriteFile("start1.ini", "[Option]\nStartStb=1\n").c_str());
    EXPECT_EQ(SynthSettings.StartStb, 1);
    LoadSettingsFromFile(dir.WriteFile("start2.ini", "[Option]\nStartStb=2\n").c_str());
    EXPECT_EQ(SynthSettings.StartStb, 2);
}

TEST(LoadSettings, ValuesAreCutTo127Characters) {
    // The 128th character is a 7 that only an uncut value would see.
    TempDir dir;
    std::string path =
        dir.WriteFile("long.ini",
                      "[Option]\n"
                      "LengthStb=" +
                          std::string(126, '0') + "7\n" + "PeriodStb=" + std::string(127, '0') +
                          "7\n" + "OutputFreq=0." + std::string(125, '0') + "5\n");
    LoadSettingsFromFile(path.c_str());
    EXPECT_EQ(SynthSettings.LengthStb, 7);
    EXPECT_EQ(SynthSettings.PeriodStb, 0);
    EXPECT_EQ(SynthSettings.OutputFreq, 0.0);
}

class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path &dir)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

TEST(LoadSettings, ReadsQuilmarIniInTheCurrentDirectory) {
    TempDir dir;
    dir.WriteFile("quilmar.ini", kFullFile);
    Scribble();
    {
        CurrentDirectory inside(dir.Path());
        LoadSettings();
    }
    ExpectFullFileValues();

    TempDir empty;
    Scribble();
    {
        CurrentDirectory inside(empty.Path());
        LoadSettings();
    }
    ExpectAllZero();
}

}  // namespace
