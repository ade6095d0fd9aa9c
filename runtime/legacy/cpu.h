// The x86 real-mode interpreter behind CALL ABSOLUTE, and CALL INTERRUPT / INTERRUPTX.
#pragma once
#include <cstdint>

// The register record: 32-bit general registers, then the segment registers and IP, each
// in the low half of a 32-bit slot. Cleared at the start of every call.
struct cpu_registers {
  uint32_t eax, ebx, ecx, edx, esi, edi, ebp, esp;
  uint16_t cs, cs_high, ss, ss_high, ds, ds_high, es, es_high, fs, fs_high, gs, gs_high;
  uint16_t ip, ip_high;
};
static_assert(sizeof(cpu_registers) == 60);
extern cpu_registers cpu;

extern uint16_t call_absolute_offsets[256];     // CALL ABSOLUTE's arguments, first one first

// Runs from cpu.CS:IP until a far return. An unsupported opcode ends the process with
// status 86 after an "X86 Error" box; a zero byte as the next opcode ends it with cmem[0].
void cpu_call();
// How the interpreter ends the process (kel_exit unless replaced); must not return.
extern void (*cpu_exit)(int status);
// Instructions one call may run before it returns as if at a far return (0: no limit).
// A request to stop the program ends a call the same way; both are checked every 65,536
// instructions.
extern uint64_t cpu_step_limit;
// Interrupt n on the current registers; only 0x33 (the mouse driver) does anything.
void call_int(int32_t number);

// CALL ABSOLUTE: runs DEF SEG segment : offset (low 16 bits) with count (0...256, else
// error 5) arguments taken from call_absolute_offsets.
void call_absolute(int32_t count, int32_t offset);

// A register record of the program: its bytes and their number. Fields are 16-bit:
// AX 0, BX 2, CX 4, DX 6, BP 8, SI 10, DI 12, (flags 14), DS 16, ES 18.
struct interrupt_regs {
  void *data;
  uint32_t bytes;
};
// Records shorter than 16 bytes (20 for INTERRUPTX) raise error 5, the output record
// checked first. inregs and outregs may be the same record.
void call_interrupt(int32_t number, interrupt_regs inregs, interrupt_regs outregs);
void call_interruptx(int32_t number, interrupt_regs inregs, interrupt_regs outregs);
