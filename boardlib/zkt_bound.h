// A board access library bound by name at run time: the address of each of
// its operations, looked up one by one, and the ZktOps table that
// answers through them. The forwarding functions call each address in
// whichever convention the library uses (platform/foreign_call.h), so
// whatever holds the table calls plain functions and the build's ZKT_CALL
// does not matter here.
#ifndef QUILMAR_BOARDLIB_ZKT_BOUND_H
#define QUILMAR_BOARDLIB_ZKT_BOUND_H

#include <cstdint>

#include "boardlib/zkt_names.h"
#include "boardlib/zkt_ops.h"

// Looks up the operations in needs (ZktOperationBit) through lookup, each
// under any of its names (ZktFindOperation). Returns false, with the first
// one it cannot find in *missing, when one is missing: nothing is bound
// then. An operation not in needs is not bound: it answers kZktRefused.
bool ZktBind(ZktLookup lookup, void *context, uint32_t needs, ZktOperation *missing);

// Binds every operation in wanted that lookup finds; returns the set of those
// it cannot find, which are left unbound (each answers kZktRefused), as are
// those not wanted.
uint32_t ZktBindAvailable(ZktLookup lookup, void *context, uint32_t wanted = kZktAllOperations);

// Leaves every operation unbound.
void ZktUnbind();

// Whether operation is bound.
bool ZktBound(ZktOperation operation);

// How the bound operation took its last call through the call routine
// (platform/foreign_call.h): *nameForm the form of the name it was found
// under (ZktFindOperation), *removed the bytes of arguments it took off the
// stack. False when it is not bound, has not been called since it was, or
// calls go directly (where there is one convention).
bool ZktBoundCallForm(ZktOperation operation, int *nameForm, uint32_t *removed);

// The table that forwards to the bound operations.
const ZktOps &ZktBoundOps();

// The bound address of ZKT_init, to tell which library the operations lie in.
const void *ZktBoundInitAddress();

#endif  // QUILMAR_BOARDLIB_ZKT_BOUND_H
