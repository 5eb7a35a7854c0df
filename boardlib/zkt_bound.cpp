#include "boardlib/zkt_bound.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "platform/foreign_call.h"

namespace {

// The addresses themselves, as a table of functions of the compiler's
// default convention. On 32-bit x86 they are called only through
// ForeignCall, which serves a library of either convention; elsewhere there
// is one convention.
ZktOps bound;
void *addresses[kZktOperationCount];  // as looked up; null where not bound

// The form of each bound operation's name (ZktFindOperation), and the bytes
// of arguments it took off the stack at its last call through ForeignCall.
int nameForms[kZktOperationCount];
constexpr uint32_t kNotCalled = UINT32_MAX;
uint32_t removedBytes[kZktOperationCount];

// A looked-up address becomes a pointer to a function by copying its bytes,
// which every system that hands out symbols as object pointers allows.
template <typename Function>
void Place(Function *slot, void *address) {
    static_assert(sizeof address == sizeof *slot, "function and object pointers differ in size");
    std::memcpy(slot, &address, sizeof address);
}

// An argument as the 32-bit stack word it is passed in.
template <typename Parameter>
uint32_t ArgumentWord(Parameter value) {
    static_assert(sizeof(Parameter) == sizeof(uint32_t), "every argument is one 32-bit word");
    if constexpr (std::is_pointer_v<Parameter>) {
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    } else {
        return static_cast<uint32_t>(value);
    }
}

// A bound operation, called with the arguments that follow it: through
// ForeignCall where the library's convention is not known (32-bit x86),
// directly elsewhere. An empty slot (an operation not bound) answers
// kZktRefused.
template <typename... Parameters>
struct BoundCall {
    int32_t (*function)(Parameters...);
    uint32_t *removed;

    BoundCall(int32_t (*slot)(Parameters...), uint32_t *removedAt)
        : function(slot), removed(removedAt) {}

    int32_t operator()(Parameters... arguments) const {
        if (function == nullptr) return kZktRefused;
        if constexpr (kForeignCallNeeded) {
            // One word more than needed, so that an operation of no argument has an array too.
            const uint32_t words[sizeof...(Parameters) + 1] = {
                ArgumentWord<Parameters>(arguments)...};
            return static_cast<int32_t>(ForeignCall(reinterpret_cast<ForeignFunction>(function),
                                                    words, sizeof...(Parameters), removed));
        } else {
            return function(arguments...);
        }
    }
};

// A type and parameter and argument lists, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments)      \
    type Bound##Name parameters {                                          \
        return BoundCall(bound.name, &removedBytes[kZkt##Name]) arguments; \
    }
// NOLINTEND(bugprone-macro-parentheses)
#include "boardlib/zkt_operations.inc"

const ZktOps kBoundOps = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) Bound##Name,
#include "boardlib/zkt_operations.inc"
};

}  // namespace

uint32_t ZktBindAvailable(ZktLookup lookup, void *context, uint32_t wanted) {
    uint32_t missing = 0;
    for (int i = 0; i < kZktOperationCount; ++i) {
        const auto op = static_cast<ZktOperation>(i);
        const bool isWanted = (wanted & ZktOperationBit(op)) != 0;
        addresses[i] = isWanted ? ZktFindOperation(lookup, context, op, &nameForms[i]) : nullptr;
        removedBytes[i] = kNotCalled;
        if (isWanted && addresses[i] == nullptr) missing |= ZktOperationBit(op);
    }
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) \
    Place(&bound.name, addresses[kZkt##Name]);
#include "boardlib/zkt_operations.inc"
    return missing;
}

bool ZktBind(ZktLookup lookup, void *context, uint32_t needs, ZktOperation *missing) {
    const uint32_t notFound = ZktBindAvailable(lookup, context, needs);
    if (notFound == 0) return true;
    ZktUnbind();
    int first = 0;
    while ((notFound & ZktOperationBit(static_cast<ZktOperation>(first))) == 0) ++first;
    *missing = static_cast<ZktOperation>(first);
    return false;
}

// Binding none of them.
void ZktUnbind() { ZktBindAvailable(nullptr, nullptr, 0); }

bool ZktBoundCallForm(ZktOperation operation, int *nameForm, uint32_t *removed) {
    if (!kForeignCallNeeded || !ZktBound(operation) || removedBytes[operation] == kNotCalled) {
        return false;
    }
    *nameForm = nameForms[operation];
    *removed = removedBytes[operation];
    return true;
}

bool ZktBound(ZktOperation operation) {
    return operation < kZktOperationCount && addresses[operation] != nullptr;
}

const ZktOps &ZktBoundOps() { return kBoundOps; }

const void *ZktBoundInitAddress() { return addresses[kZktInit]; }
