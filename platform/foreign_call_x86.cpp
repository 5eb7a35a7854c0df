// ForeignCall for 32-bit x86 (platform/foreign_call.h), the same on Linux and
// Windows. Written at file scope in assembly: no compiler may keep anything of
// its own on the stack across a call that pops an unknown number of bytes.
//
// On entry (cdecl): 4(%esp) function, 8(%esp) words, 12(%esp) count,
// 16(%esp) removed.
// %ebx holds the stack pointer to come back to while the function runs; the
// function preserves %ebx in either convention, and %ebx, %esi and %edi,
// which ForeignCall uses, are saved and restored for its own caller.
#include "platform/foreign_call.h"

static_assert(kForeignCallNeeded, "ForeignCall is built for 32-bit x86 only");

__asm__(
    ".text\n"
    ".globl quilmar_foreign_call\n"
#if defined(__ELF__)
    // Not exported from the shared libraries it is linked into.
    ".hidden quilmar_foreign_call\n"
    ".type quilmar_foreign_call, @function\n"
#elif defined(_WIN32)
    ".def quilmar_foreign_call; .scl 2; .type 32; .endef\n"
#endif
    ".p2align 4\n"
    "quilmar_foreign_call:\n"
    "    .cfi_startproc\n"
    "    pushl %ebx\n"
    "    .cfi_adjust_cfa_offset 4\n"
    "    .cfi_rel_offset %ebx, 0\n"
    "    pushl %esi\n"
    "    .cfi_adjust_cfa_offset 4\n"
    "    .cfi_rel_offset %esi, 0\n"
    "    pushl %edi\n"
    "    .cfi_adjust_cfa_offset 4\n"
    "    .cfi_rel_offset %edi, 0\n"
    "    movl 16(%esp), %eax\n"  // function
    "    movl 20(%esp), %esi\n"  // words
    "    movl 24(%esp), %ecx\n"  // count
    "    movl %esp, %ebx\n"
    "    .cfi_def_cfa_register %ebx\n"
    // Room for the words, the first of them on a 16-byte boundary, as the
    // 32-bit ABIs expect at a call.
    "    leal 0(,%ecx,4), %edx\n"
    "    subl %edx, %esp\n"
    "    andl $-16, %esp\n"
    "    xorl %edx, %edx\n"
    "    jmp 2f\n"
    "1:  movl (%esi,%edx,4), %edi\n"
    "    movl %edi, (%esp,%edx,4)\n"
    "    incl %edx\n"
    "2:  cmpl %ecx, %edx\n"
    "    jb 1b\n"
    "    movl %esp, %edi\n"
    "    call *%eax\n"
    // The words are gone (stdcall) or still there (cdecl): either way the
    // stack pointer comes back from %ebx, once its rise is noted.
    "    movl %esp, %ecx\n"
    "    subl %edi, %ecx\n"
    "    movl %ebx, %esp\n"
    "    .cfi_def_cfa_register %esp\n"
    "    movl 28(%esp), %edx\n"  // removed
    "    testl %edx, %edx\n"
    "    jz 3f\n"
    "    movl %ecx, (%edx)\n"
    "3:\n"
    "    popl %edi\n"
    "    .cfi_adjust_cfa_offset -4\n"
    "    .cfi_restore %edi\n"
    "    popl %esi\n"
    "    .cfi_adjust_cfa_offset -4\n"
    "    .cfi_restore %esi\n"
    "    popl %ebx\n"
    "    .cfi_adjust_cfa_offset -4\n"
    "    .cfi_restore %ebx\n"
    "    ret\n"
    "    .cfi_endproc\n"
#if defined(__ELF__)
    ".size quilmar_foreign_call, .-quilmar_foreign_call\n"
#endif
);
