#include "calltrace/traced_ops.h"

#include <cstring>
#include <string>
#include <vector>

#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"

namespace {

// The call being made, reused from call to call so that its texts and lists
// keep their storage: its record, the board record as it was passed in
// (ZKT_getInfo), and its line, the call part alone while the call runs.
CallRecord record;
BoardInfo infoOnEntry;
std::string line;

CallRecord &Begin(ZktOperation operation) {
    CallRecordStart(&record, operation);
    line.clear();
    return record;
}

void EndCallPart() { CallRecordAppendCall(record, &line); }

int32_t Finish(int32_t result) {
    record.result = result;
    CallRecordAppendResult(record, &line);
    TraceFileLine(line.c_str());
    return result;
}

// What a count pointer held before the call; 0 for none (never read).
int32_t CountOnEntry(const int32_t *count) { return count != nullptr ? *count : 0; }

// A count after the call: shown after a success, and after a failure that
// changed it.
void TakeCount(int32_t result, const int32_t *count, int32_t countOnEntry) {
    record.result = result;
    if (count == nullptr) return;
    record.count = *count;
    record.countChanged = *count != countOnEntry;
}

// A list call's count, then the entries the caller may read.
template <typename Entry>
void TakeList(int32_t result, const int32_t *count, int32_t countOnEntry, const Entry *entries,
              std::vector<Entry> *shown) {
    TakeCount(result, count, countOnEntry);
    const size_t n = CallRecordListEntries(record);
    shown->assign(entries, entries + n);
}

// Whether a field the line shows of a board record differs.
bool ShownInfoDiffers(const BoardInfo &a, const BoardInfo &b) {
    return a.idWord != b.idWord || std::memcmp(a.name, b.name, sizeof a.name) != 0 ||
           a.bus != b.bus || a.dev != b.dev || a.slot != b.slot;
}

// The arguments every list call ends in.
void ListArguments(CallRecord *r, const void *list, int32_t capacity, const int32_t *count) {
    r->listNull = list == nullptr;
    r->capacity = capacity;
    r->countNull = count == nullptr;
}

}  // namespace

int32_t TracedDisplayMode(const ZktOps &ops, int32_t mode) {
    Begin(kZktDisplayMode).mode = mode;
    EndCallPart();
    return Finish(ops.displayMode(mode));
}

int32_t TracedInit(const ZktOps &ops, const char *configFile, int32_t *count) {
    CallRecord &r = Begin(kZktInit);
    r.textNull = configFile == nullptr;
    if (configFile != nullptr) r.text.assign(configFile, strnlen(configFile, kCallShownPathBytes));
    r.countNull = count == nullptr;
    EndCallPart();
    const int32_t countOnEntry = CountOnEntry(count);
    const int32_t result = ops.init(configFile, count);
    TakeCount(result, count, countOnEntry);
    return Finish(result);
}

int32_t TracedLidList(const ZktOps &ops, uint32_t *lids, int32_t capacity, int32_t *count) {
    CallRecord &r = Begin(kZktLidList);
    ListArguments(&r, lids, capacity, count);
    EndCallPart();
    const int32_t countOnEntry = CountOnEntry(count);
    const int32_t result = ops.lidList(lids, capacity, count);
    TakeList(result, count, countOnEntry, lids, &r.lids);
    return Finish(result);
}

int32_t TracedGetInfo(const ZktOps &ops, uint32_t lid, BoardInfo *info) {
    CallRecord &r = Begin(kZktGetInfo);
    r.lid = lid;
    r.infoNull = info == nullptr;
    if (info != nullptr) {
        r.infoSize = info->size;
        std::memcpy(&infoOnEntry, info, sizeof *info);
    }
    EndCallPart();
    const int32_t result = ops.getInfo(lid, info);
    // The record's fields after a success, and after a failure that changed
    // one of them. A replay writes back those fields alone, so a failure
    // that changed only the size or a reserved word shows nothing.
    r.infoShown = info != nullptr && (result == 0 || ShownInfoDiffers(*info, infoOnEntry));
    if (r.infoShown) {
        r.info.idWord = info->idWord;
        std::memcpy(r.info.name, info->name, sizeof r.info.name);
        r.info.bus = info->bus;
        r.info.dev = info->dev;
        r.info.slot = info->slot;
    }
    return Finish(result);
}

int32_t TracedOpen(const ZktOps &ops, uint32_t lid, int32_t mode, void *reserved) {
    CallRecord &r = Begin(kZktOpen);
    r.lid = lid;
    r.mode = mode;
    r.reservedNonNull = reserved != nullptr;
    EndCallPart();
    return Finish(ops.open(lid, mode, reserved));
}

int32_t TracedPuList(const ZktOps &ops, int32_t device, PuItem *items, int32_t capacity,
                     int32_t *count) {
    CallRecord &r = Begin(kZktPuList);
    r.device = device;
    ListArguments(&r, items, capacity, count);
    EndCallPart();
    const int32_t countOnEntry = CountOnEntry(count);
    const int32_t result = ops.puList(device, items, capacity, count);
    TakeList(result, count, countOnEntry, items, &r.units);
    return Finish(result);
}

int32_t TracedServiceList(const ZktOps &ops, int32_t device, int32_t reserved, ServiceItem *items,
                          int32_t capacity, int32_t *count) {
    CallRecord &r = Begin(kZktServiceList);
    r.device = device;
    r.reserved = reserved;
    ListArguments(&r, items, capacity, count);
    EndCallPart();
    const int32_t countOnEntry = CountOnEntry(count);
    const int32_t result = ops.serviceList(device, reserved, items, capacity, count);
    TakeList(result, count, countOnEntry, items, &r.services);
    return Finish(result);
}

int32_t TracedCapture(const ZktOps &ops, int32_t device, int32_t reserved, int32_t *mode,
                      const char *name, int32_t timeout) {
    CallRecord &r = Begin(kZktCapture);
    r.device = device;
    r.reserved = reserved;
    r.modeNull = mode == nullptr;
    if (mode != nullptr) r.mode = *mode;
    r.textNull = name == nullptr;
    if (name != nullptr) r.text.assign(name, strnlen(name, ZKT_SERVICE_NAME_SIZE));
    r.timeout = timeout;
    EndCallPart();
    const int32_t result = ops.capture(device, reserved, mode, name, timeout);
    if (mode != nullptr) r.modeBack = *mode;
    return Finish(result);
}

int32_t TracedCtrl(const ZktOps &ops, int32_t service, int32_t reserved, int32_t code,
                   void *payload) {
    CallRecord &r = Begin(kZktCtrl);
    r.service = service;
    r.reserved = reserved;
    r.code = code;
    const int32_t size = ZktPayloadSize(code);
    if (payload == nullptr) {
        r.payloadForm = kPayloadNull;
    } else if (size < 0) {
        r.payloadForm = kPayloadUnknownSize;
    } else if (size == 0) {
        r.payloadForm = kPayloadNonNull;
    } else {
        r.payloadForm = kPayloadBytes;
        r.payloadSent.assign(static_cast<const char *>(payload), static_cast<size_t>(size));
    }
    EndCallPart();
    const int32_t status = ops.ctrl(service, reserved, code, payload);
    if (r.payloadForm == kPayloadBytes) {
        r.payloadBack.assign(static_cast<const char *>(payload), r.payloadSent.size());
    }
    return Finish(status);
}

int32_t TracedRelease(const ZktOps &ops, int32_t service, int32_t reserved) {
    CallRecord &r = Begin(kZktRelease);
    r.service = service;
    r.reserved = reserved;
    EndCallPart();
    return Finish(ops.release(service, reserved));
}

int32_t TracedClose(const ZktOps &ops, int32_t device) {
    Begin(kZktClose).device = device;
    EndCallPart();
    return Finish(ops.close(device));
}

int32_t TracedCleanup(const ZktOps &ops) {
    Begin(kZktCleanup);
    EndCallPart();
    return Finish(ops.cleanup());
}

const std::string &TracedCallPart() { return line; }

void TracedNote(const char *text) { TraceFileNote(text); }
