// A program that reaches the tracing proxy with no board access library
// after it in load order and no ZKT_TRACE_TARGET: the proxy must say where it
// looked, and answer ZKTerr_BAD_MODE. Prints the answer on standard error,
// after the proxy's own line.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "boardlib/zkt_api.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: proxy_alone PROXY\n");
        return 2;
    }
    void *proxy = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    void *address = proxy != nullptr ? dlsym(proxy, "ZKT_displayMode") : nullptr;
    if (address == nullptr) {
        std::fprintf(stderr, "proxy_alone: %s\n", dlerror());
        return 2;
    }
    int32_t(ZKT_CALL * displayMode)(int32_t) = nullptr;
    static_assert(sizeof displayMode == sizeof address, "function and object pointers differ");
    std::memcpy(&displayMode, &address, sizeof address);
    std::fprintf(stderr, "ZKT_displayMode = %d\n", displayMode(ZKT_DISPLAY_MODE_MASK));
    return 0;
}
