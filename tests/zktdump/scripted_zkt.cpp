#include "scripted_zkt.h"

#include <cstdio>
#include <cstring>

namespace {

Script script;
std::vector<std::string> callLog;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string Dec(int32_t value) { return std::to_string(value); }

const ScriptedBoard *BoardByLid(uint32_t lid) {
    for (const ScriptedBoard &b : script.boards) {
        if (b.lid == lid) return &b;
    }
    return nullptr;
}

const ScriptedBoard *BoardByHandle(int32_t device) {
    for (const ScriptedBoard &b : script.boards) {
        if (b.openResult == device) return &b;
    }
    return nullptr;
}

void WriteCount(int32_t *count, int32_t value) {
    if (script.writesCounts) *count = value;
}

// A list's answer: the scripted entries, up to the capacity, and the count.
template <typename Item>
void WriteList(const std::vector<Item> &entries, Item *items, int32_t capacity, int32_t *count,
               int32_t reported) {
    for (size_t i = 0; i < entries.size() && static_cast<int32_t>(i) < capacity; ++i) {
        items[i] = entries[i];
    }
    WriteCount(count, reported);
}

}  // namespace

void SetScript(const Script &s) {
    script = s;
    callLog.clear();
}

const std::vector<std::string> &CallLog() { return callLog; }

int32_t ZKT_CALL ZKT_displayMode(int32_t mode) {
    callLog.push_back("displayMode " + Hex(static_cast<uint32_t>(mode)));
    return script.result;
}

int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count) {
    callLog.push_back(std::string("init ") + configFile);
    WriteCount(count, script.initCount);
    return script.initResult;
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    callLog.push_back("lidList cap " + Dec(capacity));
    WriteList(script.lids, lids, capacity, count, script.deviceCount);
    return script.result;
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    callLog.push_back("getInfo " + Hex(lid) + " size " + Dec(static_cast<int32_t>(info->size)));
    const ScriptedBoard *b = BoardByLid(lid);
    if (b == nullptr) return static_cast<int32_t>(ZKTerr_BAD_MODE);
    if (b->infoWrites) {
        const uint32_t size = info->size;
        *info = b->info;
        info->size = size;
    }
    return b->infoResult;
}

int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved) {
    const ScriptedBoard *b = BoardByLid(lid);
    const int32_t result = b == nullptr ? static_cast<int32_t>(ZKTerr_BAD_MODE) : b->openResult;
    callLog.push_back("open " + Hex(lid) + " -> " + Dec(result));
    if (mode != ZKT_OPEN_MODE || reserved != nullptr) callLog.back() += " (bad arguments)";
    return result;
}

int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    callLog.push_back("puList " + Dec(device) + " cap " + Dec(capacity));
    const ScriptedBoard *b = BoardByHandle(device);
    if (b == nullptr) return static_cast<int32_t>(ZKTerr_BAD_MODE);
    WriteList(b->units, items, capacity, count, b->unitCount);
    return b->unitResult;
}

int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                 int32_t capacity, int32_t *count) {
    callLog.push_back("serviceList " + Dec(device) + " cap " + Dec(capacity));
    if (reserved != 0) callLog.back() += " (bad arguments)";
    const ScriptedBoard *b = BoardByHandle(device);
    if (b == nullptr) return static_cast<int32_t>(ZKTerr_BAD_MODE);
    WriteList(b->services, items, capacity, count, b->serviceCount);
    return b->serviceResult;
}

int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t, int32_t *, const char *, int32_t) {
    callLog.push_back("capture " + Dec(device));
    return static_cast<int32_t>(ZKTerr_BAD_MODE);
}

int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t, int32_t code, void *) {
    callLog.push_back("ctrl " + Dec(service) + " " + Hex(static_cast<uint32_t>(code)));
    return static_cast<int32_t>(ZKTerr_BAD_MODE);
}

int32_t ZKT_CALL ZKT_release(int32_t service, int32_t) {
    callLog.push_back("release " + Dec(service));
    return static_cast<int32_t>(ZKTerr_BAD_MODE);
}

int32_t ZKT_CALL ZKT_close(int32_t device) {
    callLog.push_back("close " + Dec(device));
    return script.result;
}

int32_t ZKT_CALL ZKT_cleanup(void) {
    callLog.push_back("cleanup");
    return script.result;
}
