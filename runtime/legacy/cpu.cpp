// The x86 real-mode interpreter: data moves, stack operations, far returns and the mouse
// interrupt, running machine code that a program has poked into cmem.
#include "cpu.h"
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include "flags.h"
#include "events.h"
#include "images.h"
#include "kel_atomic.h"
#include "keyboard.h"
#include "memory.h"
#include "peekpoke.h"
#include "platform.h"

static_assert(std::endian::native == std::endian::little, "registers are read as little-endian bytes");

cpu_registers cpu;

static uint8_t *reg_bytes(uint32_t &r, int offset = 0) { return reinterpret_cast<uint8_t *>(&r) + offset; }

// Register tables by x86 register number, pointing at the register's first byte in cpu
// (AH, CH, DH, BH at the second byte); values are read and written little-endian.
static uint8_t *reg8[8] = {reg_bytes(cpu.eax), reg_bytes(cpu.ecx), reg_bytes(cpu.edx), reg_bytes(cpu.ebx),
                           reg_bytes(cpu.eax, 1), reg_bytes(cpu.ecx, 1), reg_bytes(cpu.edx, 1), reg_bytes(cpu.ebx, 1)};
static uint8_t *reg16[8] = {reg_bytes(cpu.eax), reg_bytes(cpu.ecx), reg_bytes(cpu.edx), reg_bytes(cpu.ebx),
                            reg_bytes(cpu.esp), reg_bytes(cpu.ebp), reg_bytes(cpu.esi), reg_bytes(cpu.edi)};
static uint8_t *reg32[8] = {reg_bytes(cpu.eax), reg_bytes(cpu.ecx), reg_bytes(cpu.edx), reg_bytes(cpu.ebx),
                            reg_bytes(cpu.esp), reg_bytes(cpu.ebp), reg_bytes(cpu.esi), reg_bytes(cpu.edi)};
static uint16_t *segreg[6] = {&cpu.es, &cpu.cs, &cpu.ss, &cpu.ds, &cpu.fs, &cpu.gs};   // ES, CS, SS, DS, FS, GS
static uint8_t *seg_es_ptr = cmem, *seg_cs_ptr = cmem, *seg_ss_ptr = cmem, *seg_ds_ptr = cmem,
               *seg_fs_ptr = cmem, *seg_gs_ptr = cmem;

// State of the instruction being run: the next instruction byte, the bases for ordinary and
// BP-relative operands, the address- and operand-size overrides.
static uint8_t *ip = cmem;
static uint8_t *seg = cmem, *seg_bp = cmem;
static int a32 = 0, b32 = 0;

uint16_t call_absolute_offsets[256];
static char unknown_opcode_mess[] = "Unknown Opcode (  )";

// ---------------------------------------------------------------------------------------
// Memory and registers. Every address is a segment base plus a 16-bit offset, so even a
// dword at FFFF:FFFF stays inside cmem. The BIOS data area is shared with the main thread
// (key buffer, flags, ticks), so bytes there are accessed atomically.

static constexpr uint32_t bios_area_end = 0x500;

static uint32_t load(const uint8_t *p, int n) {
  uint32_t v = 0;
  if (p < cmem + bios_area_end) {
    for (int i = 0; i < n; i++)
      v |= (uint32_t)kel_atomic_ref<uint8_t>(const_cast<uint8_t &>(p[i])).load(std::memory_order_relaxed) << (8 * i);
  } else {
    std::memcpy(&v, p, (size_t)n);
  }
  return v;
}

static void store(uint8_t *p, uint32_t v, int n) {
  if (p < cmem + bios_area_end) {
    for (int i = 0; i < n; i++) kel_atomic_ref<uint8_t>(p[i]).store((uint8_t)(v >> (8 * i)), std::memory_order_relaxed);
  } else {
    std::memcpy(p, &v, (size_t)n);
  }
}

static uint32_t reg_get(uint8_t *r, int n) {
  uint32_t v = 0;
  std::memcpy(&v, r, (size_t)n);
  return v;
}
static void reg_set(uint8_t *r, uint32_t v, int n) { std::memcpy(r, &v, (size_t)n); }

static uint8_t *seg_base(uint16_t s) { return cmem + (uint32_t)s * 16; }

// The base pointer of segment register n (x86 order), after its register changed.
static void seg_recompute(int n) {
  uint8_t *b = seg_base(*segreg[n]);
  switch (n) {
    case 0: seg_es_ptr = b; break;
    case 1: seg_cs_ptr = b; break;
    case 2: seg_ss_ptr = b; break;
    case 3: seg_ds_ptr = b; break;
    case 4: seg_fs_ptr = b; break;
    case 5: seg_gs_ptr = b; break;
  }
}

// Instruction bytes; IP wraps inside the code segment.
static uint8_t fetch8() {
  uint8_t b = (uint8_t)load(ip, 1);
  ip = seg_cs_ptr + (uint16_t)(ip - seg_cs_ptr + 1);
  return b;
}
static uint16_t fetch16() {
  uint16_t lo = fetch8();
  return (uint16_t)(lo | fetch8() << 8);
}
static uint32_t fetch32() {
  uint32_t lo = fetch16();
  return lo | (uint32_t)fetch16() << 16;
}

static uint16_t sp() { return (uint16_t)cpu.esp; }

static void push(uint32_t v, int n) {
  cpu.esp = (uint16_t)(sp() - n);
  store(seg_ss_ptr + sp(), v, n);
}
static uint32_t pop(int n) {
  uint32_t v = load(seg_ss_ptr + sp(), n);
  cpu.esp = (uint16_t)(sp() + n);
  return v;
}

[[noreturn]] static void unknown_opcode(uint8_t op) {
  static const char hex[] = "0123456789ABCDEF";
  unknown_opcode_mess[16] = hex[op >> 4];
  unknown_opcode_mess[17] = hex[op & 15];
  platform_msgbox("X86 Error", unknown_opcode_mess, msgbox_kind::ok);
  cpu_exit(86);
  std::abort();                     // cpu_exit never returns
}

// ---------------------------------------------------------------------------------------
// ModR/M operands. A memory operand is a pointer into cmem; mod 3 names a register.

struct operand {
  int reg;                 // the reg field
  int rm;                  // register number when mem is null
  uint8_t *mem;
  uint32_t ea;             // the offset, 32 bits wide under 0x67
};

static operand decode_modrm() {
  uint8_t m = fetch8();
  int mod = m >> 6, reg = (m >> 3) & 7, rm = m & 7;
  if (mod == 3) return {reg, rm, nullptr, 0};
  uint32_t ea = 0;
  bool stack = false;      // BP, EBP (and ESP) bases address the stack segment
  if (!a32) {
    auto r = [](int n) { return reg_get(reg16[n], 2); };
    switch (rm) {
      case 0: ea = r(3) + r(6); break;
      case 1: ea = r(3) + r(7); break;
      case 2: ea = r(5) + r(6), stack = true; break;
      case 3: ea = r(5) + r(7), stack = true; break;
      case 4: ea = r(6); break;
      case 5: ea = r(7); break;
      case 6:
        if (mod == 0) ea = fetch16();
        else ea = r(5), stack = true;
        break;
      case 7: ea = r(3); break;
    }
    if (mod == 1) ea += (uint32_t)(int32_t)(int8_t)fetch8();
    else if (mod == 2) ea += fetch16();
    ea &= 0xFFFF;
  } else {
    auto r = [](int n) { return reg_get(reg32[n], 4); };
    if (rm == 4) {
      uint8_t sib = fetch8();
      int scale = sib >> 6, index = (sib >> 3) & 7, base = sib & 7;
      if (index != 4) ea = r(index) << scale;
      if (base == 5 && mod == 0) {
        ea += fetch32();
      } else {
        ea += r(base);
        stack = base == 4 || base == 5;
      }
    } else if (rm == 5 && mod == 0) {
      ea = fetch32();
    } else {
      ea = r(rm);
      stack = rm == 5;
    }
    if (mod == 1) ea += (uint32_t)(int32_t)(int8_t)fetch8();
    else if (mod == 2) ea += fetch32();
  }
  return {reg, rm, (stack ? seg_bp : seg) + (ea & 0xFFFF), ea};
}

// Reads and writes of an r/m operand of n bytes.
static uint32_t rm_get(const operand &o, int n) {
  if (o.mem) return load(o.mem, n);
  return reg_get(n == 1 ? reg8[o.rm] : n == 2 ? reg16[o.rm] : reg32[o.rm], n);
}
static void rm_set(const operand &o, uint32_t v, int n) {
  if (o.mem) store(o.mem, v, n);
  else reg_set(n == 1 ? reg8[o.rm] : n == 2 ? reg16[o.rm] : reg32[o.rm], v, n);
}
static uint8_t *reg_n(int r, int n) { return n == 1 ? reg8[r] : n == 2 ? reg16[r] : reg32[r]; }

// ---------------------------------------------------------------------------------------

// A popped segment register also gets its base back, as MOV to a segment register does:
// a routine that sets DS with PUSH CS / POP DS expects its next operands to follow.
static void pop_segment(int n, int size) {
  *segreg[n] = (uint16_t)pop(size);
  seg_recompute(n);
}

// Runs one instruction; false when it was a far return.
static bool step() {
  b32 = a32 = 0;
  seg = seg_ds_ptr;
  seg_bp = seg_ss_ptr;
  uint8_t op = fetch8();
  if (op == 0x66) b32 = 1, op = fetch8();
  if (op == 0x26) seg = seg_bp = seg_es_ptr, op = fetch8();
  if (op == 0x2E) seg = seg_bp = seg_cs_ptr, op = fetch8();
  if (op == 0x36) seg = seg_ss_ptr, op = fetch8();
  if (op == 0x3E) seg_bp = seg_ds_ptr, op = fetch8();
  if (op == 0x64) seg = seg_bp = seg_fs_ptr, op = fetch8();
  if (op == 0x65) seg = seg_bp = seg_gs_ptr, op = fetch8();
  if (op == 0x67) a32 = 1, op = fetch8();
  int w = b32 ? 4 : 2;     // word or dword operand
  switch (op) {
    case 0x88: case 0x89: {
      int n = op == 0x88 ? 1 : w;
      operand o = decode_modrm();
      rm_set(o, reg_get(reg_n(o.reg, n), n), n);
      break;
    }
    case 0x8A: case 0x8B: {
      int n = op == 0x8A ? 1 : w;
      operand o = decode_modrm();
      reg_set(reg_n(o.reg, n), rm_get(o, n), n);
      break;
    }
    case 0x8C: {
      operand o = decode_modrm();
      if (o.reg > 5) unknown_opcode(op);
      rm_set(o, *segreg[o.reg], 2);
      break;
    }
    case 0x8E: {
      operand o = decode_modrm();
      if (o.reg > 5) unknown_opcode(op);
      *segreg[o.reg] = (uint16_t)rm_get(o, 2);
      if (o.reg != 1) seg_recompute(o.reg);   // CS changes only the register
      break;
    }
    case 0x8D: {           // LEA: the operand's offset, decoded whole so no byte runs as code
      operand o = decode_modrm();
      if (!o.mem) unknown_opcode(op);
      reg_set(reg32[o.reg], o.ea, w);
      break;
    }
    case 0xA0: case 0xA1: {
      int n = op == 0xA0 ? 1 : w;
      uint16_t at = fetch16();
      reg_set(reg32[0], load(seg + at, n), n);
      break;
    }
    case 0xA2: case 0xA3: {
      int n = op == 0xA2 ? 1 : w;
      uint16_t at = fetch16();
      store(seg + at, reg_get(reg32[0], n), n);
      break;
    }
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xB4: case 0xB5: case 0xB6: case 0xB7:
      *reg8[op & 7] = fetch8();
      break;
    case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC: case 0xBD: case 0xBE: case 0xBF:
      reg_set(reg32[op & 7], b32 ? fetch32() : fetch16(), w);
      break;
    case 0xC6: case 0xC7: {
      int n = op == 0xC6 ? 1 : w;
      operand o = decode_modrm();
      uint32_t v = n == 1 ? fetch8() : n == 2 ? fetch16() : fetch32();
      rm_set(o, v, n);
      break;
    }
    case 0x50: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x56: case 0x57:
      push(reg_get(reg32[op & 7], w), w);   // PUSH SP stores SP as it was before
      break;
    case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C: case 0x5D: case 0x5E: case 0x5F: {
      uint32_t v = pop(w);
      reg_set(reg32[op & 7], v, w);        // POP SP keeps the popped value
      break;
    }
    case 0x68:
      push(b32 ? fetch32() : fetch16(), w);
      break;
    case 0x6A:
      push((uint16_t)(int16_t)(int8_t)fetch8(), 2);
      break;
    case 0xFF: {
      operand o = decode_modrm();
      push(rm_get(o, w), w);
      break;
    }
    case 0x8F: {
      operand o = decode_modrm();
      rm_set(o, pop(w), w);
      break;
    }
    case 0x06: push(cpu.es, w); break;
    case 0x0E: push(cpu.cs, w); break;
    case 0x16: push(cpu.ss, w); break;
    case 0x1E: push(cpu.ds, w); break;
    case 0x07: pop_segment(0, w); break;
    case 0x17: pop_segment(2, w); break;
    case 0x1F: pop_segment(3, w); break;
    case 0x0F: {
      uint8_t op2 = fetch8();
      if (op2 == 0xA0) push(cpu.fs, w);
      else if (op2 == 0xA8) push(cpu.gs, w);
      else if (op2 == 0xA1) pop_segment(4, w);
      else if (op2 == 0xA9) pop_segment(5, w);
      else unknown_opcode(op);
      break;
    }
    case 0xCD:
      call_int(fetch8());
      break;
    case 0xCA: case 0xCB:
      return false;
    default:
      unknown_opcode(op);
  }
  return true;
}

void (*cpu_exit)(int status) = [](int status) { kel_exit(status); };
uint64_t cpu_step_limit = 0;

void cpu_call() {
  for (int n = 0; n < 6; n++) seg_recompute(n);
  ip = seg_cs_ptr + cpu.ip;
  uint64_t steps = 0;
  while (step()) {
    if (load(ip, 1) == 0) cpu_exit((int)load(cmem, 1));
    // A routine that never returns must not keep the window from closing.
    if ((++steps & 0xFFFF) == 0 && (stop_program.load() || (cpu_step_limit && steps >= cpu_step_limit))) break;
  }
  cpu.ip = (uint16_t)(ip - seg_cs_ptr);
}

void call_absolute(int32_t count, int32_t offset) {
  if (new_error) return;
  // Machine code runs in the emulated megabyte only: an array's pseudo segment is not there.
  if (count < 0 || count > 256 || defseg_segment >= pseudo_segment_base) {
    error(5);
    return;
  }
  cpu = {};
  cpu.cs = (uint16_t)((defseg - cmem) / 16);
  cpu.ip = (uint16_t)offset;
  cpu.ss = 0xFFFF;
  cpu.esp = 0;
  cpu.ds = 80;
  seg_recompute(2);
  for (int i = 0; i < count; i++) push(call_absolute_offsets[i], 2);
  push(0xFFFFFFFFu, 4);    // the far return address
  cpu_call();
}

// ---------------------------------------------------------------------------------------
// Interrupts: the mouse driver (INT 33h).

static uint16_t r16(int n) { return (uint16_t)reg_get(reg16[n], 2); }
static void w16(int n, uint16_t v) { reg_set(reg16[n], v, 2); }
enum { rax = 0, rcx = 1, rdx = 2, rbx = 3, rsp = 4, rbp = 5, rsi = 6, rdi = 7 };

static void mouse_read() {
  uint16_t buttons = (func__mousebutton(1) ? 1 : 0) | (func__mousebutton(2) ? 2 : 0);
  float mx = func__mousex(), my = func__mousey();
  img_struct *p = display_page;
  int x = (int)mx, y = (int)my;
  if (p && (p->screen_mode == 0 || p->is_text)) {
    // The mouse functions give a cell coordinate; the driver reports 8 units a cell.
    x = (int)((mx - 0.5f) * 8);
    y = (int)((my - 0.5f) * 8);
    if (x > p->width * 8 - 1) x = p->width * 8 - 1;
    if (y > p->height * 8 - 1) y = p->height * 8 - 1;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  } else if (p && (p->screen_mode == 1 || p->screen_mode == 7 || p->screen_mode == 13)) {
    x *= 2;                // 320-pixel modes report a 640-unit range
  }
  w16(rbx, buttons);
  w16(rcx, (uint16_t)x);
  w16(rdx, (uint16_t)y);
}

void call_int(int32_t number) {
  if (number != 0x33) return;
  switch (r16(rax)) {
    case 0:
      w16(rax, 0xFFFF);
      w16(rbx, 2);
      break;
    case 1: sub__mouseshow(); break;
    case 2: sub__mousehide(); break;
    case 3: mouse_read(); break;
  }
}

// The register record's fields in order, as x86 register numbers.
static const int record_regs[7] = {rax, rbx, rcx, rdx, rbp, rsi, rdi};

static void interrupt_common(int32_t number, interrupt_regs in, interrupt_regs out, bool x) {
  if (new_error) return;
  uint32_t need = x ? 20 : 16;
  if (!out.data || out.bytes < need || !in.data || in.bytes < need) {
    error(5);
    return;
  }
  cpu = {};
  const uint8_t *src = static_cast<const uint8_t *>(in.data);
  for (int i = 0; i < 7; i++) {
    uint16_t v;
    std::memcpy(&v, src + 2 * i, 2);
    w16(record_regs[i], v);
  }
  if (x) {
    std::memcpy(&cpu.ds, src + 16, 2);
    std::memcpy(&cpu.es, src + 18, 2);
  }
  call_int(number);
  uint8_t *dst = static_cast<uint8_t *>(out.data);
  for (int i = 0; i < 7; i++) {
    uint16_t v = r16(record_regs[i]);
    std::memcpy(dst + 2 * i, &v, 2);
  }
  if (x) {
    std::memcpy(dst + 16, &cpu.ds, 2);
    std::memcpy(dst + 18, &cpu.es, 2);
  }
}

void call_interrupt(int32_t number, interrupt_regs inregs, interrupt_regs outregs) {
  interrupt_common(number, inregs, outregs, false);
}

void call_interruptx(int32_t number, interrupt_regs inregs, interrupt_regs outregs) {
  interrupt_common(number, inregs, outregs, true);
}
