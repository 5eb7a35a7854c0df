// zktdump: writes the zkt.ini of the boards that the board access library
// reports, so that the simulated library replays them on another machine.
#include <cstdio>
#include <string>

#include "boardlib/zkt_reach.h"
#include "cmdline/command_line.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "zktdump/inventory.h"
#include "zktdump/render_ini.h"
#include "zktdump/write_output.h"

namespace {

const CommandLineProgram kCommandLine = {
    "zktdump",
    "usage: zktdump [FILE]\n"
    "       zktdump --help | --version\n",
    "Writes the zkt.ini of the boards that the board access library reports:\n"
    "to standard output, or into FILE, which is replaced only once the dump is\n"
    "complete. Only the inventory operations are called (no capture, no command).\n"
    "\n"
    "  -h, --help   print this help and exit\n"
    "  --version    print the version and exit\n"
    "  --           end the options: FILE may then start with -\n",
    true,
};

constexpr int kExitWriteFailed = 1;
constexpr int kExitCaptureFailed = 1;

// Big enough for the records of every device; one per run.
Inventory inventory;

// Says why the output could not be written.
int WriteFailed(const char *message) {
    std::fprintf(stderr, "zktdump: %s\n", EscapedControls(message).c_str());
    return kExitWriteFailed;
}

}  // namespace

int main(int argc, char **argv) {
    unsigned openedStreams = 0;
    const char *path = nullptr;
    const int answered = StartProgram(kCommandLine, argc, argv, &openedStreams, &path);
    if (answered != kCommandLineRun) return answered;
    if (!ZktReachLibrary("zktdump", kInventoryOperations)) return 1;
    const bool outputClosed = (openedStreams & kStandardOutputOpened) != 0;

    char message[4400];
    DumpOutput output;
    if (!OpenOutput(path, outputClosed, &output, message, sizeof message)) {
        return WriteFailed(message);
    }

    CollectInventory(&inventory);
    // A library that did not start has no boards to report: a dump of none
    // would stand for a capture that never happened.
    if (!ZktSucceeded(inventory.initResult)) {
        AbandonOutput(&output);
        std::fprintf(stderr, "zktdump: ZKT_init failed, returning %d (0x%08x): no dump written\n",
                     static_cast<int>(inventory.initResult),
                     static_cast<unsigned>(inventory.initResult));
        return kExitCaptureFailed;
    }
    const std::string form = ZktReachedForm();
    if (!form.empty()) {
        std::snprintf(inventory.formLine, sizeof inventory.formLine, "; ZKT.DLL: %s\n",
                      form.c_str());
    }
    std::string text;
    std::string notes;
    RenderZktIni(inventory, &text, &notes);
    std::string shownNotes;
    AppendPrefixedLines(&shownNotes, "zktdump: ", notes);
    std::fputs(shownNotes.c_str(), stderr);

    return FinishOutput(&output, text, message, sizeof message) ? 0 : WriteFailed(message);
}
