// The names a board access library may export an operation under. A library
// built for stdcall with the maker's tools may decorate them: ZKT_init may
// stand as ZKT_init, _ZKT_init@8 or ZKT_init@8, where 8 is the bytes of its
// arguments.
#ifndef QUILMAR_BOARDLIB_ZKT_NAMES_H
#define QUILMAR_BOARDLIB_ZKT_NAMES_H

#include <string>

#include "boardlib/zkt_ops.h"

// The address of the operation called name in the library context stands
// for, or null.
using ZktLookup = void *(*)(void *context, const char *name);

// The address of operation under the first of its names that lookup finds:
// the plain name, then _name@N, then name@N, N four times its arguments.
// Null when none. Unless form is null, *form gets the index of the name
// found in that order.
void *ZktFindOperation(ZktLookup lookup, void *context, ZktOperation operation,
                       int *form = nullptr);

// The forms of the names, in ZktFindOperation's order, as a text about
// every operation shows them: "name", "_name@N", "name@N".
extern const char *const kZktNameForms[];

// What a message says of an operation not found: "ZKT_ctrl (tried ZKT_ctrl,
// _ZKT_ctrl@16, ZKT_ctrl@16)".
std::string ZktNotFound(ZktOperation operation);

#endif  // QUILMAR_BOARDLIB_ZKT_NAMES_H
