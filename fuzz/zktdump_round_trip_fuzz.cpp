// The round trip over arbitrary zkt.ini files: quilmar's walk against the
// simulator on the input, zktdump's collection against the same, and the
// walk again on zktdump's text must print the same (the inventory lines
// only when the input gives the synthesizers limits or overrides). The dump
// must read back without error, its calls must leave the library shut, and a
// dump of the dump must be the dump.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "app/walk.h"
#include "fuzz/harness_io.h"
#include "fuzz/sim_run_inputs.h"
#include "settings/settings.h"
#include "sim/sim_config.h"
#include "sim/sim_state.h"
#include "zktdump/inventory.h"
#include "zktdump/render_ini.h"

namespace {

int quietOutput = -1;  // /dev/null, where standard output goes between walks

void Check(bool condition, const char *what, const std::string &detail = std::string()) {
    if (!condition) {
        std::fprintf(stderr, "zktdump round trip fuzz: %s\n%s\n", what, detail.c_str());
        std::abort();
    }
}

std::string ReadWhole(const char *path) {
    std::string text;
    FILE *file = std::fopen(path, "rb");
    Check(file != nullptr, "cannot read back the walk's output");
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    std::fclose(file);
    return text;
}

// quilmar's standard output for zkt.ini as it stands.
std::string Walk() {
    std::fflush(stdout);
    const int fd = open("walk.out", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Check(fd >= 0 && dup2(fd, STDOUT_FILENO) >= 0, "cannot send standard output to a file");
    close(fd);
    WalkDevices();
    std::fflush(stdout);
    Check(dup2(quietOutput, STDOUT_FILENO) >= 0, "cannot put standard output back");
    Check(!SimState().initialised, "the walk left the library started");
    return ReadWhole("walk.out");
}

std::string Dump() {
    static Inventory inventory;
    CollectInventory(&inventory);
    Check(!SimState().initialised, "zktdump left the library started");
    std::string text;
    std::string notes;
    RenderZktIni(inventory, &text, &notes);
    return text;
}

void WriteText(const std::string &text) {
    WriteInputFile("zkt.ini", reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

// Limits or overrides of the synthesizers, which no inventory shows.
bool ShapesTheSynthesizers(const SimConfig &config) {
    const SimDdsLimits d = SimDefaultDdsLimits();
    for (int32_t i = 0; i < config.boardCount; ++i) {
        const SimBoard &b = config.boards[i];
        if (b.captureMode.set || b.captureResult.set || b.statusOverrideCount > 0 ||
            b.writeOverrideCount > 0 || b.dds.internalClock != d.internalClock ||
            b.dds.maxRefClock != d.maxRefClock || b.dds.tuningBits != d.tuningBits ||
            b.dds.thresholdMin != d.thresholdMin || b.dds.thresholdMax != d.thresholdMax) {
            return true;
        }
    }
    return false;
}

std::string InventoryLines(const std::string &output) {
    static const char *const kPrefixes[] = {"Board: ",         "Programable unit ",
                                            "Service ",        "ZKT_close: OK",
                                            "ZKT_cleanup: OK", "Press any key for leaving"};
    std::string kept;
    size_t at = 0;
    while (at < output.size()) {
        size_t end = output.find('\n', at);
        end = end == std::string::npos ? output.size() : end + 1;
        for (const char *prefix : kPrefixes) {
            if (output.compare(at, std::strlen(prefix), prefix) == 0) {
                kept.append(output, at, end - at);
                break;
            }
        }
        at = end;
    }
    return kept;
}

std::string WithoutInitLine(const std::string &dump) {
    const size_t at = dump.find("; ZKT_init returned ");
    if (at == std::string::npos) return dump;
    const size_t end = dump.find('\n', at);
    return dump.substr(0, at) + dump.substr(end + 1);
}

// Too big for the stack; made once.
SimConfig *config = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    StartSimRunHarness();
    quietOutput = open("/dev/null", O_WRONLY | O_CLOEXEC);
    Check(quietOutput >= 0, "cannot open /dev/null");
    static SimConfig readConfig;
    config = &readConfig;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (NamesTraceFile(data, size)) return -1;
    char message[512];
    const bool parsed = SimParseConfigText("zkt.ini", reinterpret_cast<const char *>(data), size,
                                           config, message, sizeof message);
    const bool inventoryOnly = parsed && ShapesTheSynthesizers(*config);

    WriteInputFile("zkt.ini", data, size);
    const std::string original = Walk();
    const std::string dump = Dump();
    Check(SimParseConfigText("dump", dump.data(), dump.size(), config, message, sizeof message),
          message, dump);

    WriteText(dump);
    const std::string replayed = Walk();
    if (inventoryOnly) {
        Check(InventoryLines(original) == InventoryLines(replayed),
              "the inventory differs on the dump", dump);
    } else {
        Check(original == replayed, "the output differs on the dump", dump);
    }
    Check(WithoutInitLine(Dump()) == WithoutInitLine(dump), "the dump of the dump differs", dump);
    return 0;
}
