// A board access library bound by name at run time: the address of each of
// its twelve operations, looked up one by one, and the ZktOps table that
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
// then. An operation not in needs is not bound: it answers ZKTerr_BAD_MODE.
bool ZktBind(ZktLookup lookup, void *context, uint32_t needs, ZktOperation *missing);

// The table that forwards to the bound operations.
const ZktOps &ZktBoundOps();

// The bound address of ZKT_init, to tell which library the operations lie in.
const void *ZktBoundInitAddress();

#endif  // QUILMAR_BOARDLIB_ZKT_BOUND_H
