// zktdump: writes the zkt.ini of the boards that the board access library
// reports, so that the simulated library replays them on another machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "quilmar_version.h"
#include "textesc/text_escape.h"
#include "zktdump/inventory.h"
#include "zktdump/render_ini.h"
#include "zktdump/write_output.h"

namespace {

const char kUsage[] =
    "usage: zktdump [FILE]\n"
    "       zktdump --help | --version\n"
    "Writes the zkt.ini of the boards that the board access library reports:\n"
    "to standard output, or into FILE, which is replaced only once the dump is\n"
    "complete. Only the inventory operations are called (no capture, no command).\n";

constexpr int kExitWriteFailed = 1;
constexpr int kExitUsage = 2;

// Big enough for the records of every device; one per run.
Inventory inventory;

void PrintNotes(const std::string &notes) {
    size_t at = 0;
    while (at < notes.size()) {
        const size_t end = notes.find('\n', at);
        std::fprintf(stderr, "zktdump: %.*s\n", static_cast<int>(end - at), notes.c_str() + at);
        at = end + 1;
    }
}

// Help or the version that could not be written fails like a dump would.
int Answer(const std::string &text, bool outputClosed) {
    char message[4400];
    if (!WriteOutput(nullptr, outputClosed, text, message, sizeof message)) {
        std::fprintf(stderr, "zktdump: %s\n", EscapedControls(message).c_str());
        return kExitWriteFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    const unsigned openedStreams = PlatformEnsureStandardStreams();
    const bool outputClosed = (openedStreams & kStandardOutputOpened) != 0;
    PlatformStartUp();
    const char *path = nullptr;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return Answer(kUsage, outputClosed);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        return Answer(std::string("zktdump ") + QUILMAR_VERSION + "\n", outputClosed);
    }
    const bool option = argc == 2 && argv[1][0] == '-' && argv[1][1] != '\0';
    if (argc > 2 || option || (argc == 2 && argv[1][0] == '\0')) {
        if (option) {
            std::fprintf(stderr, "zktdump: unknown option '%s'\n",
                         EscapedControls(argv[1]).c_str());
        } else if (argc > 2) {
            std::fprintf(stderr, "zktdump: one output file at most\n");
        } else {
            std::fprintf(stderr, "zktdump: empty file name\n");
        }
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    // "-" names standard output, as no argument does.
    if (argc == 2 && std::strcmp(argv[1], "-") != 0) path = argv[1];

    CollectInventory(&inventory);
    std::string text;
    std::string notes;
    RenderZktIni(inventory, &text, &notes);
    PrintNotes(notes);

    char message[4400];
    if (!WriteOutput(path, outputClosed, text, message, sizeof message)) {
        std::fprintf(stderr, "zktdump: %s\n", EscapedControls(message).c_str());
        return kExitWriteFailed;
    }
    return 0;
}
