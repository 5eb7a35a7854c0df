// The program is linked against the library: the system's loader found it
// before the program started, or refused to start it.
#include "boardlib/zkt_reach.h"

bool ZktReachLibrary(const char *, uint32_t) { return true; }

std::string ZktReachedForm() { return {}; }
