// The one pass over every board that the library reports.
#ifndef QUILMAR_APP_WALK_H
#define QUILMAR_APP_WALK_H

#include <cstdint>

#include "boardlib/zkt_ops.h"

// Starts the library, prints every board with its units and services,
// programs each synthesizer service found, closes and releases everything in
// the same pass, shuts the library down and prints the closing lines.
void WalkDevices();

// The operations the walk and the synthesizer set-up call: every one of
// them, so a library must have them all.
constexpr uint32_t kWalkOperations = kZktAllOperations;

#endif  // QUILMAR_APP_WALK_H
