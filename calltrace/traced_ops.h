// The call trace around any table of the operations: each function makes
// one call through the table set by TracedThrough and writes its line. The call part is taken,
// and written, before the call (the call may overwrite what a pointer argument shows, or never
// return: the trace then ends in its call part), the outputs after it,
// from the caller's own pointers; so the line shows what the caller sees, whoever answered. A line
// is never cut, however long its lists; which outputs it shows is said in calltrace/call_record.h.
// The simulator's model, its replay and the tracing proxy's target all go through here.
//
// The library is called from one thread: the call being answered is one
// record for the whole library.
#ifndef QUILMAR_CALLTRACE_TRACED_OPS_H
#define QUILMAR_CALLTRACE_TRACED_OPS_H

#include <cstdint>
#include <string>

#include "boardlib/zkt_ops.h"
#include "calltrace/call_record.h"

// What a backend does with a call before its call part is written: it may
// match the call part (TracedCallPart) and write a note (TraceFileNote), which
// then stands before the line: the call part is written after it.
using TracedBeforeCall = void (*)();

// The table the calls that follow go through, and what runs before each of
// them is written (null: nothing).
void TracedThrough(const ZktOps &ops, TracedBeforeCall beforeCall = nullptr);

// One traced call for each line of the list, with the operation's own
// parameters: a call through the table, and its line.
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) type Traced##Name parameters;
#include "boardlib/zkt_operations.inc"

// The call part of the call being answered, from the backend's
// TracedBeforeCall on: a backend that answers from a recording matches it
// there. Made only where a trace or a backend's TracedBeforeCall takes it;
// empty otherwise.
const std::string &TracedCallPart();

// The pointers through which the call under way, while the table's function
// runs, hands its outputs back: a backend that answers from a recording
// writes its answer there.
const CallPointers &TracedCallPointers();

#endif  // QUILMAR_CALLTRACE_TRACED_OPS_H
