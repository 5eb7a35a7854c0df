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

const char kRefusal[] = "every call answers ZKTerr_BAD_MODE";

// The file of the library that holds address, or null.
const void *LibraryBase(const void *address) {
    Dl_info info;
    if (dladdr(address, &info) == 0) return nullptr;
    return info.dli_fbase;
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
            std::fprintf(stderr, "zkttrace: cannot load %s (%s); %s\n", named.c_str(),
                         EscapedControls(reason).c_str(), kRefusal);
            return false;
        }
    }
    if (ZktBindAvailable(PlatformLibrarySymbol, handle) == kZktAllOperations) {
        std::fprintf(stderr, "zkttrace: %s has no %s; %s\n", named.c_str(),
                     ZktNotFound(kZktDisplayMode).c_str(), kRefusal);
        return false;
    }
    // Loaded again under its own name, the proxy would call itself for ever.
    const void *own = LibraryBase(reinterpret_cast<void *>(&LoadTraceTarget));
    if (own == LibraryBase(ZktBoundInitAddress())) {
        ZktUnbind();
        std::fprintf(stderr, "zkttrace: %s is this tracing library itself; %s\n", named.c_str(),
                     kRefusal);
        return false;
    }
    *shown = named;
    return true;
}
