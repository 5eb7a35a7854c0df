// Reading one key of a profile file. Every answer here is the one the
// Windows profile reader gives, so the same cases run on both systems.
#include "platform/platform.h"

#include <cstring>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/utf16_text.h"

namespace {

using namespace std::string_literals;

struct ProfileCase {
    const char *what;
    std::string fileText;
    const char *section;
    const char *key;
    const char *expected;
};

std::string ReadKey(const std::string &path, const char *section, const char *key,
                    const char *defaultText = "0", uint32_t size = 128) {
    char buffer[128];
    uint32_t count =
        PlatformReadProfileString(section, key, defaultText, buffer, size, path.c_str());
    EXPECT_EQ(count, std::strlen(buffer)) << "count returned for " << section << "/" << key;
    return buffer;
}

// Each case has its own file: profile readers may cache a file by name.
void RunCases(const ProfileCase *cases, size_t count) {
    TempDir dir;
    for (size_t i = 0; i < count; ++i) {
        const ProfileCase &c = cases[i];
        std::string path = dir.WriteFile("case" + std::to_string(i) + ".ini", c.fileText);
        EXPECT_EQ(ReadKey(path, c.section, c.key), c.expected) << c.what;
    }
}

const std::string kLongLine(100000, 'x');

const ProfileCase kNameCases[] = {
    {"plain key", "[Option]\nOutputFreq=150\n", "Option", "OutputFreq", "150"},
    {"section and key case", "[OPTION]\noutputfreq=150\n", "Option", "OutputFreq", "150"},
    {"asked in another case", "[Option]\nOutputFreq=150\n", "oPTION", "OUTPUTFREQ", "150"},
    {"blanks around key", "[Option]\n  OutputFreq  =150\n", "Option", "OutputFreq", "150"},
    {"tabs around key", "[Option]\n\tOutputFreq\t=150\n", "Option", "OutputFreq", "150"},
    {"blanks before section", "  [Option]\nOutputFreq=150\n", "Option", "OutputFreq", "150"},
    {"text after section", "[Option] anything\nOutputFreq=150\n", "Option", "OutputFreq", "150"},
    {"longer key name", "[Option]\nOutputFreqX=1\nOutputFreq=2\n", "Option", "OutputFreq", "2"},
    {"shorter key name", "[Option]\nOutputFre=1\n", "Option", "OutputFreq", "0"},
    {"longer section name", "[Options]\nOutputFreq=1\n", "Option", "OutputFreq", "0"},
    {"other section", "[Other]\nOutputFreq=1\n", "Option", "OutputFreq", "0"},
    {"other section first", "[Other]\nOutputFreq=1\n[Option]\nOutputFreq=2\n", "Option",
     "OutputFreq", "2"},
    {"key before any section", "OutputFreq=1\n[Option]\nStartStb=1\n", "Option", "OutputFreq", "0"},
    {"first key wins", "[Option]\nOutputFreq=1\noutputfreq=2\n", "Option", "OutputFreq", "1"},
    {"first section wins", "[Option]\nOutputFreq=1\n[Other]\n[option]\nOutputFreq=2\n", "Option",
     "OutputFreq", "1"},
    {"repeated section not merged", "[Option]\nStartStb=1\n[Other]\n[Option]\nOutputFreq=2\n",
     "Option", "OutputFreq", "0"},
    {"key without equals", "[Option]\nOutputFreq\n", "Option", "OutputFreq", "0"},
    {"key without equals hides later", "[Option]\nOutputFreq\nOutputFreq=5\n", "Option",
     "OutputFreq", "0"},
    {"comment line", "[Option]\n;OutputFreq=5\n", "Option", "OutputFreq", "0"},
    {"semicolon line is a key of its own", "[Option]\n;OutputFreq=1\n", "Option", ";OutputFreq",
     "1"},
    {"indented comment line", "[Option]\n  ; OutputFreq=5\n", "Option", "OutputFreq", "0"},
    {"comment does not hide", "[Option]\n;OutputFreq=5\nOutputFreq=6\n", "Option", "OutputFreq",
     "6"},
};

// A header is '[' up to the last ']' of its line; a '[' line without one is
// an ordinary line of the section it stands in.
const ProfileCase kHeaderCases[] = {
    {"blanks inside brackets", "[ Option ]\nOutputFreq=1\n", "Option", "OutputFreq", "1"},
    {"unclosed header is no header", "[Option\nOutputFreq=1\n", "Option", "OutputFreq", "0"},
    {"unclosed header keeps the section", "[Option]\nStartStb=3\n[Other\nOutputFreq=1\n", "Option",
     "OutputFreq", "1"},
    {"lone bracket keeps the section", "[Option]\n[\nOutputFreq=1\n", "Option", "OutputFreq", "1"},
    {"unclosed header line is a key line", "[Option]\n[OutputFreq=1\nOutputFreq=2\n", "Option",
     "OutputFreq", "2"},
    {"name runs to the last bracket", "[Option]]\nOutputFreq=1\n", "Option", "OutputFreq", "0"},
    {"bracket inside the name", "[Opt]ion]\nOutputFreq=1\n", "Opt", "OutputFreq", "0"},
    {"bracket in the text after", "[Option] ; see [x]\nOutputFreq=1\n", "Option", "OutputFreq",
     "0"},
    {"second bracket after blank", "[Option] ]\nOutputFreq=1\n", "Option", "OutputFreq", "0"},
    {"equals in unclosed header", "[Option=1\nOutputFreq=3\n", "Option=1", "OutputFreq", "0"},
};

const ProfileCase kValueCases[] = {
    {"blanks around value", "[Option]\nOutputFreq=  150  \n", "Option", "OutputFreq", "150"},
    {"tabs around value", "[Option]\nOutputFreq=\t150\t\n", "Option", "OutputFreq", "150"},
    {"blanks inside value", "[Option]\nOutputFreq= 1 5 0 \n", "Option", "OutputFreq", "1 5 0"},
    {"equals in value", "[Option]\nOutputFreq=a=b\n", "Option", "OutputFreq", "a=b"},
    {"no inline comment", "[Option]\nOutputFreq = 1.5e2 ; x\n", "Option", "OutputFreq",
     "1.5e2 ; x"},
    {"empty value", "[Option]\nOutputFreq=\n", "Option", "OutputFreq", ""},
    {"blank value", "[Option]\nOutputFreq=   \n", "Option", "OutputFreq", ""},
    {"double quotes", "[Option]\nOutputFreq=\"1.5e2\"\n", "Option", "OutputFreq", "1.5e2"},
    {"single quotes", "[Option]\nOutputFreq='1.5e2'\n", "Option", "OutputFreq", "1.5e2"},
    {"blanks inside quotes", "[Option]\nOutputFreq=\" 12 \"\n", "Option", "OutputFreq", " 12 "},
    {"empty quotes", "[Option]\nOutputFreq=\"\"\n", "Option", "OutputFreq", ""},
    {"mismatched quotes", "[Option]\nOutputFreq=\"12'\n", "Option", "OutputFreq", "\"12'"},
    {"opening quote only", "[Option]\nOutputFreq=\"12\n", "Option", "OutputFreq", "\"12"},
    {"lone quote", "[Option]\nOutputFreq=\"\n", "Option", "OutputFreq", "\""},
    {"one pair only", "[Option]\nOutputFreq=\"\"12\"\"\n", "Option", "OutputFreq", "\"12\""},
};

const ProfileCase kLayoutCases[] = {
    {"CRLF lines", "[Option]\r\nOutputFreq=7\r\nStartStb=1\r\n", "Option", "OutputFreq", "7"},
    {"CR lines", "[Option]\rOutputFreq=7\rStartStb=1", "Option", "OutputFreq", "7"},
    {"CR lines, last key", "[Option]\rOutputFreq=7\rStartStb=1", "Option", "StartStb", "1"},
    {"no final newline", "[Option]\nOutputFreq=9", "Option", "OutputFreq", "9"},
    {"byte order mark", "\xEF\xBB\xBF[Option]\nOutputFreq=8\n", "Option", "OutputFreq", "8"},
    {"UTF-16LE with byte order mark", Utf16("[Option]\nStartStb=7\n", false), "Option", "StartStb",
     "7"},
    {"UTF-16BE with byte order mark", Utf16("[Option]\nStartStb=7\n", true), "Option", "StartStb",
     "7"},
    // U+0141 and U+013D have the low bytes of 'A' and '='; how else they are
    // narrowed is the system's business.
    {"UTF-16LE above U+00FF", Utf16(u"[Option]\nSt\u0141rtStb=5\nStartStb=7\n", false), "Option",
     "StartStb", "7"},
    {"UTF-16BE above U+00FF", Utf16(u"[Option]\nStartStb\u013D5\nStartStb=7\n", true), "Option",
     "StartStb", "7"},
    {"empty file", "", "Option", "OutputFreq", "0"},
    {"blank lines", "\n\n[Option]\n\n\nOutputFreq=4\n\n", "Option", "OutputFreq", "4"},
    {"enormous line before", kLongLine + "\n[Option]\nOutputFreq=5\n", "Option", "OutputFreq", "5"},
    {"enormous line in section", "[Option]\n" + kLongLine + "\nOutputFreq=5\n", "Option",
     "OutputFreq", "5"},
    {"NUL and garbage before", "junk\x01\0\x02\x7f\xfe\n[Option]\nOutputFreq=5\n"s, "Option",
     "OutputFreq", "5"},
    {"NUL and garbage in section", "[Option]\n\x01\0=\xfe\nOutputFreq=5\n"s, "Option", "OutputFreq",
     "5"},
};

TEST(ProfileReader, MatchesSectionsAndKeys) { RunCases(kNameCases, std::size(kNameCases)); }

TEST(ProfileReader, FindsSectionHeaders) { RunCases(kHeaderCases, std::size(kHeaderCases)); }

TEST(ProfileReader, TrimsAndUnquotesValues) { RunCases(kValueCases, std::size(kValueCases)); }

TEST(ProfileReader, ReadsAnyLineLayout) { RunCases(kLayoutCases, std::size(kLayoutCases)); }

TEST(ProfileReader, MissingFileOrDirectoryGivesDefault) {
    TempDir dir;
    std::string missing = (dir.Path() / "absent.ini").string();
    EXPECT_EQ(ReadKey(missing, "Option", "OutputFreq"), "0");
    EXPECT_EQ(ReadKey(missing, "Option", "OutputFreq", "default text"), "default text");
    EXPECT_EQ(ReadKey(missing, "Option", "OutputFreq", "0   "), "0");  // trailing blanks go
    EXPECT_EQ(ReadKey(dir.Path().string(), "Option", "OutputFreq"), "0");
}

struct CutCase {
    const char *what;
    const char *fileText;
    const char *defaultText;
    uint32_t size;
    const char *expected;
};

TEST(ProfileReader, CutsToTheBuffer) {
    const CutCase cases[] = {
        {"value fits", "[Option]\nOutputFreq=123456789\n", "0", 10, "123456789"},
        {"value one too long", "[Option]\nOutputFreq=123456789\n", "0", 9, "12345678"},
        {"value cut", "[Option]\nOutputFreq=123456789\n", "0", 5, "1234"},
        {"room for NUL only", "[Option]\nOutputFreq=123456789\n", "0", 1, ""},
        {"quoted value cut", "[Option]\nOutputFreq=\"123456\"\n", "0", 4, "123"},
        {"default cut", "[Other]\nOutputFreq=1\n", "abcdef", 4, "abc"},
    };
    TempDir dir;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const CutCase &c = cases[i];
        std::string path = dir.WriteFile("cut" + std::to_string(i) + ".ini", c.fileText);
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        uint32_t count = PlatformReadProfileString("Option", "OutputFreq", c.defaultText, buffer,
                                                   c.size, path.c_str());
        EXPECT_STREQ(buffer, c.expected) << c.what;
        EXPECT_EQ(count, std::strlen(c.expected)) << c.what;
        for (size_t j = c.size; j < sizeof buffer; ++j) {
            EXPECT_EQ(buffer[j], '#') << c.what << ": byte " << j << " written past the buffer";
        }
    }
}

TEST(ProfileReader, EnormousValueIsCutTo127Characters) {
    TempDir dir;
    std::string path = dir.WriteFile("long.ini", "[Option]\nOutputFreq=" + kLongLine + "\n");
    EXPECT_EQ(ReadKey(path, "Option", "OutputFreq"), std::string(127, 'x'));
}

}  // namespace
