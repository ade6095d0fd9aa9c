// Sound: the mixer set-up, the SOUND/BEEP triangle synthesiser and its play queue fed by
// the main loop, and the _SND handle table with the music stream.
#include "sound.h"
#include <SDL/SDL.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <string>
#include "flags.h"
#include "events.h"
#include "host.h"
#include "kels.h"
#include "platform.h"

snd_struct snd[snd_slots];
uint32_t snd_free_handle = 2;

Mix_Music *stream_music = nullptr;
uint8_t stream_loaded = 0, stream_free = 0, stream_playing = 0, stream_looping = 0,
        stream_type = 0, stream_capability = 0;
std::atomic<uint8_t> stream_paused{0};
double stream_len = -1, stream_setpos = 0;
float stream_volume = 1, stream_volume_mult1 = 1;
std::atomic<uint32_t> stream_start_time{0}, stream_paused_time{0};
std::atomic<double> stream_limit{0};
std::atomic<uint8_t> stream_limited{0};

uint32_t sndqueue[sndqueue_size];
std::atomic<int32_t> sndqueue_next{0}, sndqueue_first{0};
std::atomic<uint8_t> sndqueue_played{0};
std::atomic<int32_t> sndqueue_wait{-1};

uint32_t soundwave_bytes = 0;

// Queue index up to which the main thread must drop queued sounds (-1 none); set by
// sndcloseall so that only the main thread ever touches queued slots while it runs.
static std::atomic<int32_t> sndqueue_flush{-1};
static std::atomic<bool> snd_ready{false};

constexpr int snd_rate = 22050;
constexpr uint32_t lead_silence_bytes = 8192 * 4;

static double chunk_seconds(uint32_t bytes) { return bytes / (double)snd_rate / 2 / 2; }

// ---- mixer set-up ----------------------------------------------------------------

static bool open_mixer() { return Mix_OpenAudio(snd_rate, AUDIO_S16LSB, 2, 1024) == 0; }

void sndsetup() {
  if (snd_ready.exchange(true)) return;
  if (!SDL_WasInit(SDL_INIT_AUDIO)) SDL_InitSubSystem(SDL_INIT_AUDIO);
  if (!open_mixer()) {
    // No device (a machine without sound, a remote session): play silently in real time
    // through the dummy driver rather than end the program at its first beep.
    std::fprintf(stderr, "No sound device (%s); sound plays silently.\n", SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 || !open_mixer()) kel_exit(10001);
  }
  Mix_AllocateChannels(snd_slots);
  std::atexit(Mix_CloseAudio);
  kel_on_clear(sndcloseall);
  // Lead silence, so the first tone does not start in the middle of the device's warm-up.
  auto *silence = static_cast<uint8_t *>(std::calloc(lead_silence_bytes, 1));
  uint32_t h = func__sndraw(silence, lead_silence_bytes);
  if (h) sndqueue_append(h, 0);
  else std::free(silence);
}

// ---- tone synthesis --------------------------------------------------------------

int16_t *soundwave(double frequency, double seconds, double volume, double fadein, double fadeout) {
  double n = snd_rate * seconds;
  uint32_t samples = n >= 1 ? (uint32_t)n : 1;
  auto *data = static_cast<int16_t *>(std::malloc((size_t)samples * 4));
  if (!data) error(502);
  soundwave_bytes = samples * 4;
  double value = 0, step = 4 * frequency / snd_rate, mult = volume * 32767;
  int dir = 1;                                   // rising
  int32_t prev = 1;
  int64_t cut = -1;                              // last rising zero crossing
  double fade_in = fadein * snd_rate, fade_out = fadeout * snd_rate;   // linear ramps
  for (uint32_t i = 0; i < samples; i++) {
    double m = mult;
    if (i < fade_in) m *= i / fade_in;
    if (samples - i <= fade_out) m *= (samples - 1 - i) / fade_out;
    auto x = (int32_t)(value * m);
    data[2 * i] = data[2 * i + 1] = (int16_t)x;
    if (x > 0 && prev < 1) cut = i;
    prev = x;
    value += dir * step;
    if (dir > 0 && value >= 1) {
      value = 2 - value;
      dir = -1;
    } else if (dir < 0 && value <= -1) {
      value = -2 - value;
      dir = 1;
    }
    // Steps above 2 (tones over 11,025 Hz) overshoot a single reflection; keep folding
    // so the wave stays in range instead of wrapping the 16-bit samples.
    while (value > 1 || value < -1) {
      if (value > 1) {
        value = 2 - value;
        dir = -1;
      } else {
        value = -2 - value;
        dir = 1;
      }
    }
  }
  if (cut >= 0) soundwave_bytes = (uint32_t)cut * 4;   // end on a whole cycle, no click
  return data;
}

// ---- slots ----------------------------------------------------------------------

static int slot_of(uint32_t h) {
  if (!h) return -1;
  for (int i = 0; i < snd_slots; i++)
    if (snd[i].handle.load(std::memory_order_acquire) == h) return i;
  return -1;
}

static int free_slot() {
  for (int i = 0; i < snd_slots; i++)
    if (snd[i].handle.load(std::memory_order_acquire) == 0) return i;
  return -1;
}

static uint32_t next_handle() {
  uint32_t h = snd_free_handle;
  snd_free_handle = h == 0xFFFFFFFFu ? 2 : h + 1;
  return h;
}

static void slot_reset(int i) {
  snd_struct &s = snd[i];
  s.chunk = nullptr;
  s.raw = nullptr;
  s.close = s.playing = s.paused = s.looping = s.queued = 0;
  s.volume = s.volume_mult1 = 1;
  s.x = s.y = s.z = 0;
  s.start_time = s.paused_time = 0;
  s.limit = 0;
  s.len = 0;
  s.capability = 0;
  Mix_UnregisterAllEffects(i);
  Mix_Volume(i, 128);
}

// Frees a slot's audio; a copy sharing the chunk keeps it (game thread only: queued
// slots are never copied, and the main thread must not read other slots' fields).
static void release_slot(int i, bool check_shared) {
  snd_struct &s = snd[i];
  bool shared = false;
  if (check_shared)
    for (int j = 0; j < snd_slots && !shared; j++)
      shared = j != i && snd[j].handle.load(std::memory_order_acquire) && snd[j].chunk == s.chunk;
  if (!shared) {
    Mix_FreeChunk(s.chunk);
    std::free(s.raw);
  }
  s.handle.store(0, std::memory_order_release);
}

// A slot marked playing is no longer playing once its (non-looping) channel is silent.
static void refresh_slot(int i) {
  snd_struct &s = snd[i];
  if (s.playing && !s.looping && !Mix_Playing(i)) s.playing = 0;
}

static void refresh_stream() {
  if (stream_playing && !stream_looping && !stream_paused.load() && !Mix_PlayingMusic())
    stream_playing = 0;
}

static void apply_position(int i) {
  const snd_struct &s = snd[i];
  double x = s.x, y = s.y, z = s.z;
  if (x == 0 && z == 0) z = 1;
  long angle = std::lround(std::atan2(x, z) * 180 / M_PI);
  if (angle < 0) angle += 360;
  if (angle >= 360) angle -= 360;
  double d = std::sqrt(x * x + y * y + z * z);
  if (d < 1) d = 1;
  if (d > 999.9) d = 999.9;
  Mix_SetPosition(i, (Sint16)angle, (Uint8)(d / 3.90625));
}

static void play_slot(int i, bool loop) {
  snd_struct &s = snd[i];
  uint32_t now = platform_ticks();
  if (s.paused) {
    Mix_Resume(i);
    s.start_time += now - s.paused_time;
    s.paused = 0;
    return;
  }
  s.looping = 0;
  Mix_HaltChannel(i);                            // halting also drops the channel's effects
  if (s.x != 0 || s.y != 0 || s.z != 0) apply_position(i);
  int r = loop ? Mix_PlayChannelTimed(i, s.chunk, -1, -1)
               : Mix_PlayChannelTimed(i, s.chunk, 0, s.limit > 0 ? s.limit : -1);
  if (r < 0) return;
  s.start_time = platform_ticks();
  s.playing = 1;
  s.looping = loop;
}

static void stop_slot(int i) {
  Mix_HaltChannel(i);
  snd[i].playing = snd[i].paused = snd[i].looping = 0;
}

// ---- the music stream -----------------------------------------------------------

static void set_music_volume() {
  int level = (int)(stream_volume * 129);
  if (level == 129) level = 128;
  Mix_VolumeMusic((int)(level * stream_volume_mult1));
}

static void play_stream(bool loop) {
  if (stream_paused.load()) {
    Mix_ResumeMusic();
    stream_start_time += platform_ticks() - stream_paused_time.load();
    stream_paused = 0;
    return;
  }
  Mix_HaltMusic();
  stream_limited = 0;
  if (Mix_PlayMusic(stream_music, loop ? -1 : 0) < 0) return;
  stream_start_time = platform_ticks();
  stream_looping = loop;
  if (stream_setpos > 0) {                       // a position remembered while stopped
    SDL_Delay(100);
    Mix_SetMusicPosition(stream_setpos);
    stream_start_time -= (uint32_t)(stream_setpos * 1000);
    stream_setpos = 0;
  }
  stream_playing = 1;
  if (!loop && stream_limit.load() > 0) stream_limited.store(1, std::memory_order_release);
}

static void stop_stream() {
  stream_limited = 0;
  Mix_HaltMusic();
  stream_playing = stream_looping = 0;
  stream_paused = 0;
}

static void free_stream() {
  stop_stream();
  Mix_FreeMusic(stream_music);
  stream_music = nullptr;
  stream_loaded = stream_free = 0;
}

void snd_stream_limit_check() {
  if (!stream_limited.load(std::memory_order_acquire) || stream_paused.load()) return;
  double pos = (platform_ticks() - stream_start_time.load()) / 1000.0;
  if (pos >= stream_limit.load()) {
    Mix_HaltMusic();
    stream_limited = 0;
  }
}

// ---- the play queue -------------------------------------------------------------

static int32_t queue_step(int32_t i) { return i + 1 == sndqueue_size ? 0 : i + 1; }

// Releases the waiting game thread when `index` is the entry it waits for. The wait
// index is cleared before the bit so a following SOUND can set a new one safely.
static void release_waiter(int32_t index) {
  int32_t expected = index;
  if (sndqueue_wait.compare_exchange_strong(expected, -1)) suspend_program.fetch_and((uint8_t)~2u);
}

static void drop_queued(uint32_t h) {
  int i = slot_of(h);
  if (i < 0) return;
  Mix_HaltChannel(i);
  release_slot(i, false);
}

// Drops the sound playing now and every entry before `upto`; runs where the queue's
// head is owned (the main loop, or the caller when no main loop runs).
static void flush_queue(int32_t upto) {
  int32_t first = sndqueue_first.load();
  if (sndqueue_played.load()) drop_queued(sndqueue[first ? first - 1 : sndqueue_size - 1]);
  for (int32_t k = first; k != upto; k = queue_step(k)) {
    release_waiter(k);
    drop_queued(sndqueue[k]);
  }
  sndqueue_played = 0;
  sndqueue_first.store(upto, std::memory_order_release);
}

void sndqueue_append(uint32_t h, int wait) {
  int i = slot_of(h);
  if (i < 0 || snd[i].queued) return;
  snd[i].queued = 1;                             // from here on the main thread's
  int32_t n = sndqueue_next.load(std::memory_order_relaxed);
  sndqueue[n] = h;
  if (wait) {
    sndqueue_wait = n;
    suspend_program.fetch_or(2);
    kelevent = 1;
  }
  sndqueue_next.store(queue_step(n), std::memory_order_release);
}

void sndqueue_feed() {
  int32_t f = sndqueue_flush.exchange(-1, std::memory_order_acquire);
  if (f >= 0) flush_queue(f);
  int32_t first = sndqueue_first.load(std::memory_order_relaxed);
  if (first == sndqueue_next.load(std::memory_order_acquire)) return;
  if (!sndqueue_played.load()) {
    sndqueue_played = 1;
  } else {
    int i = slot_of(sndqueue[first ? first - 1 : sndqueue_size - 1]);
    if (i >= 0) {
      if (Mix_Playing(i)) return;                // strictly one after another
      release_slot(i, false);
    }
  }
  release_waiter(first);
  int i = slot_of(sndqueue[first]);
  if (i >= 0) play_slot(i, false);
  sndqueue_first.store(queue_step(first), std::memory_order_release);
}

// ---- SOUND and BEEP --------------------------------------------------------------

uint32_t func__sndraw(uint8_t *buffer, uint32_t bytes) {
  sndsetup();
  int i = free_slot();
  if (i < 0) return 0;
  Mix_Chunk *c = Mix_QuickLoad_RAW(buffer, bytes);   // no copy: the chunk points at buffer
  if (!c) return 0;
  slot_reset(i);
  snd[i].chunk = c;
  snd[i].raw = buffer;
  snd[i].len = chunk_seconds(bytes);
  snd[i].capability = snd_cap_sync;
  uint32_t h = next_handle();
  snd[i].handle.store(h, std::memory_order_release);
  return h;
}

void kelvo_generatesound(double frequency, double seconds, int wait) {
  sndsetup();
  int16_t *data = soundwave(frequency, seconds, 1, 0, 0);
  uint32_t h = func__sndraw(reinterpret_cast<uint8_t *>(data), soundwave_bytes);
  if (!h) {
    std::free(data);
    return;
  }
  sndqueue_append(h, wait);
}

void sub_sound(double frequency, double duration) {
  if (new_error) return;
  sndsetup();
  if (frequency != 0 && !(frequency >= 37 && frequency <= 32767)) {
    error(5);
    return;
  }
  if (!(duration >= 0 && duration <= 65535)) {
    error(5);
    return;
  }
  if (duration == 0) return;
  kelvo_generatesound(frequency, duration / 18.2, 1);
}

void sub_beep() {
  if (new_error) return;
  kelvo_generatesound(783.99, 0.2, 0);
  platform_sleep(250);
}

// ---- handle operations ----------------------------------------------------------

constexpr int target_none = -1, target_stream = snd_slots;

// Resolves a program's handle: a slot index, target_stream, or target_none when there
// is nothing to do (an error pending, handle 0, or error 5 just raised for an unknown or
// closed handle or a missing capability).
static int target(uint32_t h, uint8_t need) {
  if (new_error) return target_none;
  sndsetup();
  if (h == 0) return target_none;
  if (h == 1) {
    if (!stream_loaded || stream_free || (need & ~stream_capability)) {
      error(5);
      return target_none;
    }
    return target_stream;
  }
  int i = slot_of(h);
  if (i < 0 || snd[i].queued || snd[i].close || (need & ~snd[i].capability)) {
    error(5);
    return target_none;
  }
  return i;
}

// Parses "SYNC,VOL,..." into capability bits; false (error 5 raised) when refused.
static bool parse_requirements(const kels *req, uint8_t &flags) {
  static const struct { const char *name; uint8_t bit; } items[] = {
      {"SYNC", snd_cap_sync}, {"VOL", snd_cap_vol}, {"PAUSE", snd_cap_pause},
      {"LEN", snd_cap_len}, {"SETPOS", snd_cap_setpos}};
  std::string text((const char *)req->text, req->len);
  for (char &c : text) c = (char)std::toupper((unsigned char)c);
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t a = item.find_first_not_of(' '), b = item.find_last_not_of(' ');
    item = a == std::string::npos ? "" : item.substr(a, b - a + 1);
    uint8_t bit = 0;
    for (auto &it : items)
      if (item == it.name) bit = it.bit;
    if (!bit || (flags & bit)) {
      error(5);
      return false;
    }
    flags |= bit;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

static uint32_t open_sound(std::string file, uint8_t req) {
#ifdef _WIN32
  for (char &c : file)
    if (c == '/') c = '\\';
#endif
  if (req & snd_cap_sync) {
    if (req & snd_cap_setpos) return 0;
    int i = free_slot();
    if (i < 0) return 0;
    slot_reset(i);
    Mix_Chunk *c = Mix_LoadWAV(file.c_str());
    if (!c) return 0;                            // the slot stays free
    snd[i].chunk = c;
    snd[i].len = chunk_seconds(c->alen);
    snd[i].capability = (uint8_t)((req & (snd_cap_vol | snd_cap_pause | snd_cap_len)) | snd_cap_sync);
    uint32_t h = next_handle();
    snd[i].handle.store(h, std::memory_order_release);
    return h;
  }
  if (stream_loaded) {
    if (!stream_free) {
      error(5);
      return 0;
    }
    free_stream();
  }
  double len = -1;
  if (req & snd_cap_len) {
    Mix_Chunk *c = Mix_LoadWAV(file.c_str());
    if (!c) return 0;
    len = chunk_seconds(c->alen);
    Mix_FreeChunk(c);
  }
  Mix_Music *m = Mix_LoadMUS(file.c_str());
  if (!m) return 0;
  Mix_VolumeMusic(128);
  stream_playing = stream_looping = 0;
  stream_paused = 0;
  stream_limited = 0;
  stream_limit = 0;
  stream_setpos = 0;
  stream_volume = stream_volume_mult1 = 1;
  stream_start_time = stream_paused_time = 0;
  Mix_MusicType type = Mix_GetMusicType(m);
  stream_type = (type == MUS_MP3 || type == MUS_MP3_MAD) ? 1 : 0;
  if ((req & snd_cap_setpos) && stream_type != 1) {
    Mix_FreeMusic(m);
    return 0;
  }
  stream_music = m;
  stream_len = len;
  stream_capability = req & (snd_cap_setpos | snd_cap_len | snd_cap_pause | snd_cap_vol);
  stream_free = 0;
  stream_loaded = 1;
  return 1;
}

uint32_t func__sndopen(kels *file, kels *requirements, int32_t passed) {
  if (new_error) return 0;
  sndsetup();
  uint8_t req = 0;
  if ((passed & 1) && requirements && requirements->len && !parse_requirements(requirements, req))
    return 0;
  return open_sound(std::string((const char *)file->text, file->len), req);
}

static void close_target(int t) {
  if (t == target_stream) stream_free = 1;
  else snd[t].close = 1;
  snd_check();
}

void sub__sndplay(uint32_t h) {
  int t = target(h, 0);
  if (t == target_none) return;
  if (t == target_stream) play_stream(false);
  else play_slot(t, false);
}

void sub__sndstop(uint32_t h) {
  int t = target(h, 0);
  if (t == target_none) return;
  if (t == target_stream) stop_stream();
  else stop_slot(t);
}

void sub__sndclose(uint32_t h) {
  int t = target(h, 0);
  if (t != target_none) close_target(t);
}

int32_t func__sndplaying(uint32_t h) {
  int t = target(h, 0);
  if (t == target_none) return 0;
  if (t == target_stream) {
    refresh_stream();
    return stream_playing && !stream_paused.load() ? -1 : 0;
  }
  refresh_slot(t);
  return snd[t].playing && !snd[t].paused ? -1 : 0;
}

double func__sndgetpos(uint32_t h) {
  int t = target(h, 0);
  if (t == target_none) return 0;
  uint32_t now = platform_ticks();
  if (t == target_stream) {
    refresh_stream();
    if (!stream_playing) return 0;
    uint32_t end = stream_paused.load() ? stream_paused_time.load() : now;
    return (end - stream_start_time.load()) / 1000.0;
  }
  refresh_slot(t);
  const snd_struct &s = snd[t];
  if (!s.playing) return 0;
  return ((s.paused ? s.paused_time : now) - s.start_time) / 1000.0;
}

void sub__sndsetpos(uint32_t h, double seconds) {
  int t = target(h, snd_cap_setpos);
  if (t == target_none) return;
  if (t != target_stream || stream_type != 1 || stream_looping || seconds < 0) {
    error(5);
    return;
  }
  refresh_stream();
  if (!stream_playing) {
    stream_setpos = seconds;                     // applied by the next play
    return;
  }
  Mix_RewindMusic();
  SDL_Delay(100);
  Mix_SetMusicPosition(seconds);
  uint32_t now = platform_ticks();
  stream_start_time = now - (uint32_t)(seconds * 1000);
  if (stream_paused.load()) stream_paused_time = now;
}

void sub__sndlimit(uint32_t h, double seconds) {
  int t = target(h, 0);
  if (t == target_none) return;
  if (!(seconds >= 0)) {
    error(5);
    return;
  }
  if (t == target_stream) stream_limit = seconds;
  else snd[t].limit = (int32_t)(seconds * 1000);
}

void sub__sndloop(uint32_t h) {
  int t = target(h, 0);
  if (t == target_none) return;
  if (t == target_stream) {
    if (stream_limit.load() > 0) {
      error(5);
      return;
    }
    stop_stream();
    play_stream(true);
    return;
  }
  if (snd[t].limit) {
    error(5);
    return;
  }
  stop_slot(t);
  play_slot(t, true);
}

void sub__sndpause(uint32_t h) {
  int t = target(h, snd_cap_pause);
  if (t == target_none) return;
  uint32_t now = platform_ticks();
  if (t == target_stream) {
    refresh_stream();
    if (stream_playing && !stream_paused.load()) {
      Mix_PauseMusic();
      stream_paused_time = now;
      stream_paused = 1;
    }
    return;
  }
  refresh_slot(t);
  snd_struct &s = snd[t];
  if (s.playing && !s.paused) {
    Mix_Pause(t);
    s.paused = 1;
    s.paused_time = now;
  }
}

int32_t func__sndpaused(uint32_t h) {
  int t = target(h, snd_cap_pause);
  if (t == target_none) return 0;
  if (t == target_stream) return stream_paused.load() ? -1 : 0;
  return snd[t].paused ? -1 : 0;
}

double func__sndlen(uint32_t h) {
  int t = target(h, snd_cap_len);
  if (t == target_none) return 0;
  if (t != target_stream) return snd[t].len;
  if (stream_len < 0) {
    error(5);
    return 0;
  }
  return stream_len;
}

void sub__sndvol(uint32_t h, double v) {
  int t = target(h, snd_cap_vol);
  if (t == target_none) return;
  if (!(v >= 0 && v <= 1)) {
    error(5);
    return;
  }
  if (t == target_stream) {
    stream_volume = (float)v;
    set_music_volume();
    return;
  }
  int level = (int)(v * 129);
  if (level == 129) level = 128;
  snd[t].volume = (float)v;
  Mix_Volume(t, (int)(level * snd[t].volume_mult1));
}

void sub__sndbal(uint32_t h, double x, double y, double z) {
  int t = target(h, snd_cap_vol);
  if (t == target_none) return;
  if (t == target_stream) {
    double d = std::sqrt(x * x + y * y + z * z);
    if (d < 1) d = 0;
    if (d > 1000) d = 1000;
    stream_volume_mult1 = (float)((1000 - d) / 1000);
    set_music_volume();
    return;
  }
  snd[t].x = (float)x;
  snd[t].y = (float)y;
  snd[t].z = (float)z;
  apply_position(t);
}

uint32_t func__sndcopy(uint32_t h) {
  int t = target(h, snd_cap_sync);
  if (t == target_none) return 0;
  int j = free_slot();
  if (j < 0) return 0;
  slot_reset(j);
  snd[j].chunk = snd[t].chunk;                   // shared; released with the last holder
  snd[j].raw = snd[t].raw;
  snd[j].len = snd[t].len;
  snd[j].capability = snd[t].capability;
  uint32_t c = next_handle();
  snd[j].handle.store(c, std::memory_order_release);
  return c;
}

void sub__sndplayfile(kels *file, int32_t sync, double volume, int32_t passed) {
  if (new_error) return;
  sndsetup();
  uint8_t req = 0;
  if ((passed & 1) && sync) req |= snd_cap_sync;
  if ((passed & 2) && volume != 1) {
    if (!(volume >= 0 && volume <= 1)) {
      error(5);
      return;
    }
    req |= snd_cap_vol;
  }
  uint32_t h = open_sound(std::string((const char *)file->text, file->len), req);
  if (!h) return;
  if (req & snd_cap_vol) sub__sndvol(h, volume);
  sub__sndplay(h);
  close_target(h == 1 ? target_stream : slot_of(h));   // takes effect when playing ends
}

void sub__sndplaycopy(uint32_t h, double volume, int32_t passed) {
  if (new_error) return;
  uint32_t c = func__sndcopy(h);
  if (!c) return;
  if (passed & 1) sub__sndvol(c, volume);
  if (!new_error) sub__sndplay(c);
  close_target(slot_of(c));                      // even when the volume was refused
}

void snd_check() {
  if (stream_loaded && stream_free && !Mix_PlayingMusic()) free_stream();
  for (int i = 0; i < snd_slots; i++) {
    snd_struct &s = snd[i];
    if (!s.handle.load(std::memory_order_acquire) || s.queued || !s.close) continue;
    refresh_slot(i);
    if (s.playing) continue;
    release_slot(i, true);
  }
}

void sndcloseall() {
  int32_t upto = sndqueue_next.load(std::memory_order_acquire);
  if (platform_main_loop_running.load()) sndqueue_flush.store(upto, std::memory_order_release);
  else flush_queue(upto);
  if (stream_loaded) {
    stop_stream();
    stream_free = 1;
  }
  for (int i = 0; i < snd_slots; i++) {
    snd_struct &s = snd[i];
    if (!s.handle.load(std::memory_order_acquire) || s.queued) continue;
    stop_slot(i);
    s.close = 1;
  }
  snd_check();
}
