// Every block of program output in the Markdown documents (README.md for
// users, HACKING.md for people changing the code) and the man pages names the
// file it shows, and must equal it byte for byte. Those files are the
// expected output of end-to-end cases or of the install's own program, which
// the suite compares with a real run, so an example in the documentation is
// what the program prints.
//
// Markers:
//   *.md          a line "<!-- example: <path> -->" right before a fenced
//                 block; fences other than ```sh, ```bat and ```ini (commands and
//                 input files) must carry one.
//   man/*.1, .3, .5  a line ".\" example: <path>" right before .EX; every .EX
//                 carries either that or ".\" not output: <what it is>".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSourceDir = QUILMAR_SOURCE_DIR;

struct Block {
    std::string where;   // document:line of the block's first line
    std::string source;  // the file named by the marker; empty: unmarked
    bool output;         // marked as an example (false: "not output")
    std::string text;    // the block as the program would print it
    std::string error;   // a roff escape the check cannot read
};

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool ReadFile(const fs::path &path, std::string *text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool StartsWith(const std::string &text, const std::string &prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return text.substr(start);
}

// The path in "<!-- example: path -->", or "" when line is no marker.
std::string MarkdownMarker(const std::string &line) {
    const std::string open = "<!-- example:";
    const std::string close = "-->";
    const std::string t = Trimmed(line);
    if (!StartsWith(t, open) || t.size() < open.size() + close.size() ||
        t.compare(t.size() - close.size(), close.size(), close) != 0) {
        return "";
    }
    return Trimmed(t.substr(open.size(), t.size() - open.size() - close.size()));
}

std::vector<Block> MarkdownBlocks(const std::string &name, const std::string &text) {
    std::vector<Block> blocks;
    const std::vector<std::string> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!StartsWith(lines[i], "```")) continue;
        const std::string language = Trimmed(lines[i].substr(3));
        Block block;
        block.where = name + ":" + std::to_string(i + 1);
        block.source = i > 0 ? MarkdownMarker(lines[i - 1]) : "";
        block.output = !block.source.empty();
        size_t end = i + 1;
        for (; end < lines.size() && !StartsWith(lines[end], "```"); ++end) {
            block.text += lines[end] + "\n";
        }
        if (block.output || (language != "sh" && language != "bat" && language != "ini")) {
            blocks.push_back(block);
        }
        i = end;
    }
    return blocks;
}

// Text of a roff line inside .EX/.EE as it prints, or false with the escape
// that is not one of those an example needs.
bool Unescape(const std::string &line, std::string *out, std::string *error) {
    static const struct {
        const char *escape;
        const char *text;
    } kEscapes[] = {{"\\e", "\\"},   {"\\-", "-"},   {"\\&", ""},    {"\\(aq", "'"},
                    {"\\(dq", "\""}, {"\\(ga", "`"}, {"\\(ti", "~"}, {"\\(ha", "^"},
                    {"\\(rs", "\\"}, {"\\(lB", "["}, {"\\(rB", "]"}};
    out->clear();
    for (size_t i = 0; i < line.size();) {
        if (line[i] != '\\') {
            *out += line[i++];
            continue;
        }
        bool known = false;
        for (const auto &e : kEscapes) {
            if (line.compare(i, std::char_traits<char>::length(e.escape), e.escape) == 0) {
                *out += e.text;
                i += std::char_traits<char>::length(e.escape);
                known = true;
                break;
            }
        }
        if (!known) {
            *error = "escape '" + line.substr(i, 4) + "' in an example";
            return false;
        }
    }
    return true;
}

std::vector<Block> ManBlocks(const std::string &name, const std::string &text) {
    std::vector<Block> blocks;
    const std::string exampleMarker = ".\\\" example:";
    const std::string otherMarker = ".\\\" not output:";
    const std::vector<std::string> lines = Lines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (Trimmed(lines[i]) != ".EX") continue;
        Block block;
        block.where = name + ":" + std::to_string(i + 1);
        const std::string before = i > 0 ? lines[i - 1] : "";
        block.output = StartsWith(before, exampleMarker);
        if (block.output) {
            block.source = Trimmed(before.substr(exampleMarker.size()));
        } else if (StartsWith(before, otherMarker)) {
            block.source = "-";
        }
        size_t end = i + 1;
        for (; end < lines.size() && Trimmed(lines[end]) != ".EE"; ++end) {
            std::string printed;
            if (block.output && block.error.empty() &&
                !Unescape(lines[end], &printed, &block.error)) {
                block.error = "line " + std::to_string(end + 1) + ": " + block.error;
            }
            block.text += printed + "\n";
        }
        blocks.push_back(block);
        i = end;
    }
    return blocks;
}

struct Document {
    std::string name;  // relative to the source folder
    std::string text;
};

bool IsMarkdown(const std::string &name) {
    const std::string extension = ".md";
    return name.size() > extension.size() &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

std::vector<Document> Documents() {
    std::vector<std::string> names = {"README.md", "HACKING.md"};
    std::vector<std::string> pages;
    for (const auto &entry : fs::directory_iterator(kSourceDir / "man")) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".1" || extension == ".3" || extension == ".5") {
            pages.push_back("man/" + entry.path().filename().string());
        }
    }
    std::sort(pages.begin(), pages.end());
    names.insert(names.end(), pages.begin(), pages.end());
    std::vector<Document> documents;
    for (const std::string &name : names) {
        Document document{name, ""};
        EXPECT_TRUE(ReadFile(kSourceDir / name, &document.text)) << "cannot read " << name;
        documents.push_back(document);
    }
    return documents;
}

std::vector<Block> BlocksOf(const Document &document) {
    if (IsMarkdown(document.name)) return MarkdownBlocks(document.name, document.text);
    return ManBlocks(document.name, document.text);
}

// What is wrong with a marked block, or "" when it equals its source.
std::string Mismatch(const Block &block) {
    if (!block.error.empty()) return block.where + ": " + block.error;
    std::string expected;
    if (!ReadFile(kSourceDir / block.source, &expected)) {
        return block.where + ": cannot read " + block.source;
    }
    if (block.text == expected) return "";
    const std::vector<std::string> shown = Lines(block.text);
    const std::vector<std::string> wanted = Lines(expected);
    size_t line = 0;
    while (line < shown.size() && line < wanted.size() && shown[line] == wanted[line]) ++line;
    return block.where + ": differs from " + block.source + " at its line " +
           std::to_string(line + 1) +
           ":\n  shown: " + (line < shown.size() ? shown[line] : "(end)") +
           "\n  file:  " + (line < wanted.size() ? wanted[line] : "(end)");
}

TEST(DocExamples, EveryMarkedExampleEqualsItsFile) {
    int checked = 0;
    for (const Document &document : Documents()) {
        for (const Block &block : BlocksOf(document)) {
            if (!block.output) continue;
            EXPECT_EQ(Mismatch(block), "");
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

TEST(DocExamples, EveryBlockThatCouldBeOutputIsMarked) {
    for (const Document &document : Documents()) {
        for (const Block &block : BlocksOf(document)) {
            EXPECT_FALSE(block.source.empty())
                << block.where << ": a block without a marker; name the file it shows ("
                << (IsMarkdown(document.name) ? "<!-- example: path -->" : ".\\\" example: path")
                << ") or, in a man page, say what it is (.\\\" not output: ...)";
        }
    }
}

// The examples a reader meets first stay tied to the runs that check them.
TEST(DocExamples, TheMainExamplesAreChecked) {
    std::set<std::string> sources;
    for (const Document &document : Documents()) {
        for (const Block &block : BlocksOf(document)) {
            if (block.output) sources.insert(document.name + " " + block.source);
        }
    }
    for (const char *wanted :
         {"README.md tests/e2e/demo/expected.out",
          "README.md tests/e2e/cases/replay-changed-settings/expected.err",
          "man/quilmar.1 tests/e2e/cases/reference-example/expected.out",
          "man/zkt.ini.5 tests/e2e/cases/reference-example/expected.trace",
          "README.md tests/install/list_boards.out", "README.md tests/install/list_boards.trace",
          "man/zkt.3 tests/install/list_boards.out"}) {
        EXPECT_EQ(sources.count(wanted), 1u) << "no checked example: " << wanted;
    }
}

TEST(DocExamples, AnExampleThatDiffersFromItsFileIsReported) {
    const std::string source = "tests/e2e/cases/bad-library-config/expected.err";
    std::string file;
    ASSERT_TRUE(ReadFile(kSourceDir / source, &file));
    ASSERT_FALSE(file.empty());

    std::string readme = "<!-- example: " + source + " -->\n```\n" + file + "```\n";
    std::vector<Block> blocks = MarkdownBlocks("README.md", readme);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Mismatch(blocks[0]), "");

    std::string changed = file;
    changed[0] = changed[0] == 'x' ? 'y' : 'x';
    blocks =
        MarkdownBlocks("README.md", "<!-- example: " + source + " -->\n```\n" + changed + "```\n");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_NE(Mismatch(blocks[0]), "");

    // The same text in a man page, where '-' and '\' are escaped.
    std::string page = ".\\\" example: " + source + "\n.EX\n";
    for (char c : file) {
        if (c == '-') {
            page += "\\-";
        } else if (c == '\\') {
            page += "\\e";
        } else {
            page += c;
        }
    }
    page += ".EE\n";
    blocks = ManBlocks("page.5", page);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(Mismatch(blocks[0]), "");

    blocks = ManBlocks("page.5", ".\\\" example: " + source + "\n.EX\n\\fBbold\\fR\n.EE\n");
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_NE(blocks[0].error, "");
}

}  // namespace
