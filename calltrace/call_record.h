// One call of a ZKT_ operation as its trace line holds it: the arguments the
// caller chose, the result, and everything the library left behind the
// caller's pointers that the caller may read. This header declares both
// directions of the trace format: the writer turns a record into its line
// and the reader turns a line back into the record, so a recorded run can be
// answered again call by call, byte for byte. call_record.cpp keeps each
// piece's writer and reader side by side.
//
// A line has two parts. The call part ("ZKT_name(arguments)") holds only
// what the caller chose, so two calls are the same call when their call
// parts are the same text. The result part (" = result" and the outputs)
// holds what the library answered. Which outputs an operation has is its
// row of kCallOutputs; when each shows is the rule below, written once and
// read by the writer and the reader, the tracer and a replay's write-back:
//   count            the count pointer is not null, and the result is 0 or
//                    countChanged (a failing call changed the count)
//   list             the count shows and the list pointer is not null; as
//                    many entries as the caller may read, ZktEntriesHeld
//   record           infoShown: the info pointer is not null, and the
//                    result is 0 or a failing query changed a field shown
//   mode             the mode pointer is not null, whatever the result
//   payload          the code has a payload record and the pointer is not
//                    null, whatever the status
// A caller may read what a failing call left behind its pointers (quilmar
// takes a list's count whatever the result), so a line shows it where the
// call changed it and a replay writes it back; what a failing call left as
// it was, the line does not show and the replay does not touch.
#ifndef QUILMAR_CALLTRACE_CALL_RECORD_H
#define QUILMAR_CALLTRACE_CALL_RECORD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_ops.h"

// What the payload pointer of ZKT_ctrl carried in.
enum CallPayloadForm {
    kPayloadNull,
    kPayloadBytes,        // a record the code defines: its bytes
    kPayloadNonNull,      // a pointer for a code that takes none
    kPayloadUnknownSize,  // a pointer for a code this interface does not define
};

// A config file name is shown up to this many bytes, a capture name up to
// the service name field.
constexpr size_t kCallShownPathBytes = 256;

struct CallRecord {
    ZktOperation operation;

    // The arguments; each operation uses those its line shows.
    int32_t mode;  // displayMode, open; capture: the mode sent (unless modeNull)
    uint32_t lid;
    int32_t device;
    int32_t service;
    int32_t reserved;
    int32_t capacity;
    int32_t timeout;
    int32_t code;
    uint32_t infoSize;
    bool textNull;  // configFile (init), name (capture)
    std::string text;
    bool listNull;  // lids (lidList), items (puList, serviceList)
    bool countNull;
    bool infoNull;
    bool reservedNonNull;  // open
    bool modeNull;         // capture
    CallPayloadForm payloadForm;
    std::string payloadSent;  // kPayloadBytes: the record as sent

    int32_t result;  // the status of ZKT_ctrl, as a signed word

    // The outputs.
    int32_t count;
    bool countChanged;  // a failing call left the count other than it was
    int32_t modeBack;
    std::vector<uint32_t> lids;
    std::vector<PuItem> units;
    std::vector<ServiceItem> services;
    bool infoShown;           // the line shows info (always after a success)
    BoardInfo info;           // the named fields; the rest is zero
    std::string payloadBack;  // kPayloadBytes: the record as handed back
};

// Which list an operation hands back.
enum CallListKind { kNoList, kLidEntries, kUnitEntries, kServiceEntries };

// What an operation's line shows after its result: its row.
struct CallOutputs {
    bool status;        // the result is a status word (0x%08x), not a number
    bool count;         // a count pointer: how many entries, or boards
    CallListKind list;  // a list pointer, with its capacity before the count
    bool record;        // a board record (BoardInfo)
    bool mode;          // a capture mode, sent in and handed back
    bool payload;       // a control payload, sent in and handed back
};

// One row per operation, in ZktOperation order.
extern const CallOutputs kCallOutputs[];

// The caller's pointers that a call's outputs go through, as its row names
// them (null where it has none, or passes none).
struct CallPointers {
    int32_t *count;
    void *list;
    BoardInfo *info;
    int32_t *mode;
    void *payload;
};

// What the pointers held as the call began, to tell what it changed.
struct CallEntryState {
    int32_t count;
    BoardInfo info;
};

// A record of operation with every argument zero, no pointer null and no
// outputs.
void CallRecordStart(CallRecord *record, ZktOperation operation);

// Whether record's line shows a count, a list, a capture mode and a payload,
// and how many list entries it shows (0 when it shows no list).
bool CallRecordShowsCount(const CallRecord &record);
bool CallRecordShowsList(const CallRecord &record);
bool CallRecordShowsMode(const CallRecord &record);
bool CallRecordShowsPayload(const CallRecord &record);
size_t CallRecordListEntries(const CallRecord &record);

// The tracer's three steps around a call, after the operation's own
// arguments are in record (the control code among them): the call part's
// pointer arguments and what goes in through them; what the pointers held
// on entry; and, once the call has returned with record's result set, the
// outputs the line shows.
void CallRecordTakeInputs(CallRecord *record, const CallPointers &pointers);
void CallRecordNoteEntry(const CallPointers &pointers, CallEntryState *entry);
void CallRecordTakeOutputs(CallRecord *record, const CallPointers &pointers,
                           const CallEntryState &entry);

// A replay's answer: writes back through the caller's pointers exactly what
// record's line shows, and leaves the rest as the caller had it.
void CallRecordWriteBack(const CallRecord &record, const CallPointers &pointers);

// Appends the call part, or the result part, of record's line to out.
void CallRecordAppendCall(const CallRecord &record, std::string *out);
void CallRecordAppendResult(const CallRecord &record, std::string *out);

// Reads one line (length bytes, no line end) into record. True only for a
// line the writer makes, byte for byte: every other text, however close, is
// refused. On success *callLength is the length of the call part.
bool CallRecordRead(const char *line, size_t length, CallRecord *record, size_t *callLength);

// Reads a call part alone (length bytes), as the line of a call that never
// returned ends, into record; true only for one the writer makes.
bool CallRecordReadCall(const char *text, size_t length, CallRecord *record);

#endif  // QUILMAR_CALLTRACE_CALL_RECORD_H
