// The call trace around any table of the operations: each function makes
// one call through ops and writes its line. The call part is taken before
// the call (the call may overwrite what a pointer argument shows), the
// outputs after it, from the caller's own pointers; so the line shows what
// the caller sees, whoever answered. A line is never cut, however long its
// lists; which outputs it shows is said in calltrace/call_record.h. The simulator's model, its
// replay and the tracing proxy's target all go through here.
//
// The library is called from one thread: the call being answered is one
// record for the whole library.
#ifndef QUILMAR_CALLTRACE_TRACED_OPS_H
#define QUILMAR_CALLTRACE_TRACED_OPS_H

#include <cstdint>
#include <string>

#include "boardlib/zkt_ops.h"

int32_t TracedDisplayMode(const ZktOps &ops, int32_t mode);
int32_t TracedInit(const ZktOps &ops, const char *configFile, int32_t *count);
int32_t TracedLidList(const ZktOps &ops, uint32_t *lids, int32_t capacity, int32_t *count);
int32_t TracedGetInfo(const ZktOps &ops, uint32_t lid, BoardInfo *info);
int32_t TracedOpen(const ZktOps &ops, uint32_t lid, int32_t mode, void *reserved);
int32_t TracedPuList(const ZktOps &ops, int32_t device, PuItem *items, int32_t capacity,
                     int32_t *count);
int32_t TracedServiceList(const ZktOps &ops, int32_t device, int32_t reserved, ServiceItem *items,
                          int32_t capacity, int32_t *count);
int32_t TracedCapture(const ZktOps &ops, int32_t device, int32_t reserved, int32_t *mode,
                      const char *name, int32_t timeout);
int32_t TracedCtrl(const ZktOps &ops, int32_t service, int32_t reserved, int32_t code,
                   void *payload);
int32_t TracedRelease(const ZktOps &ops, int32_t service, int32_t reserved);
int32_t TracedClose(const ZktOps &ops, int32_t device);
int32_t TracedCleanup(const ZktOps &ops);

// The call part of the call being answered, while an operation of ops runs:
// a backend that answers from a recording matches it there.
const std::string &TracedCallPart();

// A note in the trace on behalf of whoever answers: written at once, so it
// stands before the line of the call being answered.
void TracedNote(const char *text);

#endif  // QUILMAR_CALLTRACE_TRACED_OPS_H
