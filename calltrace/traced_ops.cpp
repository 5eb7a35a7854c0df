#include "calltrace/traced_ops.h"

#include <cstring>
#include <string>

#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"

namespace {

// The call being made, reused from call to call so that its texts and lists
// keep their storage, and its line, the call part alone while the call runs.
CallRecord record;
std::string line;
const ZktOps *through = nullptr;  // the table the call goes through
TracedBeforeCall beforeCall = nullptr;
CallPointers callPointers{};  // of the call under way

CallRecord &Begin(ZktOperation operation) {
    CallRecordStart(&record, operation);
    line.clear();
    return record;
}

// Makes the call through the table's slot (member of ZktOps), with the
// record's own arguments in place: takes what goes in through pointers,
// makes the call part, lets the backend look at it, writes it, calls (an
// empty slot answers kZktRefused), takes the outputs the line shows, and
// ends the line. The line is made only where it goes: to a trace, written
// or held back, or to a backend that matches the call part; a run without
// either spends nothing on it.
template <typename Slot, typename... Arguments>
int32_t Call(Slot ZktOps::*slot, const CallPointers &pointers, Arguments... arguments) {
    const auto function = through != nullptr ? through->*slot : nullptr;
    const bool traced = TraceFileTakesLines();
    CallEntryState entry;
    if (traced || beforeCall != nullptr) {
        CallRecordTakeInputs(&record, pointers);
        CallRecordAppendCall(record, &line);
        CallRecordNoteEntry(pointers, &entry);
    }
    callPointers = pointers;
    // What the backend writes of its own stands before the line.
    if (beforeCall != nullptr) beforeCall();
    const size_t callLength = line.size();
    if (traced) TraceFileCallStarted(line.data(), callLength);
    record.result = function != nullptr ? function(arguments...) : kZktRefused;
    if (traced) {
        CallRecordTakeOutputs(&record, pointers, entry);
        CallRecordAppendResult(record, &line);
        TraceFileCallEnded(line.data(), line.size(), callLength);
    }
    return record.result;
}

}  // namespace

int32_t TracedDisplayMode(int32_t mode) {
    Begin(kZktDisplayMode).mode = mode;
    return Call(&ZktOps::displayMode, {}, mode);
}

int32_t TracedInit(const char *configFile, int32_t *count) {
    CallRecord &r = Begin(kZktInit);
    r.textNull = configFile == nullptr;
    if (configFile != nullptr) r.text.assign(configFile, strnlen(configFile, kCallShownPathBytes));
    return Call(&ZktOps::init, {count, nullptr, nullptr, nullptr, nullptr}, configFile, count);
}

int32_t TracedLidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    Begin(kZktLidList).capacity = capacity;
    return Call(&ZktOps::lidList, {count, lids, nullptr, nullptr, nullptr}, lids, capacity, count);
}

int32_t TracedGetInfo(uint32_t lid, BoardInfo *info) {
    Begin(kZktGetInfo).lid = lid;
    return Call(&ZktOps::getInfo, {nullptr, nullptr, info, nullptr, nullptr}, lid, info);
}

int32_t TracedOpen(uint32_t lid, int32_t mode, void *reserved) {
    CallRecord &r = Begin(kZktOpen);
    r.lid = lid;
    r.mode = mode;
    r.reservedNonNull = reserved != nullptr;
    return Call(&ZktOps::open, {}, lid, mode, reserved);
}

int32_t TracedPuList(int32_t device, PuItem *items, int32_t capacity, int32_t *count) {
    CallRecord &r = Begin(kZktPuList);
    r.device = device;
    r.capacity = capacity;
    return Call(&ZktOps::puList, {count, items, nullptr, nullptr, nullptr}, device, items, capacity,
                count);
}

int32_t TracedServiceList(int32_t device, int32_t reserved, ServiceItem *items, int32_t capacity,
                          int32_t *count) {
    CallRecord &r = Begin(kZktServiceList);
    r.device = device;
    r.reserved = reserved;
    r.capacity = capacity;
    return Call(&ZktOps::serviceList, {count, items, nullptr, nullptr, nullptr}, device, reserved,
                items, capacity, count);
}

int32_t TracedCapture(int32_t device, int32_t reserved, int32_t *mode, const char *name,
                      int32_t timeout) {
    CallRecord &r = Begin(kZktCapture);
    r.device = device;
    r.reserved = reserved;
    r.textNull = name == nullptr;
    if (name != nullptr) r.text.assign(name, strnlen(name, ZKT_SERVICE_NAME_SIZE));
    r.timeout = timeout;
    return Call(&ZktOps::capture, {nullptr, nullptr, nullptr, mode, nullptr}, device, reserved,
                mode, name, timeout);
}

int32_t TracedCtrl(int32_t service, int32_t reserved, int32_t code, void *payload) {
    CallRecord &r = Begin(kZktCtrl);
    r.service = service;
    r.reserved = reserved;
    r.code = code;
    return Call(&ZktOps::ctrl, {nullptr, nullptr, nullptr, nullptr, payload}, service, reserved,
                code, payload);
}

int32_t TracedRelease(int32_t service, int32_t reserved) {
    CallRecord &r = Begin(kZktRelease);
    r.service = service;
    r.reserved = reserved;
    return Call(&ZktOps::release, {}, service, reserved);
}

int32_t TracedClose(int32_t device) {
    Begin(kZktClose).device = device;
    return Call(&ZktOps::close, {}, device);
}

int32_t TracedCleanup() {
    Begin(kZktCleanup);
    return Call(&ZktOps::cleanup, {});
}

void TracedThrough(const ZktOps &ops, TracedBeforeCall before) {
    through = &ops;
    beforeCall = before;
}

const std::string &TracedCallPart() { return line; }

const CallPointers &TracedCallPointers() { return callPointers; }
