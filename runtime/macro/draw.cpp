// DRAW: the turtle-graphics command strings, their number reader and the three-byte
// variable references that "=" and X use.
#include "draw.h"
#include <cmath>
#include <cstring>
#include "events.h"
#include "images.h"
#include "kels.h"
#include "lines.h"
#include "memory.h"
#include "numconv.h"
#include "paint.h"

const uint8_t *draw_text;
uint32_t draw_len, draw_pos;
int draw_num_invalid, draw_num_undefined;

// ---------------------------------------------------------------- call state

struct draw_frame {
  const uint8_t *text;
  uint32_t len, pos;                           // where the outer string resumes
};

static draw_frame draw_stack[draw_stack_size];
static int32_t draw_depth;
static double aspect, inv_aspect;              // f and 1/f
static double vec[4][2];                       // Up, Right, E, F; negated for D, L, G, H
static double pen_x, pen_y;                    // pixel coordinates
static uint32_t draw_colour;
static bool blind, keep;                       // B and N: for the next movement only

constexpr double deg_to_rad = 0.0174532925199433;

// The unrotated vectors, turned by angle degrees when it is not 0.
static void build_vectors(double angle) {
  const double base[4][2] = {{0, -1}, {aspect, 0}, {aspect, -1}, {aspect, 1}};
  std::memcpy(vec, base, sizeof vec);
  if (angle == 0) return;
  double a = angle * deg_to_rad, c = std::cos(a), s = std::sin(a);
  for (auto &v : vec) {
    double x = v[0], y = v[1];
    v[0] = x * c + y * s;
    v[1] = y * c - x * s;
  }
}

static void skip_blanks() {
  while (draw_pos < draw_len && (draw_text[draw_pos] == ' ' || draw_text[draw_pos] == '\t'))
    draw_pos++;
}

// ---------------------------------------------------------------- numbers

// The value of a variable reference at draw_pos (after its "="): type byte and 16-bit
// little-endian offset into the data block.
static double read_reference() {
  if (draw_len - draw_pos < 3) {
    draw_num_invalid = 1;
    draw_pos = draw_len;
    return 0;
  }
  double v;
  bool known = varref_value(draw_text + draw_pos, v);
  draw_pos += 3;
  if (!known) {
    draw_num_invalid = 1;
    return 0;
  }
  draw_num_invalid = 0;
  draw_num_undefined = 0;
  return v;
}

bool varref_value(const uint8_t *ref, double &v) {
  uint8_t type = ref[0];
  const uint8_t *p = dblock + (ref[1] | ref[2] << 8);
  auto get = [p](auto x) { std::memcpy(&x, p, sizeof x); return (double)x; };
  switch (type) {
    case 1: v = get(int8_t()); break;
    case 129: v = get(uint8_t()); break;
    case 2: v = get(int16_t()); break;
    case 130: v = get(uint16_t()); break;
    case 20: v = get(int32_t()); break;
    case 148: v = get(uint32_t()); break;
    case 5: v = get(int64_t()); break;
    case 133: v = get(uint64_t()); break;
    case 4: v = get(float()); break;
    case 8: v = get(double()); break;
    case 6: {                                  // 80-bit: explicit 64-bit mantissa, 15-bit exponent
      uint64_t mant;
      uint16_t se;
      std::memcpy(&mant, p, 8);
      std::memcpy(&se, p + 8, 2);
      int e = se & 0x7FFF;
      if (e == 0x7FFF) v = (mant << 1) ? NAN : INFINITY;
      else v = std::ldexp((double)mant, (e ? e : 1) - 16383 - 63);
      if (se & 0x8000) v = -v;
      break;
    }
    default:
      return false;
  }
  return true;
}

double draw_num() {
  double value = 0, sign = 1, place = 0.1;
  bool point = false, digits = false, signs = false;
  draw_num_invalid = 0;
  draw_num_undefined = 1;
  for (; draw_pos < draw_len; draw_pos++) {
    uint8_t c = draw_text[draw_pos];
    if (c == ' ' || c == '\t') continue;
    if (c >= '0' && c <= '9') {
      if (point) {
        value += (c - '0') * place;
        place /= 10;
      } else {
        value = value * 10 + (c - '0');
      }
      digits = true;
      draw_num_invalid = draw_num_undefined = 0;
    } else if (c == '-' || c == '+') {
      if (digits || point) break;              // ends the number, left for the caller
      if (c == '-') sign = -sign;
      signs = true;
      draw_num_invalid = 1;                    // until a digit follows
    } else if (c == '.') {
      if (point) break;
      point = true;
      if (digits) draw_num_invalid = 1;        // "12." alone is malformed
    } else if (c == '=') {
      if (digits || point || signs) {
        draw_num_invalid = 1;
        return 0;
      }
      draw_pos++;
      return read_reference();                 // the variable's value, sign not applied
    } else {
      break;
    }
  }
  return value * sign;
}

// A number the command cannot do without: false (error 5 raised) when missing or malformed.
static bool required(double &n) {
  n = draw_num();
  if (draw_num_invalid || draw_num_undefined) {
    error(5);
    return false;
  }
  return true;
}

// A whole number usable as a colour.
static bool colour_arg(uint32_t &c) {
  double n;
  if (!required(n)) return false;
  if (n != std::floor(n) || n < -2147483648.0 || n > 4294967295.0) {
    error(5);
    return false;
  }
  c = (uint32_t)(int64_t)n;
  return true;
}

static bool expect_comma() {
  if (draw_pos < draw_len && draw_text[draw_pos] == ',') {
    draw_pos++;
    return true;
  }
  error(5);
  return false;
}

// ---------------------------------------------------------------- pen

static void pen_to_user(const img_struct *im, double &x, double &y) {
  x = pen_x;
  y = pen_y;
  if (im->coord_mode == 2) {
    x = (x - im->view_offset_x - im->scale_offset_x) / im->scale_x;
    y = (y - im->view_offset_y - im->scale_offset_y) / im->scale_y;
  } else if (im->coord_mode == 1) {
    x -= im->view_offset_x;
    y -= im->view_offset_y;
  }
}

// The end of a movement: the segment unless B, the pen moved unless N.
static void move_to(double x, double y) {
  if (!blind)
    fast_line(kelr_double_to_long(pen_x), kelr_double_to_long(pen_y), kelr_double_to_long(x),
              kelr_double_to_long(y), draw_colour);
  if (!keep) {
    pen_x = x;
    pen_y = y;
  }
  blind = keep = false;
}

// U, D, L, R, E, F, G, H: vector v of Up, Right, E, F, negated when sgn is -1.
static bool step(const img_struct *im, int v, double sgn) {
  double n = draw_num();
  if (draw_num_invalid) {
    error(5);
    return false;
  }
  if (draw_num_undefined) n = 1;
  double dx = sgn * vec[v][0] * n * inv_aspect, dy = sgn * vec[v][1] * n;
  move_to(pen_x + dx * im->draw_scale, pen_y + dy * im->draw_scale);
  return true;
}

// M x,y: relative when the first number carries a sign, else absolute pixels.
static bool move_command(const img_struct *im) {
  skip_blanks();
  bool relative = draw_pos < draw_len && (draw_text[draw_pos] == '+' || draw_text[draw_pos] == '-');
  double x, y;
  if (!required(x) || !expect_comma() || !required(y)) return false;
  if (relative) move_to(pen_x + x * im->draw_scale, pen_y + y * im->draw_scale);
  else move_to(x, y);
  return true;
}

// X and a string reference: the outer string resumes after it once the substring ends.
static bool substring() {
  if (draw_len - draw_pos < 3 || draw_text[draw_pos] != 3) {
    error(5);
    return false;
  }
  if (draw_depth == draw_stack_size) {
    error(6);
    return false;
  }
  const uint8_t *d = dblock + (draw_text[draw_pos + 1] | draw_text[draw_pos + 2] << 8);
  draw_stack[draw_depth++] = {draw_text, draw_len, draw_pos + 3};
  draw_len = d[0] | d[1] << 8;
  draw_text = dblock + (d[2] | d[3] << 8);
  draw_pos = 0;
  return true;
}

// P fill,border: the flood fill from the pen. The fill sets the graphics cursor; DRAW puts
// it back, since the cursor changes only when the whole string succeeds.
static bool paint_command(img_struct *im) {
  uint32_t fill, border;
  if (!colour_arg(fill) || !expect_comma() || !colour_arg(border)) return false;
  double x, y;
  pen_to_user(im, x, y);
  float gx = im->graphics_x, gy = im->graphics_y;
  sub_paint(0, (float)x, (float)y, fill, border, nullptr, 3);
  im->graphics_x = gx;
  im->graphics_y = gy;
  return !new_error;
}

// One command at draw_pos (letter already read and upper-cased).
static bool command(img_struct *im, uint8_t c) {
  double n;
  switch (c) {
    case 'U': return step(im, 0, 1);
    case 'D': return step(im, 0, -1);
    case 'R': return step(im, 1, 1);
    case 'L': return step(im, 1, -1);
    case 'E': return step(im, 2, 1);
    case 'G': return step(im, 2, -1);
    case 'F': return step(im, 3, 1);
    case 'H': return step(im, 3, -1);
    case 'M': return move_command(im);
    case 'B': blind = true; return true;
    case 'N': keep = true; return true;
    case 'X': return substring();
    case 'P': return paint_command(im);
    case 'C':
      if (!colour_arg(draw_colour)) return false;
      im->draw_color = draw_colour;
      return true;
    case 'S':
      if (!required(n)) return false;
      if (!(n >= 0)) break;
      im->draw_scale = n / 4;
      return true;
    case 'T':
      skip_blanks();
      if (draw_pos >= draw_len || (draw_text[draw_pos] | 0x20) != 'a') break;
      draw_pos++;
      if (!required(n)) return false;
      if (!std::isfinite(n)) break;
      im->draw_angle = n;
      build_vectors(n);
      return true;
    case 'A':
      if (!required(n)) return false;
      if (n != 0 && n != 1 && n != 2 && n != 3) break;
      im->draw_angle = n * 90;
      build_vectors(im->draw_angle);
      return true;
  }
  error(5);
  return false;
}

void sub_draw(kels *s) {
  if (new_error) return;
  img_struct *im = write_page;
  if (im->is_text) {
    error(5);
    return;
  }
  aspect = im->screen_mode <= 13 ? 4 / ((3.0 / im->height) * im->width) : 1;
  inv_aspect = 1 / aspect;
  build_vectors(im->draw_angle);
  pen_x = im->graphics_x;
  pen_y = im->graphics_y;
  if (im->coord_mode == 2) {
    pen_x = pen_x * im->scale_x + im->scale_offset_x + im->view_offset_x;
    pen_y = pen_y * im->scale_y + im->scale_offset_y + im->view_offset_y;
  } else if (im->coord_mode == 1) {
    pen_x += im->view_offset_x;
    pen_y += im->view_offset_y;
  }
  draw_colour = im->draw_color;
  blind = keep = false;
  draw_depth = 0;
  draw_text = s->text;
  draw_len = s->len;
  draw_pos = 0;
  for (;;) {
    if (draw_pos >= draw_len) {
      if (!draw_depth) break;
      const draw_frame &f = draw_stack[--draw_depth];
      draw_text = f.text;
      draw_len = f.len;
      draw_pos = f.pos;
      continue;
    }
    uint8_t c = draw_text[draw_pos++];
    if (c == ' ' || c == '\t') continue;
    if (c >= 'a' && c <= 'z') c -= 32;
    if (!command(im, c)) return;               // the rest is abandoned, the cursor kept
  }
  double x, y;
  pen_to_user(im, x, y);
  im->graphics_x = (float)x;
  im->graphics_y = (float)y;
}

kels *func_varptr_helper(uint8_t type, uint16_t offset) {
  kels *s = kels_new(3, 1);
  s->text[0] = type;
  s->text[1] = (uint8_t)offset;
  s->text[2] = (uint8_t)(offset >> 8);
  return s;
}
