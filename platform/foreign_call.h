// Calling a function of a library bound by name at run time without knowing
// its calling convention. On 32-bit x86 a library may take its arguments in
// either of two ways: cdecl (the caller removes them from the stack after the
// call) or stdcall (the function removes them itself before it returns).
// ForeignCall serves both: it keeps its caller's stack pointer aside in a
// register the function must preserve and puts it back after the call, so
// the stack is right whichever way the function returned. Elsewhere there is
// one convention and a bound function is called directly.
#ifndef QUILMAR_PLATFORM_FOREIGN_CALL_H
#define QUILMAR_PLATFORM_FOREIGN_CALL_H

#include <cstdint>

// Whether this target's calls to a bound function go through ForeignCall.
#if defined(__i386__) || defined(_M_IX86)
constexpr bool kForeignCallNeeded = true;
#define QUILMAR_FOREIGN_CALL_CONVENTION __attribute__((cdecl))
#else
constexpr bool kForeignCallNeeded = false;
#define QUILMAR_FOREIGN_CALL_CONVENTION
#endif

// A function's address, whatever its parameters and convention.
using ForeignFunction = void (*)();

// Calls function with count 32-bit argument words, words[0] the first
// argument (at the lowest address, as both conventions pass it), on a stack
// aligned to 16 bytes, and returns what the function left in EAX: a 32-bit
// result. Unless removed is null, *removed gets the bytes of arguments the
// function took off the stack as it returned, which tell its convention: 0
// for cdecl, 4 * count for stdcall. Defined for 32-bit x86 only
// (platform/foreign_call_x86.cpp), under one assembler name on every system.
extern "C" uint32_t QUILMAR_FOREIGN_CALL_CONVENTION
ForeignCall(ForeignFunction function, const uint32_t *words, uint32_t count,
            uint32_t *removed = nullptr) __asm__("quilmar_foreign_call");

#undef QUILMAR_FOREIGN_CALL_CONVENTION

#endif  // QUILMAR_PLATFORM_FOREIGN_CALL_H
