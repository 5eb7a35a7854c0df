// The exported operations, unmangled, one for each line of the list: each a
// traced call of the library's table, with the library's own additions
// around ZKT_init and ZKT_cleanup.
#include "calltrace/traced_exports.h"

#include "boardlib/zkt_api.h"
#include "calltrace/traced_ops.h"

namespace {

// What the library adds before and after a call of an operation: nothing,
// but for ZKT_init and ZKT_cleanup.
template <ZktOperation>
struct Around {
    template <typename... Arguments>
    static void Before(Arguments...) {}
    static void After() {}
};

template <>
template <>
void Around<kZktInit>::Before(const char *configFile, int32_t *count) {
    ExportedBeforeInit(configFile, count);
}

template <>
void Around<kZktCleanup>::After() {
    ExportedAfterCleanup();
}

}  // namespace

#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) \
    type ZKT_CALL ZKT_##name parameters {                             \
        Around<kZkt##Name>::Before arguments;                         \
        const ZktOps &ops = ExportedOps(kZkt##Name);                  \
        TracedThrough(ops, ExportedBeforeCall());                     \
        const type result = Traced##Name arguments;                   \
        Around<kZkt##Name>::After();                                  \
        return result;                                                \
    }
#include "boardlib/zkt_operations.inc"
