// Unit tests for the real-mode interpreter: hand-assembled routines per instruction group,
// CALL ABSOLUTE's set-up, the exits, and CALL INTERRUPT with the mouse driver.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>
#include "test_support.h"
#include "platform.h"

namespace cpu_test {

namespace {

// Segments the routines run with; each gets a distinct 64 KB area of cmem.
constexpr uint16_t CS = 0x2000, SS = 0x3000, DS = 0x4000, ES = 0x5000, FS = 0x6000, GS = 0x7000;

uint8_t *at(uint16_t s, uint32_t off) { return cmem + (uint32_t)s * 16 + off; }
uint16_t get16(const uint8_t *p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
uint32_t get32(const uint8_t *p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
void put16(uint8_t *p, uint16_t v) { std::memcpy(p, &v, 2); }
void put32(uint8_t *p, uint32_t v) { std::memcpy(p, &v, 4); }

// Runs code (a far return is appended) at CS:0 with the segments above and SP = 0x100;
// setup runs after the areas are cleared, to place registers and memory.
void run_code(std::vector<uint8_t> code, const std::function<void()> &setup = {}) {
  kel_test_reset();
  std::memset(cmem + 0x20000, 0, 0x60000);
  code.push_back(0xCB);
  std::memcpy(at(CS, 0), code.data(), code.size());
  cpu = {};
  cpu.cs = CS, cpu.ss = SS, cpu.ds = DS, cpu.es = ES, cpu.fs = FS, cpu.gs = GS;
  cpu.esp = 0x100;
  if (setup) setup();
  cpu_call();
}

// Message boxes in a death test's child go to standard error, marked with their kind.
void hook_boxes_to_stderr() {
  platform_msgbox_hook = [](const char *caption, const char *text, msgbox_kind kind) {
    std::fprintf(stderr, "box(%s) %s|%s\n", kind == msgbox_kind::ok ? "ok" : "yesno", caption, text);
    return 1;
  };
}

}  // namespace

TEST(Cpu, SixteenBitAddressingFormsReachTheirOperands) {
  struct { const char *form; std::vector<uint8_t> code; uint8_t *where; } cases[] = {
    {"[BX+SI]", {0x8B, 0x00}, at(DS, 0x30)},
    {"[BX+DI]", {0x8B, 0x01}, at(DS, 0x50)},
    {"[BP+SI] uses SS", {0x8B, 0x02}, at(SS, 0x28)},
    {"[BP+DI] uses SS", {0x8B, 0x03}, at(SS, 0x48)},
    {"[SI]", {0x8B, 0x04}, at(DS, 0x20)},
    {"[DI]", {0x8B, 0x05}, at(DS, 0x40)},
    {"[disp16]", {0x8B, 0x06, 0x34, 0x12}, at(DS, 0x1234)},
    {"[BX]", {0x8B, 0x07}, at(DS, 0x10)},
    {"[BP-2] disp8 sign-extended", {0x8B, 0x46, 0xFE}, at(SS, 0x06)},
    {"[BX+SI+5]", {0x8B, 0x40, 0x05}, at(DS, 0x35)},
    {"[BX+disp16]", {0x8B, 0x87, 0x00, 0x10}, at(DS, 0x1010)},
    {"[BP+disp16]", {0x8B, 0x86, 0x00, 0x10}, at(SS, 0x1008)},
    {"[DI+disp16] wraps at 64 KB", {0x8B, 0x85, 0xF0, 0xFF}, at(DS, 0x30)},
  };
  for (auto &c : cases) {
    run_code(c.code, [&] {
      cpu.ebx = 0x10, cpu.esi = 0x20, cpu.edi = 0x40, cpu.ebp = 0x08;
      put16(c.where, 0xBEEF);
    });
    EXPECT_EQ(cpu.eax, 0xBEEFu) << c.form;
  }
}

TEST(Cpu, ThirtyTwoBitAddressingFormsWithSib) {
  struct { const char *form; std::vector<uint8_t> code; uint8_t *where; } cases[] = {
    {"[EBX]", {0x67, 0x8B, 0x03}, at(DS, 0x10)},
    {"[ESI]", {0x67, 0x8B, 0x06}, at(DS, 0x20)},
    {"[disp32]", {0x67, 0x8B, 0x05, 0x78, 0x56, 0x00, 0x00}, at(DS, 0x5678)},
    {"[EBP+4] uses SS", {0x67, 0x8B, 0x45, 0x04}, at(SS, 0x0C)},
    {"[EBX+ECX*4]", {0x67, 0x8B, 0x04, 0x8B}, at(DS, 0x10 + 3 * 4)},
    {"[ECX*8+disp32] (base 5, mod 0)", {0x67, 0x8B, 0x04, 0xCD, 0x00, 0x02, 0x00, 0x00}, at(DS, 0x200 + 3 * 8)},
    {"[EBX-1] with SIB and no index", {0x67, 0x8B, 0x44, 0x63, 0xFF}, at(DS, 0x0F)},
    {"[EBP+ECX*2+disp32] uses SS", {0x67, 0x8B, 0x84, 0x4D, 0x00, 0x01, 0x00, 0x00}, at(SS, 0x108 + 6)},
    {"[ESP+2] uses SS", {0x67, 0x8B, 0x44, 0x24, 0x02}, at(SS, 0x102)},
    {"[EDI+disp32] cut to 16 bits", {0x67, 0x8B, 0x87, 0x00, 0x00, 0x01, 0x00}, at(DS, 0x40)},
    {"[EDX] high bits dropped", {0x67, 0x8B, 0x02}, at(DS, 0x0077)},
  };
  for (auto &c : cases) {
    run_code(c.code, [&] {
      cpu.ebx = 0x10, cpu.ecx = 3, cpu.edx = 0x12340077, cpu.esi = 0x20, cpu.edi = 0x40, cpu.ebp = 0x08;
      put16(c.where, 0xBEEF);
    });
    EXPECT_EQ(cpu.eax, 0xBEEFu) << c.form;
  }
}

TEST(Cpu, PrefixesChooseSegmentsAndSizes) {
  struct { const char *what; std::vector<uint8_t> code; uint8_t *where; uint32_t expect; } cases[] = {
    {"66: dword operand", {0x66, 0x8B, 0x07}, at(DS, 0x10), 0xCAFEBEEF},
    {"26: ES for [BX]", {0x26, 0x8B, 0x07}, at(ES, 0x10), 0xBEEF},
    {"26: ES for [BP]", {0x26, 0x8B, 0x46, 0x00}, at(ES, 0x08), 0xBEEF},
    {"2E: CS for [BX]", {0x2E, 0x8B, 0x07}, at(CS, 0x10), 0xBEEF},
    {"2E: CS for [BP]", {0x2E, 0x8B, 0x46, 0x00}, at(CS, 0x08), 0xBEEF},
    {"36: SS for [BX]", {0x36, 0x8B, 0x07}, at(SS, 0x10), 0xBEEF},
    {"36: [BP] stays SS", {0x36, 0x8B, 0x46, 0x00}, at(SS, 0x08), 0xBEEF},
    {"3E: DS for [BP]", {0x3E, 0x8B, 0x46, 0x00}, at(DS, 0x08), 0xBEEF},
    {"3E: [BX] stays DS", {0x3E, 0x8B, 0x07}, at(DS, 0x10), 0xBEEF},
    {"64: FS for [BX]", {0x64, 0x8B, 0x07}, at(FS, 0x10), 0xBEEF},
    {"64: FS for [BP]", {0x64, 0x8B, 0x46, 0x00}, at(FS, 0x08), 0xBEEF},
    {"65: GS for [BX]", {0x65, 0x8B, 0x07}, at(GS, 0x10), 0xBEEF},
    {"65: GS for [BP]", {0x65, 0x8B, 0x46, 0x00}, at(GS, 0x08), 0xBEEF},
    {"66 26 67 together", {0x66, 0x26, 0x67, 0x8B, 0x03}, at(ES, 0x10), 0xCAFEBEEF},
    {"26 with A1", {0x26, 0xA1, 0x10, 0x00}, at(ES, 0x10), 0xBEEF},
    {"66 with A1", {0x66, 0xA1, 0x10, 0x00}, at(DS, 0x10), 0xCAFEBEEF},
  };
  for (auto &c : cases) {
    run_code(c.code, [&] {
      cpu.ebx = 0x10, cpu.ebp = 0x08;
      put32(c.where, 0xCAFEBEEF);
    });
    EXPECT_EQ(cpu.eax, c.expect) << c.what;
  }
}

TEST(Cpu, MovesBetweenRegistersMemoryAndImmediates) {
  // MOV [BX], AH; MOV CH, [SI]; MOV AX, BX keeps EAX's high half; 66 MOV EDX, EBX.
  run_code({0x88, 0x27, 0x8A, 0x2C, 0x89, 0xD8, 0x66, 0x89, 0xDA}, [] {
    cpu.eax = 0xAAAA1234, cpu.ebx = 0x55660010, cpu.esi = 0x20;
    *at(DS, 0x20) = 0x9C;
  });
  EXPECT_EQ(*at(DS, 0x10), 0x12);
  EXPECT_EQ(*at(DS, 0x11), 0x00);                    // a byte move writes one byte
  EXPECT_EQ(cpu.ecx, 0x9C00u);
  EXPECT_EQ(cpu.eax, 0xAAAA0010u);
  EXPECT_EQ(cpu.edx, 0x55660010u);

  // Immediates: MOV byte [BX], AB; MOV word [BX+2], 1234; 66 MOV dword [BX+4], ...;
  // MOV DL, 55 (C6 mod 3); MOV AH, 12; MOV BH, 34; MOV SI, 5678; 66 MOV ECX, 12345678.
  run_code({0xC6, 0x07, 0xAB, 0xC7, 0x47, 0x02, 0x34, 0x12, 0x66, 0xC7, 0x47, 0x04, 0xEF, 0xBE, 0xFE, 0xCA,
            0xC6, 0xC2, 0x55, 0xB4, 0x12, 0xB7, 0x34, 0xBE, 0x78, 0x56, 0x66, 0xB9, 0x78, 0x56, 0x34, 0x12},
           [] { cpu.ebx = 0x10; });
  EXPECT_EQ(cpu.eax, 0x1200u);
  EXPECT_EQ(cpu.ebx, 0x3410u);
  EXPECT_EQ(cpu.esi, 0x5678u);
  EXPECT_EQ(cpu.ecx, 0x12345678u);
  EXPECT_EQ(cpu.edx, 0x55u);
  EXPECT_EQ(*at(DS, 0x10), 0xAB);
  EXPECT_EQ(get16(at(DS, 0x12)), 0x1234);
  EXPECT_EQ(get32(at(DS, 0x14)), 0xCAFEBEEFu);

  // Memory-offset forms: MOV AL, [10]; MOV [20], AX; 66 MOV [30], EAX; MOV [40], AL.
  run_code({0xA0, 0x10, 0x00, 0xA3, 0x20, 0x00, 0x66, 0xA3, 0x30, 0x00, 0xA2, 0x40, 0x00},
           [] { cpu.eax = 0x11223300, *at(DS, 0x10) = 0x44; });
  EXPECT_EQ(cpu.eax, 0x11223344u);
  EXPECT_EQ(get32(at(DS, 0x20)), 0x3344u);
  EXPECT_EQ(get32(at(DS, 0x30)), 0x11223344u);
  EXPECT_EQ(get16(at(DS, 0x40)), 0x44);
}

TEST(Cpu, SegmentMovesRecomputeBasesExceptCs) {
  // MOV AX, DS; MOV [BX], ES (8C with reg 0).
  run_code({0x8C, 0xD8, 0x8C, 0x07}, [] { cpu.ebx = 0x10; });
  EXPECT_EQ(cpu.eax, DS);
  EXPECT_EQ(get16(at(DS, 0x10)), ES);

  // MOV DS, AX, then MOV CX, [BX] reads the new segment.
  run_code({0x8E, 0xD8, 0x8B, 0x0F}, [] {
    cpu.eax = 0x6800, cpu.ebx = 0x10;
    put16(at(0x6800, 0x10), 0x4321);
  });
  EXPECT_EQ(cpu.ds, 0x6800);
  EXPECT_EQ(cpu.ecx, 0x4321u);

  // ES, FS, GS and SS from registers; the following operands use them.
  run_code({0x8E, 0xC0, 0x26, 0x8B, 0x0F,    // MOV ES, AX; MOV CX, ES:[BX]
            0x8E, 0xE2, 0x64, 0x8B, 0x17,    // MOV FS, DX; MOV DX, FS:[BX]
            0x8E, 0xEE, 0x65, 0x8B, 0x37,    // MOV GS, SI; MOV SI, GS:[BX]
            0x8E, 0xD7, 0x50},               // MOV SS, DI; PUSH AX
           [] {
             cpu.eax = 0x6000, cpu.edx = 0x6100, cpu.esi = 0x6200, cpu.edi = 0x6300, cpu.ebx = 0x10;
             put16(at(0x6000, 0x10), 1), put16(at(0x6100, 0x10), 2), put16(at(0x6200, 0x10), 3);
           });
  EXPECT_EQ(cpu.ecx, 1u);
  EXPECT_EQ(cpu.edx, 2u);
  EXPECT_EQ(cpu.esi, 3u);
  EXPECT_EQ(get16(at(0x6300, 0xFE)), 0x6000);

  // MOV CS, AX changes the register; the routine still runs where it is.
  run_code({0x8E, 0xC8, 0xB3, 0x07}, [] { cpu.eax = 0x7700; });
  EXPECT_EQ(cpu.cs, 0x7700);
  EXPECT_EQ(cpu.ebx, 7u);
}

TEST(Cpu, PushAndPopWidthsOnTheStack) {
  // PUSH AX; 66 PUSH EBX; PUSH SP; PUSH 1234; 66 PUSH 12345678; PUSH -1 (byte);
  // 66 PUSH -128 (byte, still 2 bytes).
  run_code({0x50, 0x66, 0x53, 0x54, 0x68, 0x34, 0x12, 0x66, 0x68, 0x78, 0x56, 0x34, 0x12, 0x6A, 0xFF,
            0x66, 0x6A, 0x80},
           [] { cpu.eax = 0xAAAA1111, cpu.ebx = 0x22223333; });
  EXPECT_EQ(cpu.esp, 0x100u - 2 - 4 - 2 - 2 - 4 - 2 - 2);
  EXPECT_EQ(get16(at(SS, 0xFE)), 0x1111);
  EXPECT_EQ(get32(at(SS, 0xFA)), 0x22223333u);
  EXPECT_EQ(get16(at(SS, 0xF8)), 0xFA);                // SP as it was before the push
  EXPECT_EQ(get16(at(SS, 0xF6)), 0x1234);
  EXPECT_EQ(get32(at(SS, 0xF2)), 0x12345678u);
  EXPECT_EQ(get16(at(SS, 0xF0)), 0xFFFF);
  EXPECT_EQ(get16(at(SS, 0xEE)), 0xFF80);

  // POP CX; 66 POP EDX; POP SP takes the popped value.
  run_code({0x59, 0x66, 0x5A, 0x5C}, [] {
    cpu.esp = 0x80;
    put16(at(SS, 0x80), 0x1234), put32(at(SS, 0x82), 0x89ABCDEF), put16(at(SS, 0x86), 0x0200);
  });
  EXPECT_EQ(cpu.ecx, 0x1234u);
  EXPECT_EQ(cpu.edx, 0x89ABCDEFu);
  EXPECT_EQ(cpu.esp, 0x200u);

  // PUSH [BX] (FF, its reg field ignored); 66 PUSH dword [BX]; POP [SI]; 66 POP [DI].
  run_code({0xFF, 0x37, 0xFF, 0x07, 0x66, 0xFF, 0x37, 0x66, 0x8F, 0x05, 0x8F, 0x04}, [] {
    cpu.ebx = 0x10, cpu.esi = 0x20, cpu.edi = 0x30;
    put32(at(DS, 0x10), 0x5566BEEF);
  });
  EXPECT_EQ(cpu.esp, 0xFEu);                          // 2 + 2 + 4 pushed, 4 + 2 popped
  EXPECT_EQ(get32(at(DS, 0x30)), 0x5566BEEFu);
  EXPECT_EQ(get16(at(DS, 0x20)), 0xBEEF);

  // SP wraps below zero inside the stack segment.
  run_code({0x50}, [] { cpu.esp = 0, cpu.eax = 0x7777; });
  EXPECT_EQ(cpu.esp, 0xFFFEu);
  EXPECT_EQ(get16(at(SS, 0xFFFE)), 0x7777);
}

TEST(Cpu, SegmentRegisterPushesAndPops) {
  // PUSH ES, CS, SS, DS, FS, GS, then POP them back in a rotated order.
  run_code({0x06, 0x0E, 0x16, 0x1E, 0x0F, 0xA0, 0x0F, 0xA8,
            0x0F, 0xA1, 0x0F, 0xA9, 0x07, 0x1F, 0x17});
  EXPECT_EQ(get16(at(SS, 0xFE)), ES);
  EXPECT_EQ(get16(at(SS, 0xFC)), CS);
  EXPECT_EQ(get16(at(SS, 0xFA)), SS);
  EXPECT_EQ(get16(at(SS, 0xF8)), DS);
  EXPECT_EQ(get16(at(SS, 0xF6)), FS);
  EXPECT_EQ(get16(at(SS, 0xF4)), GS);
  EXPECT_EQ(cpu.fs, GS);
  EXPECT_EQ(cpu.gs, FS);
  EXPECT_EQ(cpu.es, DS);
  EXPECT_EQ(cpu.ds, SS);
  EXPECT_EQ(cpu.ss, CS);
  EXPECT_EQ(cpu.esp, 0xFEu);

  // PUSH CS; POP DS: the next operand reads from the code segment.
  run_code({0x0E, 0x1F, 0x8B, 0x07}, [] {
    cpu.ebx = 0x40;
    put16(at(CS, 0x40), 0x1357);
  });
  EXPECT_EQ(cpu.eax, 0x1357u);
}

TEST(Cpu, LeaLoadsTheOffsetWithoutRunningItsOperandBytes) {
  // LEA AX, [BX+SI+5]; 67 LEA CX, [EBX+EBX*2]; MOV DL, 9.
  run_code({0x8D, 0x40, 0x05, 0x67, 0x8D, 0x0C, 0x5B, 0xB2, 0x09}, [] { cpu.ebx = 0x10, cpu.esi = 0x20; });
  EXPECT_EQ(cpu.eax, 0x35u);
  EXPECT_EQ(cpu.ecx, 0x30u);
  EXPECT_EQ(cpu.edx, 9u);
}

TEST(Cpu, FarReturnsEndWithoutPopping) {
  run_code({0xB0, 0x01, 0xCA, 0x04, 0x00, 0xB0, 0x02});
  EXPECT_EQ(cpu.eax, 1u);
  EXPECT_EQ(cpu.esp, 0x100u);
  EXPECT_EQ(cpu.ip, 3);                                // just past the CA
}

TEST(Cpu, InstructionsNearTheTopOfMemoryStayInside) {
  // A routine at FFFF:FFFD whose MOV's immediate wraps to offset 0, then a dword store
  // at FFFF:FFFF, the last four bytes of cmem.
  kel_test_reset();
  uint8_t *top = at(0xFFFF, 0);
  std::memset(top, 0, 0x10000 + 3);
  const uint8_t wrap[] = {0x90, 0xB8};                 // (0x90 is never run)
  std::memcpy(top + 0xFFFE, wrap, 2);
  const uint8_t rest[] = {0x34, 0x12, 0x66, 0xC7, 0x06, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12, 0xCB};
  std::memcpy(top, rest, sizeof rest);
  cpu = {};
  cpu.cs = cpu.ds = cpu.ss = 0xFFFF;
  cpu.ip = 0xFFFF;
  cpu_call();
  EXPECT_EQ(cpu.eax, 0x1234u);
  EXPECT_EQ(cmem[cmem_size - 4], 0x78);
  EXPECT_EQ(cmem[cmem_size - 1], 0x12);
  EXPECT_EQ(cpu.ip, sizeof rest);

  // 66 POP EAX with SP = FFFF in segment FFFF reads those same last four bytes.
  const uint8_t pop_code[] = {0x66, 0x58, 0xCB};
  std::memcpy(top, pop_code, sizeof pop_code);
  cpu = {};
  cpu.cs = cpu.ss = 0xFFFF;
  cpu.esp = 0xFFFF;
  cpu_call();
  EXPECT_EQ(cpu.eax, 0x12345678u);
  EXPECT_EQ(cpu.esp, 3u);                              // SP wrapped past the segment's end
}

TEST(Cpu, CallAbsoluteSetsUpRegistersAndPushesArguments) {
  kel_test_reset();
  std::memset(cmem + 0x20000, 0, 0x20000);
  *at(0x2000, 0x10) = 0xCB;
  cpu.eax = 0x1234, cpu.fs = 9;                         // left over from an earlier call
  call_absolute_offsets[0] = 0x1111;
  call_absolute_offsets[1] = 0x2222;
  sub_defseg(0x2000, 1);
  call_absolute(2, 0x10);
  sub_defseg(0, 0);
  EXPECT_EQ(new_error, 0);
  EXPECT_EQ(cpu.eax, 0u);
  EXPECT_EQ(cpu.fs, 0);
  EXPECT_EQ(cpu.cs, 0x2000);
  EXPECT_EQ(cpu.ip, 0x11);
  EXPECT_EQ(cpu.ss, 0xFFFF);
  EXPECT_EQ(cpu.ds, 80);
  EXPECT_EQ(cpu.esp, 0xFFF8u);
  EXPECT_EQ(get16(at(0xFFFF, 0xFFFE)), 0x1111);        // the first argument ends highest
  EXPECT_EQ(get16(at(0xFFFF, 0xFFFC)), 0x2222);
  EXPECT_EQ(get32(at(0xFFFF, 0xFFF8)), 0xFFFFFFFFu);

  // A routine reading its arguments through BP, as compiled code does:
  // MOV BP, SP; MOV AX, [BP+6]; MOV BX, [BP+4]; MOV [0], AX (DS = data block).
  const uint8_t code[] = {0x8B, 0xEC, 0x8B, 0x46, 0x06, 0x8B, 0x5E, 0x04, 0xA3, 0x00, 0x00, 0xCB};
  std::memcpy(at(0x2000, 0x20), code, sizeof code);
  uint16_t saved = get16(dblock);
  sub_defseg(0x2000, 1);
  call_absolute(2, 0x20);
  sub_defseg(0, 0);
  EXPECT_EQ(cpu.eax, 0x1111u);
  EXPECT_EQ(cpu.ebx, 0x2222u);
  EXPECT_EQ(get16(dblock), 0x1111);
  put16(dblock, saved);

  call_absolute(257, 0);
  EXPECT_EQ(new_error, 5);
  new_error = 0;
  cpu.eax = 7;
  error(6);
  call_absolute(0, 0x10);                               // an error is pending: nothing runs
  EXPECT_EQ(cpu.eax, 7u);
}

TEST(CpuDeathTest, UnknownOpcodesShowTheBoxAndExit86) {
  struct { std::vector<uint8_t> code; const char *hex; } cases[] = {
    {{0x90}, "90"},
    {{0x00}, "00"},                                      // a zero first byte is an opcode like any other
    {{0x0F, 0x05}, "0F"},
    {{0x67, 0x66, 0x8B, 0x00}, "66"},                    // prefixes only in their order
    {{0x8E, 0xF0}, "8E"},                                // no segment register 6
    {{0x8D, 0xC0}, "8D"},                                // LEA of a register
  };
  for (auto &c : cases) {
    EXPECT_EXIT((hook_boxes_to_stderr(), run_code(c.code)), ::testing::ExitedWithCode(86),
                std::string("box\\(ok\\) X86 Error\\|Unknown Opcode \\(") + c.hex + "\\)")
        << c.hex;
  }
}

TEST(CpuDeathTest, ZeroByteAsNextOpcodeExitsWithFirstByteOfMemory) {
  // MOV AX, 0; MOV DS, AX; MOV byte [0], 42; then a zero byte.
  EXPECT_EXIT(run_code({0xB8, 0x00, 0x00, 0x8E, 0xD8, 0xC6, 0x06, 0x00, 0x00, 0x2A, 0x00}),
              ::testing::ExitedWithCode(42), "");
}

// ---------------------------------------------------------------------------------------
// CALL INTERRUPT and the mouse driver.

namespace {

struct regtype { int16_t ax, bx, cx, dx, bp, si, di, flags, ds, es; };

regtype interrupt(int32_t n, regtype in, bool x = false) {
  regtype out{};
  out.flags = 0x55;
  if (x) call_interruptx(n, {&in, sizeof in}, {&out, sizeof out});
  else call_interrupt(n, {&in, 16}, {&out, 16});
  return out;
}

void mouse_at(uint16_t x, uint16_t y, uint32_t buttons) {
  display_x_offset = display_y_offset = 0;                              // no window: pixels are page pixels
  display_x_scale = display_y_scale = 1;
  mouse_append(x, y, buttons, 0, 0);
  while (func__mouseinput()) {}
}

}  // namespace

TEST(Cpu, Int33ResetAndRead) {
  kel_test_reset();
  regtype r = interrupt(0x33, {0, 0, 0, 0, 11, 22, 33, 0, 0, 0});
  EXPECT_EQ(r.ax, -1);
  EXPECT_EQ(r.bx, 2);
  EXPECT_EQ(r.bp, 11);                                  // the other fields come back as they went
  EXPECT_EQ(r.di, 33);
  EXPECT_EQ(r.flags, 0x55);                             // not one of the copied fields

  struct { int mode; uint16_t px, py; uint32_t sdl_buttons; int16_t bx, cx, dx; } cases[] = {
    {13, 100, 50, 1, 1, 200, 50},                        // 320-pixel mode: x doubled
    {13, 319, 199, 4, 2, 638, 199},                      // SDL button 3 is the right button
    {1, 10, 20, 5, 3, 20, 20},
    {12, 100, 50, 0, 0, 100, 50},                        // 640-pixel mode as it is
    {0, 100, 40, 0, 0, 100, 20},                         // 8x16 cells: 8 units a cell both ways
    {0, 639, 399, 0, 0, 639, 199},
  };
  for (auto &c : cases) {
    kel_test_reset();
    kelg_screen(c.mode, 0, 0, 0, 0, 1);
    mouse_at(c.px, c.py, c.sdl_buttons);
    r = interrupt(0x33, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(r.ax, 3) << c.mode;
    EXPECT_EQ(r.bx, c.bx) << c.mode << " " << c.px;
    EXPECT_EQ(r.cx, c.cx) << c.mode << " " << c.px;
    EXPECT_EQ(r.dx, c.dx) << c.mode << " " << c.py;
  }
  kel_test_reset();
}

TEST(Cpu, InterruptsOtherThanTheMouseChangeNothing) {
  kel_test_reset();
  regtype in{0, 1, 2, 3, 4, 5, 6, 0, 0x1234, 0x5678};
  for (auto n : {0x10, 0x21}) {
    regtype r = interrupt(n, in, true);
    EXPECT_EQ(std::memcmp(&r, &in, 14), 0);
    EXPECT_EQ(r.ds, 0x1234);
    EXPECT_EQ(r.es, 0x5678);
  }
  regtype r = interrupt(0x33, {7, 1, 2, 3, 4, 5, 6, 0, 0, 0});   // AX = 7: no such function
  EXPECT_EQ(r.ax, 7);
  EXPECT_EQ(r.bx, 1);
  mouse_hideshow_called = 0;
  interrupt(0x33, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(mouse_hideshow_called, 1);

  // INT 33h from machine code: MOV AX, 0; INT 33h.
  run_code({0xB8, 0x00, 0x00, 0xCD, 0x33});
  EXPECT_EQ(cpu.eax, 0xFFFFu);
  EXPECT_EQ(cpu.ebx, 2u);
}

TEST(Cpu, ShortRegisterRecordsRaiseError5BeforeAnythingRuns) {
  struct { uint32_t in, out; bool x; } cases[] = {
    {16, 15, false}, {15, 16, false}, {0, 0, false}, {20, 19, true}, {19, 20, true}, {16, 16, true},
  };
  for (auto &c : cases) {
    kel_test_reset();
    regtype in{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, out{9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    if (c.x) call_interruptx(0x33, {&in, c.in}, {&out, c.out});
    else call_interrupt(0x33, {&in, c.in}, {&out, c.out});
    EXPECT_EQ(new_error, 5) << c.in << " " << c.out;
    EXPECT_EQ(out.ax, 9) << c.in << " " << c.out;
  }
  kel_test_reset();
}

TEST(Cpu, EndlessRoutineReturnsWhenStoppedOrOverItsStepLimit) {
  // A code segment full of PUSH AX / POP AX never reaches a far return: IP wraps inside it.
  std::vector<uint8_t> endless;
  for (int i = 0; i < 32768; i++) endless.insert(endless.end(), {0x50, 0x58});
  run_code(endless, [] { stop_program = 1; });   // the window closing ends the call
  EXPECT_EQ(cpu.ip, 0);
  stop_program = 0;
  cpu_step_limit = 1 << 18;
  run_code(endless);
  cpu_step_limit = 0;
  EXPECT_EQ(cpu.ip, 0);
  EXPECT_EQ(cpu.esp & 0xFFFF, 0x100);
}

}  // namespace cpu_test
