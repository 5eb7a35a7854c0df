// A board access library that fails as a faulty one does: the simulator,
// but for the operation ZKT_STANDIN names, "crash <operation>" (a write
// through a null pointer) or "hang <operation>" (the call never returns;
// only a signal ends the process). The tracing proxy runs in front of it to
// show what a trace keeps of such a call.
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "calltrace/traced_exports.h"
#include "sim/sim_session.h"

namespace {

template <typename... Arguments>
int32_t Hang(Arguments...) {
    for (;;) {
#ifdef _WIN32
        Sleep(1000);
#else
        pause();
#endif
    }
}

const ZktOps kHangOps = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) Hang,
#include "boardlib/zkt_operations.inc"
};

// Whether ZKT_STANDIN says "<how> <operation>".
bool Fails(const char *how, ZktOperation operation) {
    const char *standIn = std::getenv("ZKT_STANDIN");
    const size_t length = std::strlen(how);
    return standIn != nullptr && std::strncmp(standIn, how, length) == 0 &&
           standIn[length] == ' ' &&
           std::strcmp(standIn + length + 1, kZktOperationNames[operation].name) == 0;
}

}  // namespace

const ZktOps &ExportedOps(ZktOperation operation) {
    if (Fails("crash", operation)) return SimCrashOps();
    if (Fails("hang", operation)) return kHangOps;
    return SimSessionOps();
}

TracedBeforeCall ExportedBeforeCall() { return SimSessionBeforeCall(); }

void ExportedBeforeInit(const char *configFile, const int32_t *count) {
    SimSessionInit(configFile, count);
}

void ExportedAfterCleanup() { SimSessionEnd(); }
