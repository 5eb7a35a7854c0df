#include "calltrace/call_line.h"

#include <cstring>
#include <vector>

namespace {

void Begin(CallLine *line, CallOperation operation) {
    CallRecordStart(&line->record, operation);
    line->text.clear();
}

void EndCallPart(CallLine *line) { CallRecordAppendCall(line->record, &line->text); }

void EndResultPart(CallLine *line, int32_t result) {
    line->record.result = result;
    CallRecordAppendResult(line->record, &line->text);
}

// The count a list call left, when the line shows one.
void TakeCount(CallLine *line, int32_t result, const int32_t *count) {
    line->record.result = result;
    if (count != nullptr) line->record.count = *count;
}

// A list call's count, then the entries the caller may read, and the line.
template <typename Entry>
void TakeList(CallLine *line, int32_t result, const int32_t *count, const Entry *entries,
              std::vector<Entry> *shown) {
    TakeCount(line, result, count);
    const size_t n = CallRecordListEntries(line->record);
    shown->assign(entries, entries + n);
    EndResultPart(line, result);
}

}  // namespace

void CallLineDisplayMode(CallLine *line, int32_t mode) {
    Begin(line, kCallDisplayMode);
    line->record.mode = mode;
    EndCallPart(line);
}

void CallLineInit(CallLine *line, const char *configFile, const int32_t *count) {
    Begin(line, kCallInit);
    CallRecord &r = line->record;
    r.textNull = configFile == nullptr;
    if (configFile != nullptr) r.text.assign(configFile, strnlen(configFile, kCallShownPathBytes));
    r.countNull = count == nullptr;
    EndCallPart(line);
}

void CallLineLidList(CallLine *line, const uint32_t *lids, int32_t capacity, const int32_t *count) {
    Begin(line, kCallLidList);
    line->record.listNull = lids == nullptr;
    line->record.capacity = capacity;
    line->record.countNull = count == nullptr;
    EndCallPart(line);
}

void CallLineGetInfo(CallLine *line, uint32_t lid, const BoardInfo *info) {
    Begin(line, kCallGetInfo);
    line->record.lid = lid;
    line->record.infoNull = info == nullptr;
    if (info != nullptr) {
        line->record.infoSize = info->size;
        std::memcpy(&line->infoOnEntry, info, sizeof *info);
    }
    EndCallPart(line);
}

void CallLineOpen(CallLine *line, uint32_t lid, int32_t mode, const void *reserved) {
    Begin(line, kCallOpen);
    line->record.lid = lid;
    line->record.mode = mode;
    line->record.reservedNonNull = reserved != nullptr;
    EndCallPart(line);
}

void CallLinePuList(CallLine *line, int32_t device, const PuItem *items, int32_t capacity,
                    const int32_t *count) {
    Begin(line, kCallPuList);
    line->record.device = device;
    line->record.listNull = items == nullptr;
    line->record.capacity = capacity;
    line->record.countNull = count == nullptr;
    EndCallPart(line);
}

void CallLineServiceList(CallLine *line, int32_t device, int32_t reserved, const ServiceItem *items,
                         int32_t capacity, const int32_t *count) {
    Begin(line, kCallServiceList);
    line->record.device = device;
    line->record.reserved = reserved;
    line->record.listNull = items == nullptr;
    line->record.capacity = capacity;
    line->record.countNull = count == nullptr;
    EndCallPart(line);
}

void CallLineCapture(CallLine *line, int32_t device, int32_t reserved, const int32_t *mode,
                     const char *name, int32_t timeout) {
    Begin(line, kCallCapture);
    CallRecord &r = line->record;
    r.device = device;
    r.reserved = reserved;
    r.modeNull = mode == nullptr;
    if (mode != nullptr) r.mode = *mode;
    r.textNull = name == nullptr;
    if (name != nullptr) r.text.assign(name, strnlen(name, ZKT_SERVICE_NAME_SIZE));
    r.timeout = timeout;
    EndCallPart(line);
}

void CallLineCtrl(CallLine *line, int32_t service, int32_t reserved, int32_t code,
                  const void *payload) {
    Begin(line, kCallCtrl);
    CallRecord &r = line->record;
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
    EndCallPart(line);
}

void CallLineRelease(CallLine *line, int32_t service, int32_t reserved) {
    Begin(line, kCallRelease);
    line->record.service = service;
    line->record.reserved = reserved;
    EndCallPart(line);
}

void CallLineClose(CallLine *line, int32_t device) {
    Begin(line, kCallClose);
    line->record.device = device;
    EndCallPart(line);
}

void CallLineCleanup(CallLine *line) {
    Begin(line, kCallCleanup);
    EndCallPart(line);
}

void CallLineResult(CallLine *line, int32_t result) { EndResultPart(line, result); }

void CallLineResultCount(CallLine *line, int32_t result, const int32_t *count) {
    TakeCount(line, result, count);
    EndResultPart(line, result);
}

void CallLineResultLids(CallLine *line, int32_t result, const uint32_t *lids,
                        const int32_t *count) {
    TakeList(line, result, count, lids, &line->record.lids);
}

void CallLineResultUnits(CallLine *line, int32_t result, const PuItem *items,
                         const int32_t *count) {
    TakeList(line, result, count, items, &line->record.units);
}

void CallLineResultServices(CallLine *line, int32_t result, const ServiceItem *items,
                            const int32_t *count) {
    TakeList(line, result, count, items, &line->record.services);
}

void CallLineResultInfo(CallLine *line, int32_t result, const BoardInfo *info) {
    CallRecord &r = line->record;
    r.infoShown = info != nullptr &&
                  (result == 0 || std::memcmp(info, &line->infoOnEntry, sizeof *info) != 0);
    if (r.infoShown) {
        r.info.idWord = info->idWord;
        std::memcpy(r.info.name, info->name, sizeof r.info.name);
        r.info.bus = info->bus;
        r.info.dev = info->dev;
        r.info.slot = info->slot;
    }
    EndResultPart(line, result);
}

void CallLineResultMode(CallLine *line, int32_t result, const int32_t *mode) {
    if (mode != nullptr) line->record.modeBack = *mode;
    EndResultPart(line, result);
}

void CallLineResultCtrl(CallLine *line, int32_t status, const void *payload) {
    CallRecord &r = line->record;
    if (r.payloadForm == kPayloadBytes && payload != nullptr) {
        r.payloadBack.assign(static_cast<const char *>(payload), r.payloadSent.size());
    }
    EndResultPart(line, status);
}
