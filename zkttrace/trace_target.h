// The library the tracing proxy stands in front of: where it is found, and
// its operations bound by name (boardlib/zkt_bound.h). One implementation
// per system (target_posix.cpp, target_win32.cpp).
#ifndef QUILMAR_ZKTTRACE_TRACE_TARGET_H
#define QUILMAR_ZKTTRACE_TRACE_TARGET_H

#include <cstdio>
#include <string>

// Environment variable naming the target library (a path).
constexpr const char *kTraceTargetVariable = "ZKT_TRACE_TARGET";

// Loads the target and binds each operation it has, which ZktBoundOps()
// then answers through; one it lacks is left unbound (it answers
// kZktRefused). Returns true with the target as messages show it in *shown.
// When the target cannot be loaded, has none of the operations, or turns
// out to be this proxy itself, writes one line on standard error saying
// which library and what is wrong (with the system's reason), leaves every
// operation unbound and returns false.
bool LoadTraceTarget(std::string *shown);

// That line, saying why the target is refused; returns false.
inline bool RefuseTraceTarget(const std::string &why) {
    std::fprintf(stderr, "zkttrace: %s; every call answers ZKTerr_BAD_MODE\n", why.c_str());
    return false;
}

#endif  // QUILMAR_ZKTTRACE_TRACE_TARGET_H
