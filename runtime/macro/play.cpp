// PLAY: the music-string interpreter, the renderer that lays its notes, chords and rests
// into one buffer, and the queueing of that buffer as one raw sound.
#include "play.h"
#include "playq.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "draw.h"
#include "events.h"
#include "kels.h"
#include "memory.h"
#include "sound.h"
#include "play_render.h"

play_settings play_state;

// ---------------------------------------------------------------- the output buffer

// Per-statement output: the buffer, its used size and capacity, where the next note
// starts, and whether anything has been rendered into it.
static uint8_t *wave;
static uint32_t wave_bytes, wave_cap, wave_base;
uint32_t play_max_bytes = 1u << 30;
static bool playit;
static std::vector<play_part> *parts_out;
static std::vector<double> note_ends;           // of the stretch being rendered

// Byte size of that many seconds of stereo 16-bit frames (at least one frame).
static uint32_t wavesize(double seconds) {
  double n = 22050 * seconds;
  return (n >= 1 ? (uint32_t)n : 1) * 4;
}

// Room for size bytes in buffer *p of capacity *cap, doubling so long strings stay linear.
static bool reserve(uint8_t *&p, uint32_t &cap, uint32_t size) {
  if (size <= cap) return true;
  uint32_t want = cap * 2 > size ? cap * 2 : size;
  auto *q = static_cast<uint8_t *>(std::realloc(p, want));
  if (!q) return false;
  p = q;
  cap = want;
  return true;
}

// Lays size bytes of note (nullptr: silence; the call takes ownership of note, whose
// capacity is note_cap) at wave_base: copied when wave_base is the end, else mixed with
// what is there. A chord keeps wave_base for the next note.
static bool place(uint8_t *note, uint32_t note_cap, uint32_t size, bool chord) {
  if ((uint64_t)wave_base + size > play_max_bytes) {    // sizes stay well inside 32 bits
    std::free(note);
    return false;
  }
  if (!wave) {
    if (!note) {
      note = static_cast<uint8_t *>(std::calloc(size, 1));
      if (!note) return false;
      note_cap = size;
    }
    wave = note;
    wave_cap = note_cap;
    wave_bytes = size;
    wave_base = 0;
  } else {
    uint32_t end = wave_base + size, old_bytes = wave_bytes;
    if (end > wave_bytes) {
      if (!reserve(wave, wave_cap, end)) {
        std::free(note);
        return false;
      }
      std::memset(wave + wave_bytes, 0, end - wave_bytes);
      wave_bytes = end;
    }
    if (note) {
      if (wave_base == old_bytes) {
        std::memcpy(wave + wave_base, note, size);
      } else {
        auto *dst = reinterpret_cast<int16_t *>(wave + wave_base);
        auto *src = reinterpret_cast<const int16_t *>(note);
        for (uint32_t k = 0; k < size / 2; k++) {
          int32_t x = dst[k] + src[k];
          dst[k] = (int16_t)(x > 32767 ? 32767 : x < -32767 ? -32767 : x);
        }
      }
      std::free(note);
    }
  }
  if (!chord) wave_base += size;
  playit = true;
  return true;
}

// A tone of semitone n (0 = 440 Hz) lasting d seconds, of which the pause share is silent.
static bool render_note(const play_settings &s, int64_t n, double d, bool chord) {
  int16_t *tone = soundwave(440 * std::pow(2.0, n / 12.0), d * (1 - s.pause), s.v / 100, 0, 0);
  if (!tone) return false;
  uint32_t size = soundwave_bytes, cap = soundwave_bytes;
  auto *buf = reinterpret_cast<uint8_t *>(tone);
  if (s.pause > 0) {
    uint32_t gap = wavesize(d * s.pause);
    if (!reserve(buf, cap, size + gap)) {
      std::free(buf);
      return false;
    }
    std::memset(buf + size, 0, gap);
    size += gap;
  }
  if (!place(buf, cap, size, chord)) return false;
  if (!chord) note_ends.push_back(wave_base / (22050.0 * 4));   // a chord counts once
  return true;
}

// The rendered stretch becomes one part; a fresh buffer starts.
static void flush(int wait) {
  parts_out->push_back({wave, wave_bytes, wait, std::move(note_ends)});
  note_ends.clear();
  wave = nullptr;
  wave_bytes = wave_cap = wave_base = 0;
  playit = false;
}

// ---------------------------------------------------------------- the interpreter

enum { wait_none, wait_note, wait_l, wait_o, wait_n, wait_m, wait_t, wait_p, wait_v };

// "=" and a variable reference at ref (three bytes): the variable's value rounded to a
// whole number, false when the type byte is refused or the value is out of range.
static bool reference_number(const uint8_t *ref, int64_t &number) {
  double v;
  if (!varref_value(ref, v)) {
    uint8_t type = ref[0];
    if (!(type & 64)) return false;
    int width = type & 63;                       // a bit field of that many bits
    if (width > 56) return false;
    uint64_t raw;
    std::memcpy(&raw, dblock + (ref[1] | ref[2] << 8), 8);
    uint64_t mask = (1ull << width) - 1;
    raw &= mask;
    if ((type & 128) && width && (raw >> (width - 1) & 1)) raw |= ~mask;
    v = (double)(int64_t)raw;
  }
  if (!(v >= -2147483648.0 && v <= 2147483647.0)) return false;
  number = (int64_t)std::nearbyint(v);           // half to even
  return true;
}

// Duration of a length number (1-64) at the current tempo.
static double note_time(const play_settings &s, int64_t number) { return (60 / s.t) * (4.0 / number); }

// Each dot adds half of the previous addition.
static double dotted(double d, int fullstops) {
  double add = d;
  for (int k = 0; k < fullstops; k++) {
    add /= 2;
    d += add;
  }
  return d;
}

int play_render(const uint8_t *text, uint32_t len, play_settings &s, std::vector<play_part> &parts) {
  parts.clear();
  parts_out = &parts;
  wave = nullptr;
  wave_bytes = wave_cap = wave_base = 0;
  playit = false;
  note_ends.clear();

  int followup = wait_none, number_entered = 0, fullstops = 0;
  int64_t number = 0, n = 0;
  bool n_changed = false;
  double length = (60 / s.t) * (4 / s.l);
  int rc = 5;
  uint32_t i = 0;

  // Completes the waiting command; c is the character that completed it.
  auto complete = [&](uint8_t c) -> bool {
    bool chord = c == ',';
    switch (followup) {
      case wait_none:
        if (number_entered) return false;       // a number with no command
        break;
      case wait_v:
        if (!number_entered || number > 100) return false;
        s.v = (double)number;
        break;
      case wait_t:
        if (!number_entered || number < 32 || number > 255) return false;
        s.t = (double)number;
        length = (60 / s.t) * (4 / s.l);
        break;
      case wait_l:
        if (!number_entered || number < 1 || number > 64) return false;
        s.l = (double)number;
        length = (60 / s.t) * (4 / s.l);
        break;
      case wait_o:
        if (!number_entered || number > 6) return false;
        s.o = (int32_t)number;
        break;
      case wait_n:
        if (!number_entered || number > 84) return false;
        n = number - 33;
        if (!render_note(s, n, dotted(length, fullstops), chord)) {
          rc = 7;                                // out of memory
          return false;
        }
        break;
      case wait_p: {
        if (number_entered && (number < 1 || number > 64)) return false;
        double d = dotted(number_entered ? note_time(s, number) : length, fullstops);
        if (!place(nullptr, 0, wavesize(d), chord)) {
          rc = 7;                                // out of memory
          return false;
        }
        break;
      }
      case wait_note: {
        if (number_entered && (number < 0 || number > 64)) return false;
        double d = dotted(number_entered && number ? note_time(s, number) : length, fullstops);
        if (!render_note(s, n, d, chord)) {
          rc = 7;                                // out of memory
          return false;
        }
        break;
      }
    }
    followup = wait_none;
    number = 0;
    number_entered = fullstops = 0;
    n_changed = false;
    return true;
  };

  bool ok = true;
  while (ok && (i < len || followup)) {
    bool end = i >= len;
    uint8_t c = end ? ' ' : text[i++];           // a blank fed in completes a waiting command
    if (!end && c == ' ') continue;
    if (c >= 'a' && c <= 'z') c -= 32;
    if (followup == wait_m) {                    // M takes the next letter, never a number
      followup = wait_none;
      switch (end ? 0 : c) {
        case 'B':
          if (s.mb == 0 && playit) flush(1);     // the foreground part so far plays first
          s.mb = 1;
          break;
        case 'F': s.mb = 0; break;
        case 'L': s.pause = 0; break;
        case 'N': s.pause = 0.125; break;
        case 'S': s.pause = 0.25; break;
        default: ok = false;
      }
      continue;
    }
    if (c == '=') {
      if (fullstops || number_entered || len - i < 3 || !reference_number(text + i, number)) {
        ok = false;
        continue;
      }
      i += 3;
      number_entered = 2;
      continue;
    }
    if (c >= '0' && c <= '9') {
      if (fullstops || number_entered == 2) {
        ok = false;
        continue;
      }
      number = number * 10 + (c - '0');
      if (number > 1000000000000) number = 1000000000000;   // far past every limit
      number_entered = 1;
      continue;
    }
    if (c == '.') {
      if (followup != wait_note && followup != wait_n && followup != wait_p) ok = false;
      else fullstops++;
      continue;
    }
    if (followup == wait_note && (c == '+' || c == '#' || c == '-')) {
      if (n_changed || number_entered) ok = false;
      n += c == '-' ? -1 : 1;
      n_changed = true;
      continue;
    }
    int was = followup;
    if (!complete(c)) {
      ok = false;
      continue;
    }
    if (end) break;
    if (c == ',' && (was == wait_note || was == wait_p)) continue;   // a chord, or a rest beside one
    switch (c) {
      case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G': {
        static const int letter[7] = {9, 11, 0, 2, 4, 5, 7};
        n = letter[c - 'A'] + 12 * (int64_t)s.o - 33;
        followup = wait_note;
        break;
      }
      case 'L': followup = wait_l; break;
      case 'O': followup = wait_o; break;
      case 'N': followup = wait_n; break;
      case 'M': followup = wait_m; break;
      case 'T': followup = wait_t; break;
      case 'P': followup = wait_p; break;
      case 'V': followup = wait_v; break;
      case '<': if (s.o > 0) s.o--; break;
      case '>': if (s.o < 6) s.o++; break;
      default: ok = false;
    }
  }
  if (ok && (number_entered || followup)) ok = false;   // a number or command left waiting
  if (!ok) {
    std::free(wave);
    for (auto &p : parts) std::free(p.wave);
    parts.clear();
    wave = nullptr;
    return rc;
  }
  if (playit) flush(s.mb == 0);
  return 0;
}

void sub_play(kels *str) {
  if (new_error) return;
  sndsetup();
  std::vector<play_part> parts;
  int rc = play_render(str->text, str->len, play_state, parts);
  if (rc) {
    error(rc);
    return;
  }
  for (const play_part &p : parts) {
    uint32_t h = func__sndraw(p.wave, p.bytes);
    if (h) sndqueue_append(h, 0);
    else std::free(p.wave);
    if (h) playq_add(p.note_ends, p.bytes / (22050.0 * 4), p.wait);
    if (p.wait) {                                // a silent marker the program waits for
      auto *mark = static_cast<uint8_t *>(std::calloc(4, 1));
      uint32_t m = mark ? func__sndraw(mark, 4) : 0;
      if (m) sndqueue_append(m, 1);
      else std::free(mark);
    }
  }
}
