// The target on Linux and other systems with a dynamic loader: the library
// named by ZKT_TRACE_TARGET, or else the next definition of the operations
// in load order (the libzkt.so the program was linked with, when the proxy
// comes in through LD_PRELOAD).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "boardlib/zkt_bound.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "zkttrace/trace_target.h"

namespace {

// The file of the library that holds address, or null.
const void *LibraryBase(const void *address) {
    Dl_info info;
    return dladdr(address, &info) != 0 ? info.dli_fbase : nullptr;
}

}  // namespace

bool LoadTraceTarget(std::string *shown) {
    const char *path = std::getenv(kTraceTargetVariable);
    void *handle = RTLD_NEXT;
    Dl_info self;
    char nextNamed[600];
    std::snprintf(nextNamed, sizeof nextNamed, "the load order after %s",
                  dladdr(reinterpret_cast<void *>(&LoadTraceTarget), &self) != 0
                      ? self.dli_fname
                      : "the tracing library");
    // Paths from the environment go out with their control bytes as \xNN,
    // as every other message shows text it did not write itself.
    std::string named = EscapedControls(nextNamed);
    if (path != nullptr && path[0] != '\0') {
        named = EscapedControls(path);
        char reason[512];
        handle = PlatformLoadLibraryFile(path, reason, sizeof reason);
        if (handle == nullptr) {
            // The loader's reason repeats the path it was given, control
            // bytes and all.
            return RefuseTraceTarget("cannot load " + named + " (" + EscapedControls(reason) + ")");
        }
    }
    if (ZktBindAvailable(PlatformLibrarySymbol, handle) == kZktAllOperations) {
        return RefuseTraceTarget(named + " has no " + ZktNotFound(kZktDisplayMode));
    }
    // Loaded again under its own name, the proxy would call itself for ever.
    const void *own = LibraryBase(reinterpret_cast<void *>(&LoadTraceTarget));
    if (own == LibraryBase(ZktBoundInitAddress())) {
        ZktUnbind();
        return RefuseTraceTarget(named + " is this tracing library itself");
    }
    *shown = named;
    return true;
}
