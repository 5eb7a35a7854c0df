// A stand-in for the board access library whose answers a test sets up in
// advance, and which logs every call it gets. It writes no more entries than
// the capacity passed, and at most what the script says it writes.
#ifndef QUILMAR_TESTS_ZKTDUMP_SCRIPTED_ZKT_H
#define QUILMAR_TESTS_ZKTDUMP_SCRIPTED_ZKT_H

#include <cstdint>
#include <string>
#include <vector>

#include "boardlib/zkt_api.h"

struct ScriptedBoard {
    uint32_t lid = 0;
    int32_t infoResult = 0;
    bool infoWrites = true;
    BoardInfo info{};  // size ignored
    int32_t openResult = 1;
    int32_t unitResult = 0;
    int32_t unitCount = 0;      // reported
    std::vector<PuItem> units;  // written, up to the capacity
    int32_t serviceResult = 0;
    int32_t serviceCount = 0;
    std::vector<ServiceItem> services;
};

struct Script {
    int32_t result = 0;  // of every call not scripted per board but ZKT_init
    int32_t initResult = 0;
    int32_t initCount = 0;
    bool writesCounts = true;  // false: no count is ever written
    int32_t deviceCount = 0;
    std::vector<uint32_t> lids;  // written, up to the capacity
    // Answers by LID; a LID without a board gets ZKTerr_BAD_MODE and nothing
    // written.
    std::vector<ScriptedBoard> boards;
};

// Replaces the script and empties the log.
void SetScript(const Script &script);

// One line per call, e.g. "open 0x1001 -> 5", "puList 5 cap 32", "cleanup".
const std::vector<std::string> &CallLog();

#endif  // QUILMAR_TESTS_ZKTDUMP_SCRIPTED_ZKT_H
