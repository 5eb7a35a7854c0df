// The trace line of one call of a ZKT_ operation, made only from what
// crosses the interface: the arguments on entry, what the library left
// behind the caller's pointers, and the result. The simulator, its replay and
// the tracing proxy all write their lines here, so the traces of one run
// agree byte for byte.
//
// A line is made in two steps: the call part (name and arguments) before the
// call, because the call may overwrite what a pointer argument shows; then
// one of the result parts after it, which reads the outputs through the
// caller's pointers (see calltrace/call_record.h for which ones show). A
// line is never cut, however long its lists.
#ifndef QUILMAR_CALLTRACE_CALL_LINE_H
#define QUILMAR_CALLTRACE_CALL_LINE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "boardlib/zkt_api.h"
#include "calltrace/call_record.h"

// One line without its line end: text holds the call part after a call
// part function, the whole line after a result part function.
struct CallLine {
    CallRecord record;
    BoardInfo infoOnEntry;  // ZKT_getInfo: the record before the call
    std::string text;
};

// Call parts, one per operation.
void CallLineDisplayMode(CallLine *line, int32_t mode);
void CallLineInit(CallLine *line, const char *configFile, const int32_t *count);
void CallLineLidList(CallLine *line, const uint32_t *lids, int32_t capacity, const int32_t *count);
void CallLineGetInfo(CallLine *line, uint32_t lid, const BoardInfo *info);
void CallLineOpen(CallLine *line, uint32_t lid, int32_t mode, const void *reserved);
void CallLinePuList(CallLine *line, int32_t device, const PuItem *items, int32_t capacity,
                    const int32_t *count);
void CallLineServiceList(CallLine *line, int32_t device, int32_t reserved, const ServiceItem *items,
                         int32_t capacity, const int32_t *count);
void CallLineCapture(CallLine *line, int32_t device, int32_t reserved, const int32_t *mode,
                     const char *name, int32_t timeout);
void CallLineCtrl(CallLine *line, int32_t service, int32_t reserved, int32_t code,
                  const void *payload);
void CallLineRelease(CallLine *line, int32_t service, int32_t reserved);
void CallLineClose(CallLine *line, int32_t device);
void CallLineCleanup(CallLine *line);

// Result parts, each with the same pointers its call part was given.
// Plain " = result": displayMode, open, release, close, cleanup.
void CallLineResult(CallLine *line, int32_t result);
// ZKT_init: ", count=N" when the result is 0 and count is not null.
void CallLineResultCount(CallLine *line, int32_t result, const int32_t *count);
// The lists: the count as above, then the entries the caller may read.
void CallLineResultLids(CallLine *line, int32_t result, const uint32_t *lids, const int32_t *count);
void CallLineResultUnits(CallLine *line, int32_t result, const PuItem *items, const int32_t *count);
void CallLineResultServices(CallLine *line, int32_t result, const ServiceItem *items,
                            const int32_t *count);
// ZKT_getInfo: the record's fields after a success, and after a failure
// that changed the record.
void CallLineResultInfo(CallLine *line, int32_t result, const BoardInfo *info);
// ZKT_capture: ", mode=N" whenever mode is not null.
void CallLineResultMode(CallLine *line, int32_t result, const int32_t *mode);
// ZKT_ctrl: the status as 0x%08x, then ", payload=<hex>" as handed back when
// the code has a payload record and payload is not null.
void CallLineResultCtrl(CallLine *line, int32_t status, const void *payload);

#endif  // QUILMAR_CALLTRACE_CALL_LINE_H
