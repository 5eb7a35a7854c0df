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
struct Around<kZktInit> {
    static void Before(const char *configFile, int32_t *count) {
        ExportedBeforeInit(configFile, count);
    }
    static void After() {}
};

template <>
struct Around<kZktCleanup> {
    static void Before() {}
    static void After() { ExportedAfterCleanup(); }
};

// Sets the table that answers the call of operation being made, which the
// traced call then goes through.
void Through(ZktOperation operation) {
    const ZktOps &ops = ExportedOps(operation);
    TracedThrough(ops, ExportedBeforeCall());
}

}  // namespace

#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) \
    type ZKT_CALL ZKT_##name parameters {                             \
        Around<kZkt##Name>::Before arguments;                         \
        Through(kZkt##Name);                                          \
        const type result = Traced##Name arguments;                   \
        Around<kZkt##Name>::After();                                  \
        return result;                                                \
    }
#include "boardlib/zkt_operations.inc"
