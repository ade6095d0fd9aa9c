// BSAVE and BLOAD: memory images of the current DEF SEG segment (cmem or an array's pseudo
// segment) in files with the dialect's 7-byte header: 0xFD, then the segment, offset and length
// words (little-endian).
#pragma once
#include <cstdint>

struct kels;

// BSAVE file, offset, length: offset and length -65536 ... 65535 (error 6 beyond), taken as
// 16-bit values, so &HFA00 saves 64,000 bytes. Offsets wrap within a segment of cmem; an
// array's pseudo segment must hold offset .. offset + length - 1 (error 5).
void sub_bsave(kels *name, int32_t offset, int32_t length);
// BLOAD file[, offset] (passed 1 = offset): loads at DEF SEG : offset, or without an offset at
// the header's segment and offset. An array's pseudo segment keeps no real segment number:
// when the current DEF SEG is an array whose pseudo segment's low word matches the header's
// segment (the file was saved from it), the file goes back into that array. Error 5 for a file
// that is not a memory image (no 0xFD, shorter than its header says) or a range past an
// array's storage; nothing is loaded then.
void sub_bload(kels *name, int32_t offset, int32_t passed);
