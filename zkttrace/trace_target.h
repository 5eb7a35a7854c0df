// The library the tracing proxy stands in front of: where it is found, and
// its operations bound by name (boardlib/zkt_bound.h). One implementation
// per system (target_posix.cpp, target_win32.cpp).
#ifndef QUILMAR_ZKTTRACE_TRACE_TARGET_H
#define QUILMAR_ZKTTRACE_TRACE_TARGET_H

// Environment variable naming the target library (a path).
constexpr const char *kTraceTargetVariable = "ZKT_TRACE_TARGET";

// Loads the target and binds all twelve operations, which ZktBoundOps()
// then answers through. When the target cannot be loaded, lacks an
// operation, or turns out to be this proxy itself, writes one line on
// standard error saying which library and what is wrong (with the system's
// reason) and returns false.
bool LoadTraceTarget();

#endif  // QUILMAR_ZKTTRACE_TRACE_TARGET_H
