// The emulated first megabyte: one zero-filled array shared by every subsystem.
#include "memory.h"
#include <cstring>

alignas(16) uint8_t cmem[cmem_size];
uint8_t *const dblock = cmem + cmem_dblock;

void cmem_reset() { std::memset(cmem, 0, sizeof cmem); }
