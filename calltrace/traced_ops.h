// The call trace around any table of the operations: each function makes
// one call through the table set by TracedThrough and writes its line. The call part is taken
// before the call (the call may overwrite what a pointer argument shows), the outputs after it,
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

// The table the calls that follow go through.
void TracedThrough(const ZktOps &ops);

// One traced call for each line of the list, with the operation's own
// parameters: a call through the table, and its line.
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) type Traced##Name parameters;
#include "boardlib/zkt_operations.inc"

// The call part of the call being answered, while an operation of ops runs:
// a backend that answers from a recording matches it there.
const std::string &TracedCallPart();

// A note in the trace on behalf of whoever answers: written at once, so it
// stands before the line of the call being answered.
void TracedNote(const char *text);

#endif  // QUILMAR_CALLTRACE_TRACED_OPS_H
