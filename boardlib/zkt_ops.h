// The operations of the board access library as one table of plain function
// pointers, made from their one list (zkt_operations.inc). Whatever answers
// the operations fills such a table: the simulator's model of the boards,
// the replay of a recorded run, and a library bound by name at run time
// (through forwarding functions that call its addresses in its own
// convention). What every call does whoever answers it (its trace line) is
// written once, around any table (calltrace/traced_ops.h).
#ifndef QUILMAR_BOARDLIB_ZKT_OPS_H
#define QUILMAR_BOARDLIB_ZKT_OPS_H

#include <cstdint>
#include <type_traits>

#include "boardlib/zkt_api.h"

// A slot left empty (null) is an operation not there to call: it answers
// kZktRefused.
struct ZktOps {
// The list hands over a type and a parameter list, which parentheses would
// break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) type(*name) parameters;
// NOLINTEND(bugprone-macro-parentheses)
#include "boardlib/zkt_operations.inc"
};

// The operations in the order of ZktOps' slots.
enum ZktOperation {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) kZkt##Name,
#include "boardlib/zkt_operations.inc"
    kZktOperationCount
};

// How many parameters a function has, asked of a null pointer to its type.
template <typename Result, typename... Parameters>
constexpr int ZktParameterCount(Result (*)(Parameters...)) {
    return sizeof...(Parameters);
}

// The interface that other programs include is written by hand: each of its
// declarations must be the list's, with as many parameters as it says.
// A type and a parameter list, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments)                     \
    static_assert(std::is_same_v<decltype(&ZKT_##name), type(ZKT_CALL *) parameters>,     \
                  "zkt_api.h declares ZKT_" #name " otherwise than the list");            \
    static_assert(ZktParameterCount(static_cast<type(*) parameters>(nullptr)) == (words), \
                  "ZKT_" #name " takes another number of words than the list says");
// NOLINTEND(bugprone-macro-parentheses)
#include "boardlib/zkt_operations.inc"

// What an operation answers when there is nothing to answer it: a slot left
// empty, a call the simulator does not take, a replay gone astray.
constexpr int32_t kZktRefused = static_cast<int32_t>(ZKTerr_BAD_MODE);

// Each operation's exported name and how many argument words it takes.
struct ZktOperationName {
    const char *name;
    int arguments;
};
extern const ZktOperationName kZktOperationNames[kZktOperationCount];

// A set of operations, one bit each: the ones a program calls.
constexpr uint32_t ZktOperationBit(ZktOperation operation) { return 1u << operation; }
constexpr uint32_t kZktAllOperations = (1u << kZktOperationCount) - 1;

#endif  // QUILMAR_BOARDLIB_ZKT_OPS_H
