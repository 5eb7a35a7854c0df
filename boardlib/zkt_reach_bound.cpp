// The program binds the library at run time, and defines the operations
// under their own names as forwarders into the bound table, so that the
// walk calls ZKT_init and the others as it would call an imported library.
#include <cstdio>

#include "boardlib/zkt_api.h"
#include "boardlib/zkt_bound.h"
#include "boardlib/zkt_reach.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"

bool ZktReachLibrary(const char *program, uint32_t needs) {
    char reason[512];
    void *library = PlatformLoadLibrary(kPlatformBoardLibraryName, reason, sizeof reason);
    if (library == nullptr) {
        std::fprintf(stderr, "%s: cannot load %s (%s)\n", program, kPlatformBoardLibraryName,
                     reason);
        return false;
    }
    ZktOperation missing = kZktDisplayMode;
    if (!ZktBind(PlatformLibrarySymbol, library, needs, &missing)) {
        char path[1024];
        if (!PlatformLibraryPath(library, path, sizeof path)) {
            std::snprintf(path, sizeof path, "%s", kPlatformBoardLibraryName);
        }
        std::fprintf(stderr, "%s: %s has no %s\n", program, EscapedControls(path).c_str(),
                     ZktNotFound(missing).c_str());
        return false;
    }
    return true;
}

std::string ZktReachedForm() {
    int nameForm = 0;
    uint32_t removed = 0;
    if (!ZktBoundCallForm(kZktInit, &nameForm, &removed)) return {};
    // A cdecl function leaves its arguments to the caller; a stdcall one
    // removes them all. Anything else is said as it was seen.
    std::string convention = std::to_string(removed) + " argument bytes removed";
    if (removed == 0) convention = "cdecl";
    if (removed == 4 * static_cast<uint32_t>(kZktOperationNames[kZktInit].arguments)) {
        convention = "stdcall";
    }
    return convention + ", exported as " + kZktNameForms[nameForm];
}

// The C runtime here has no line buffering: what was printed goes out
// before each call, so a library that crashes takes none of it with it.
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) \
    type ZKT_CALL ZKT_##name parameters {                             \
        std::fflush(stdout);                                          \
        return ZktBoundOps().name arguments;                          \
    }
#include "boardlib/zkt_operations.inc"
