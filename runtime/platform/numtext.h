// Numbers as text and the extended float's byte image, done the host's way with the same
// results everywhere: the decimal digits are the correctly rounded ones, and the 10-byte image
// is the x87 80-bit format whatever the host's long double is.
#pragma once
#include <cstddef>
#include <cstdint>

// a (finite, not negative) as "d.ddde+XX" with prec digits after the point, correctly rounded
// (as printf's %.*e and std::to_chars scientific); returns the length written (buffer >= 32).
int numtext_scientific(double a, int prec, char *buf, size_t size);
// The double nearest the decimal text [first, last) ("1.5E-3" and the like); false, v
// unchanged, when it lies outside the double's range (overflow, or below the smallest denormal).
bool numtext_parse(const char *first, const char *last, double &v);
// The extended value's 80-bit image and back.
void numtext_ext_store(long double v, uint8_t out[10]);
long double numtext_ext_load(const uint8_t in[10]);
