// The trace line of one call of a ZKT_ operation, made only from what
// crosses the interface: the arguments on entry, what the library left
// behind the caller's pointers, and the result. The simulator and the tracing
// proxy both write their lines here, so the two traces of one run agree byte
// for byte.
//
// A line is made in two steps: the call part (name and arguments) before the
// call, because the call may overwrite what a pointer argument shows; then
// one of the result parts after it. Outputs behind pointers are shown by what
// the pointer holds after the call, under rules the caller can check: a
// count when the pointer is not null and the call returned 0, a capture mode
// whenever its pointer is not null, a payload whenever the code has a payload
// record and the pointer is not null.
#ifndef QUILMAR_CALLTRACE_CALL_LINE_H
#define QUILMAR_CALLTRACE_CALL_LINE_H

#include <cstddef>
#include <cstdint>

#include "boardlib/zkt_api.h"

constexpr size_t kCallLineSize = 1024;

// One line, NUL-terminated, without its line end. A part that does not fit
// is cut at the end of the buffer.
struct CallLine {
    char text[kCallLineSize];
    size_t length;
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

// Result parts. Plain: " = result".
void CallLineResult(CallLine *line, int32_t result);
// ZKT_init, ZKT_lidList, ZKT_puList, ZKT_serviceList: ", count=N" follows
// when count is not null and the result is 0.
void CallLineResultCount(CallLine *line, int32_t result, const int32_t *count);
// ZKT_capture: ", mode=N" follows whenever mode is not null.
void CallLineResultMode(CallLine *line, int32_t result, const int32_t *mode);
// ZKT_ctrl: the status as 0x%08x, then ", payload=<hex>" as handed back when
// the code has a payload record and payload is not null.
void CallLineResultCtrl(CallLine *line, int32_t status, int32_t code, const void *payload);

// Lower-case hex digits of size bytes in memory order, into out (outSize
// bytes, always NUL-terminated; cut at whole bytes). Returns out.
const char *CallTraceHex(const void *bytes, size_t size, char *out, size_t outSize);

#endif  // QUILMAR_CALLTRACE_CALL_LINE_H
