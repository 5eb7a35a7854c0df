// The target on Windows: the DLL named by ZKT_TRACE_TARGET, or else ZKT.DLL
// in the system directory, where the maker's installer puts it (for a 32-bit
// program on 64-bit Windows the system redirects that folder to the 32-bit
// one). The proxy itself is a ZKT.dll beside the program, so the target is
// always loaded by its full path, never by its bare name.
#include <windows.h>

#include <cstring>
#include <string>

#include "boardlib/zkt_bound.h"
#include "platform/platform.h"
#include "textesc/text_escape.h"
#include "zkttrace/trace_target.h"

namespace {

// The target's full path into out: ZKT_TRACE_TARGET made absolute, or the
// system directory's ZKT.DLL. Returns false when neither fits.
bool TargetPath(char *out, DWORD outSize) {
    char given[MAX_PATH * 4];
    const DWORD n = GetEnvironmentVariableA(kTraceTargetVariable, given, sizeof given);
    // Named but too long: refused, never swapped for the system's library.
    if (n >= sizeof given) return false;
    if (n > 0) {
        const DWORD full = GetFullPathNameA(given, outSize, out, nullptr);
        return full > 0 && full < outSize;
    }
    const UINT system = GetSystemDirectoryA(out, outSize);
    if (system == 0 || system + sizeof "\\ZKT.DLL" > outSize) return false;
    std::memcpy(out + system, "\\ZKT.DLL", sizeof "\\ZKT.DLL");
    return true;
}

}  // namespace

bool LoadTraceTarget(std::string *shown) {
    char path[MAX_PATH * 4];
    char reason[512];
    if (!TargetPath(path, sizeof path)) {
        return RefuseTraceTarget(std::string("no path for the target library (") +
                                 kTraceTargetVariable + " too long)");
    }
    // The path comes from the environment: its control bytes go out as \xNN,
    // as every other message shows text it did not write itself.
    const std::string named = EscapedControls(path);
    // The target's own DLLs are looked for beside it first; its reason reads
    // as the programs' own when they cannot load the library.
    auto *module = static_cast<HMODULE>(PlatformLoadLibraryFile(path, reason, sizeof reason));
    if (module == nullptr) {
        return RefuseTraceTarget("cannot load " + named + " (" + EscapedControls(reason) + ")");
    }
    HMODULE own = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&LoadTraceTarget), &own);
    if (module == own) return RefuseTraceTarget(named + " is this tracing library itself");
    if (ZktBindAvailable(PlatformLibrarySymbol, module) == kZktAllOperations) {
        return RefuseTraceTarget(named + " has no " + ZktNotFound(kZktDisplayMode));
    }
    *shown = named;
    return true;
}
