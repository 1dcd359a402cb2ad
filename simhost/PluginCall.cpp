#include "PluginCall.h"

#ifdef SIMHOST_CHECKED_PLUGIN_CALLS

namespace {

uint32_t gShift = 0;
uint32_t gFaults = 0;

}  // namespace

// qv_checked_call(function, words, count, shift, faults): pushes the words
// so that the stack pointer at the call is `shift` bytes below a 16-byte
// boundary, loads marker values into the callee-saved registers, calls, and
// adds 1 to *faults when the stack pointer or a marker did not survive.
extern "C" uint32_t __cdecl qv_checked_call(const void* function, const uint32_t* words, uint32_t count,
                                            uint32_t shift, uint32_t* faults);
__asm__(
    ".text\n"
    ".globl _qv_checked_call\n"
    "_qv_checked_call:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    subl $4, %esp\n"            // -16(%ebp): where the call must leave the stack pointer
    "    movl 16(%ebp), %ecx\n"      // count
    "    movl 12(%ebp), %esi\n"      // words
    "    andl $-16, %esp\n"
    "    leal (,%ecx,4), %eax\n"     // padding = (shift - 4 * count) mod 16
    "    negl %eax\n"
    "    addl 20(%ebp), %eax\n"
    "    andl $15, %eax\n"
    "    subl %eax, %esp\n"
    "1:  testl %ecx, %ecx\n"
    "    jz 2f\n"
    "    pushl -4(%esi,%ecx,4)\n"
    "    decl %ecx\n"
    "    jmp 1b\n"
    "2:  movl %esp, -16(%ebp)\n"
    "    movl 8(%ebp), %eax\n"
    "    movl $0x5EB15EB1, %ebx\n"
    "    movl $0x51515151, %esi\n"
    "    movl $0xD1D1D1D1, %edi\n"
    "    call *%eax\n"
    "    cmpl -16(%ebp), %esp\n"
    "    jne 3f\n"
    "    cmpl $0x5EB15EB1, %ebx\n"
    "    jne 3f\n"
    "    cmpl $0x51515151, %esi\n"
    "    jne 3f\n"
    "    cmpl $0xD1D1D1D1, %edi\n"
    "    je 4f\n"
    "3:  movl 24(%ebp), %ecx\n"
    "    incl (%ecx)\n"
    "4:  leal -12(%ebp), %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

namespace simhost {

uint32_t CallPlugin(const void* function, std::initializer_list<uint32_t> words)
{
    return qv_checked_call(function, words.begin(), static_cast<uint32_t>(words.size()), gShift, &gFaults);
}

void SetPluginStackShift(uint32_t bytes)
{
    gShift = bytes & 12;
}

uint32_t PluginCallFaults()
{
    return gFaults;
}

}  // namespace simhost

#endif
