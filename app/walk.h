// The one pass over every board that the library reports.
#ifndef QUILMAR_APP_WALK_H
#define QUILMAR_APP_WALK_H

// Starts the library, prints every board with its units and services,
// programs each synthesizer service found, closes and releases everything in
// the same pass, shuts the library down and prints the closing lines.
void WalkDevices();

#endif  // QUILMAR_APP_WALK_H
