// Sound: the SOUND/BEEP tone synthesiser and its play queue, and the _SND handle family
// (WAV samples in 256 slots bound to mixer channels, one music stream on handle 1).
#pragma once
#include <SDL/SDL_mixer.h>
#include <atomic>
#include <cstdint>

struct kels;

constexpr int snd_slots = 256;          // handle table size = mixer channels
constexpr int sndqueue_size = 10000;

// Capability bits of a sound.
constexpr uint8_t snd_cap_sync = 1, snd_cap_vol = 2, snd_cap_pause = 4, snd_cap_len = 8,
                  snd_cap_setpos = 16;

// One slot of the handle table; slot i plays on mixer channel i. `handle` is the only
// field two threads meet on: a slot is claimed by the game thread (0 -> handle) and a
// queued slot is handed back by the main thread (handle -> 0, release).
struct snd_struct {
  std::atomic<uint32_t> handle;         // 0 = free
  Mix_Chunk *chunk;
  uint8_t *raw;                         // buffer owned by a raw sound, freed with its chunk
  uint8_t close;                        // closed by the program: invalid for every operation
  uint8_t playing, paused;
  float volume, volume_mult1;
  float x, y, z;                        // last _SNDBAL position
  uint32_t start_time, paused_time;     // SDL ticks
  uint8_t looping;
  int32_t limit;                        // ms, 0 = none
  double len;                           // seconds
  uint8_t capability;
  uint8_t queued;                       // handed to the play queue: the main thread owns it
};

extern snd_struct snd[snd_slots];
extern uint32_t snd_free_handle;        // next handle number (from 2)

// The music stream, handle 1. The main loop reads the atomics for the play limit.
extern Mix_Music *stream_music;
extern uint8_t stream_loaded, stream_free, stream_playing, stream_looping, stream_type,
    stream_capability;
extern std::atomic<uint8_t> stream_paused;
extern double stream_len, stream_setpos;
extern float stream_volume, stream_volume_mult1;
extern std::atomic<uint32_t> stream_start_time, stream_paused_time;
extern std::atomic<double> stream_limit;          // seconds, 0 = none
extern std::atomic<uint8_t> stream_limited;       // a limited play is under way

// The play queue: the game thread appends at sndqueue_next, the main thread starts
// entries from sndqueue_first. Each index has one writer; entries are handles.
extern uint32_t sndqueue[sndqueue_size];
extern std::atomic<int32_t> sndqueue_next, sndqueue_first;
extern std::atomic<uint8_t> sndqueue_played;
extern std::atomic<int32_t> sndqueue_wait;        // index the game thread awaits, -1 none

extern uint32_t soundwave_bytes;                  // length of the last synthesised buffer

// Opens the mixer once (22,050 Hz, S16LE, stereo, 1024-sample buffers, 256 channels) and
// queues 8,192 frames of lead silence. Every sound operation calls it first. Without a
// usable device it falls back to SDL's silent dummy driver; if that fails too the
// process exits with status 10001.
void sndsetup();

// Triangle tone of the given frequency, as stereo 16-bit frames in a malloc'd buffer;
// soundwave_bytes is set to the playable length (cut at the last rising zero crossing).
int16_t *soundwave(double frequency, double seconds, double volume, double fadein, double fadeout);

void sub_sound(double frequency, double duration);   // duration in ticks of 1/18.2 s
void sub_beep();
void kelvo_generatesound(double frequency, double seconds, int wait);

// Wraps a malloc'd buffer of stereo S16 frames at 22,050 Hz as a sound without copying
// it; the sound owns the buffer and frees it. Returns the handle, 0 when no slot is free
// (the buffer then still belongs to the caller). Capabilities: SYNC only.
uint32_t func__sndraw(uint8_t *buffer, uint32_t bytes);

// Hands a raw sound (from func__sndraw) to the play queue; from then on the main thread
// plays and frees it and the handle is no longer usable by the program. With wait set,
// the game thread is held in evnt (bit 1 of suspend_program) until this entry starts.
void sndqueue_append(uint32_t handle, int wait);

// Main thread, once per pass of the main loop: starts the next queued sound once the
// one before it has finished. Also carries out a queue flush asked for by sndcloseall.
void sndqueue_feed();
// Main thread, input half of the loop: stops a music stream that reached its play limit.
void snd_stream_limit_check();

// _SNDOPEN: passed bit 1 = requirements given. Returns a handle, 1 for the stream, 0 on failure.
uint32_t func__sndopen(kels *file, kels *requirements, int32_t passed);
void sub__sndplay(uint32_t h);
void sub__sndstop(uint32_t h);
void sub__sndclose(uint32_t h);
int32_t func__sndplaying(uint32_t h);
double func__sndgetpos(uint32_t h);
void sub__sndsetpos(uint32_t h, double seconds);
void sub__sndlimit(uint32_t h, double seconds);
void sub__sndloop(uint32_t h);
void sub__sndpause(uint32_t h);
int32_t func__sndpaused(uint32_t h);
double func__sndlen(uint32_t h);
void sub__sndvol(uint32_t h, double v);
void sub__sndbal(uint32_t h, double x, double y, double z);
uint32_t func__sndcopy(uint32_t h);
// _SNDPLAYFILE: passed bit 1 = sync given, bit 2 = volume given.
void sub__sndplayfile(kels *file, int32_t sync, double volume, int32_t passed);
// _SNDPLAYCOPY: passed bit 1 = volume given.
void sub__sndplaycopy(uint32_t h, double volume, int32_t passed);
void snd_check();
void sndcloseall();                     // CLEAR: empties the queue, stops and closes everything
