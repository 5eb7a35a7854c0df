#include "textread/text_lines.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    const char *cursor = text.data();
    const char *const end = text.data() + text.size();
    while (cursor < end) {
        const TextLine line = NextTextLine(&cursor, end);
        lines.emplace_back(line.begin, line.end);
    }
    return lines;
}

struct LinesCase {
    std::string text;
    std::vector<std::string> lines;
};

// Lines longer than the window the ends are looked for in, and ends on
// either side of its edge.
const std::string kLong(300, 'x');
const std::string kEdge(255, 'y');

std::vector<std::string> LoneCrLinesThen(size_t count, const std::string &last) {
    std::vector<std::string> lines(count);
    lines.push_back(last);
    return lines;
}

TEST(NextTextLine, EndsLinesAtLfCrLfOrLoneCr) {
    const LinesCase cases[] = {
        {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},
        {"\n\r\n\r\r\n", {"", "", "", ""}},
        {"last\r\n", {"last"}},
        {kLong + "\r" + kLong + "\n" + kLong, {kLong, kLong, kLong}},
        {kEdge + "\r\n" + kEdge + "z\r\nq", {kEdge, kEdge + "z", "q"}},
        {kEdge + "\r" + "\n", {kEdge}},
        {std::string(1000, '\r') + "end", LoneCrLinesThen(1000, "end")},
    };
    for (const LinesCase &c : cases) {
        EXPECT_EQ(Lines(c.text), c.lines) << c.text.size() << " bytes";
    }
}

}  // namespace
