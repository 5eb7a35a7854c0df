// The simulated boards as zkt.ini describes them: a plain table filled once by
// ZKT_init. Text fields have the sizes of the library records, so a text cut
// to its field carries no NUL exactly as the caller will receive it.
#ifndef QUILMAR_SIM_SIM_CONFIG_H
#define QUILMAR_SIM_SIM_CONFIG_H

#include <cstddef>
#include <cstdint>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_ops.h"
#include "sim/sim_dds.h"
#include "zktini/zkt_ini_limits.h"

// A unit and a service are kept as the library hands them out.
using SimUnit = PuItem;
using SimService = ServiceItem;

struct SimStatusOverride {
    int32_t code;
    uint32_t status;
};

struct SimPayloadWrite {
    int32_t offset;
    bool isDouble;
    int32_t intValue;
    double doubleValue;
};

struct SimWriteOverride {
    int32_t code;
    int32_t writeCount;
    SimPayloadWrite writes[kZktIniMaxPayloadWrites];
};

// An optional integer from zkt.ini: used only when set.
struct SimOptionalInt {
    bool set;
    int32_t value;
};

struct SimBoard {
    char name[ZKT_BOARD_NAME_SIZE];
    uint32_t idWord;
    int32_t bus;
    int32_t dev;
    int32_t slot;
    uint32_t lid;

    SimUnit units[kZktIniMaxUnits];
    int32_t unitCount;
    SimService services[kZktIniMaxServices];
    int32_t serviceCount;

    SimOptionalInt openResult;     // Open = fail / OpenHandle
    bool infoFails;                // Info = fail
    bool infoWritesOnFailure;      // InfoRecord = written
    SimOptionalInt captureMode;    // CaptureMode; else the mode asked for
    SimOptionalInt captureResult;  // Capture = fail / CaptureHandle
    SimOptionalInt reportedUnitCount;
    SimOptionalInt reportedServiceCount;

    SimStatusOverride statusOverrides[kZktIniMaxStatusOverrides];
    int32_t statusOverrideCount;
    SimWriteOverride writeOverrides[kZktIniMaxWriteOverrides];
    int32_t writeOverrideCount;

    SimDdsLimits dds;
};

struct SimConfig {
    char tracePath[kZktIniMaxPathSize];   // empty: no trace
    char replayPath[kZktIniMaxPathSize];  // empty: the boards below answer
    int replayLine;                       // the line of zkt.ini that names it
    ZktOperation crashIn;  // Crash, for tests: this operation crashes; kZktOperationCount: none
    SimOptionalInt reportedDeviceCount;
    SimBoard boards[kZktIniMaxBoards];
    int32_t boardCount;
};

// An empty configuration: no boards, no trace.
void SimClearConfig(SimConfig *config);

// Parses zkt.ini text (length bytes, NULs rejected): UTF-8 with or without
// its byte order mark, or UTF-16 with it; lines end in CRLF, LF or a lone CR.
// fileLabel names the file in messages. On failure writes one line,
// "<file>:<line>: <problem>" without a newline, into message, clears config
// but for the trace path the text names (ZktIniFindLibraryPath), and returns
// false. Messages hold only printable ASCII: other bytes of the
// file (or its name) appear as \xNN, and a backslash as \\.
bool SimParseConfigText(const char *fileLabel, const char *text, size_t length, SimConfig *config,
                        char *message, size_t messageSize);

enum SimLoadResult { kSimConfigLoaded, kSimConfigMissing, kSimConfigInvalid };

// Reads and parses the file at path. Missing: no such file (config cleared,
// message says so). Invalid: not a regular file (a directory or a named pipe,
// which is never read from), unreadable, too large or malformed (config
// cleared, but a malformed file keeps its trace path; the message gives the
// reason).
SimLoadResult SimLoadConfigFile(const char *path, SimConfig *config, char *message,
                                size_t messageSize);

// The override that applies to code on board, or null.
const SimStatusOverride *SimFindStatusOverride(const SimBoard &board, int32_t code);
const SimWriteOverride *SimFindWriteOverride(const SimBoard &board, int32_t code);

#endif  // QUILMAR_SIM_SIM_CONFIG_H
