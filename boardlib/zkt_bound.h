// A board access library bound by name at run time: the address of each of
// its twelve operations, looked up one by one, and the ZktOps table that
// answers through them. The forwarding functions call each address in
// whichever convention the library uses (platform/foreign_call.h), so
// whatever holds the table calls plain functions and the build's ZKT_CALL
// does not matter here.
#ifndef QUILMAR_BOARDLIB_ZKT_BOUND_H
#define QUILMAR_BOARDLIB_ZKT_BOUND_H

#include "boardlib/zkt_ops.h"

// The address of the operation called name in the library context stands
// for, or null.
using ZktLookup = void *(*)(void *context, const char *name);

// Looks up all twelve operations through lookup. Returns the name of the
// first one it cannot find (nothing is bound then), or null when all twelve
// are bound.
const char *ZktBind(ZktLookup lookup, void *context);

// The table that forwards to the bound operations.
const ZktOps &ZktBoundOps();

// The bound address of ZKT_init, to tell which library the operations lie in.
const void *ZktBoundInitAddress();

#endif  // QUILMAR_BOARDLIB_ZKT_BOUND_H
