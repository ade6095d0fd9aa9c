// Audio output in the browser build: the part of SDL_mixer's interface the sound module uses,
// over a mixer of our own. The page's Web Audio output pulls mixed 22,050 Hz stereo frames
// (kel_web_audio_pull), so a sound plays for as long as its frames take: the sample clock.
// Until the page's audio runs (browsers start it at the first key or click) the frames are
// consumed silently at the same rate by the wall clock, as SDL's dummy driver does natively.
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <emscripten.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr int rate = 22050;
constexpr int nchannels = 256;

struct voice {
  Mix_Chunk *chunk = nullptr;
  uint32_t pos = 0;            // bytes played
  int loops = 0;               // further plays after this one; -1 for ever
  int64_t frames_left = -1;    // a timed play's remaining frames; -1 none
  bool paused = false;
  int volume = 128;
  int left = 255, right = 255; // Mix_SetPosition's gains
};

voice channels[nchannels];
voice music_voice;
int music_volume = 128;
bool opened = false;

std::mutex lock;               // the page's thread pulls while the program's threads play

using clock_type = std::chrono::steady_clock;
clock_type::time_point silent_from = clock_type::now();   // frames consumed silently up to here
std::atomic<int64_t> last_pull_ms{-1000000};

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now().time_since_epoch()).count();
}

bool page_audio_runs() { return now_ms() - last_pull_ms.load() < 250; }

// Adds n frames of one voice into mix (32-bit sums); ends the voice at its end.
void mix_voice(voice &v, int32_t *mix, int n, int master) {
  if (!v.chunk || v.paused) return;
  for (int i = 0; i < n && v.chunk; i++) {
    if (v.frames_left == 0) { v.chunk = nullptr; break; }
    if (v.pos + 4 > v.chunk->alen) {
      if (v.loops == 0 || v.chunk->alen < 4) { v.chunk = nullptr; break; }
      if (v.loops > 0) v.loops--;
      v.pos = 0;
    }
    int16_t l, r;
    std::memcpy(&l, v.chunk->abuf + v.pos, 2);
    std::memcpy(&r, v.chunk->abuf + v.pos + 2, 2);
    v.pos += 4;
    if (v.frames_left > 0) v.frames_left--;
    int g = v.volume * master / 128;
    if (mix) {
      mix[2 * i] += l * g / 128 * v.left / 255;
      mix[2 * i + 1] += r * g / 128 * v.right / 255;
    }
  }
}

void mix_all(int32_t *mix, int n) {
  for (auto &v : channels) mix_voice(v, mix, n, 128);
  mix_voice(music_voice, mix, n, music_volume);
}

// Without the page's audio, the frames due by the wall clock are played into nothing.
void catch_up() {
  auto now = clock_type::now();
  if (page_audio_runs()) {
    silent_from = now;
    return;
  }
  int64_t frames = std::chrono::duration_cast<std::chrono::microseconds>(now - silent_from).count() * rate / 1000000;
  if (frames <= 0) return;
  silent_from += std::chrono::microseconds(frames * 1000000 / rate);
  mix_all(nullptr, (int)std::min<int64_t>(frames, 1 << 30));
}

voice *at(int ch) { return ch >= 0 && ch < nchannels ? &channels[ch] : nullptr; }

template <class F> void each(int ch, F f) {
  if (ch == -1) for (auto &v : channels) f(v);
  else if (voice *v = at(ch)) f(*v);
}

// ---- WAV files: PCM 8 or 16 bits, mono or stereo, any rate, made 22,050 Hz stereo S16 ----

uint32_t le(const uint8_t *p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; i--) v = v << 8 | p[i];
  return v;
}

Mix_Chunk *load_wav(const char *file) {
  FILE *f = std::fopen(file, "rb");
  if (!f) { SDL_SetError("Couldn't open %s", file); return nullptr; }
  std::vector<uint8_t> d;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) d.insert(d.end(), buf, buf + n);
  std::fclose(f);
  if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) || std::memcmp(d.data() + 8, "WAVE", 4)) {
    SDL_SetError("Unrecognized audio format");
    return nullptr;
  }
  int fmt = 0, chans = 0, bits = 0;
  uint32_t srate = 0;
  const uint8_t *pcm = nullptr;
  uint32_t pcm_len = 0;
  for (size_t at = 12; at + 8 <= d.size();) {
    uint32_t len = le(&d[at + 4], 4);
    const uint8_t *body = &d[at + 8];
    size_t avail = d.size() - at - 8;
    if (!std::memcmp(&d[at], "fmt ", 4) && avail >= 16) {
      fmt = (int)le(body, 2), chans = (int)le(body + 2, 2), srate = le(body + 4, 4), bits = (int)le(body + 14, 2);
    } else if (!std::memcmp(&d[at], "data", 4)) {
      pcm = body, pcm_len = (uint32_t)std::min<size_t>(len, avail);
    }
    at += 8 + (size_t)len + (len & 1);
  }
  if (fmt != 1 || (chans != 1 && chans != 2) || (bits != 8 && bits != 16) || !srate || !pcm) {
    SDL_SetError("Unsupported WAV format");
    return nullptr;
  }
  int bytes = bits / 8, frame = bytes * chans;
  size_t in_frames = pcm_len / frame;
  size_t out_frames = (size_t)((double)in_frames * rate / srate);
  auto sample = [&](size_t i, int c) -> int {
    const uint8_t *p = pcm + i * frame + (chans == 2 ? c : 0) * bytes;
    return bits == 8 ? ((int)p[0] - 128) << 8 : (int16_t)le(p, 2);
  };
  auto *out = static_cast<int16_t *>(std::malloc(std::max<size_t>(out_frames, 1) * 4));
  for (size_t i = 0; i < out_frames; i++) {
    double pos = (double)i * srate / rate;
    size_t k = (size_t)pos;
    double t = pos - k;
    size_t k2 = std::min(k + 1, in_frames - 1);
    for (int c = 0; c < 2; c++)
      out[2 * i + c] = (int16_t)std::lround(sample(k, c) * (1 - t) + sample(k2, c) * t);
  }
  auto *chunk = new Mix_Chunk{1, reinterpret_cast<Uint8 *>(out), (Uint32)(out_frames * 4), 128};
  return chunk;
}

}  // namespace

struct _Mix_Music { Mix_Chunk *chunk; };

// The page's audio callback: n frames of interleaved S16 stereo into out.
extern "C" EMSCRIPTEN_KEEPALIVE void kel_web_audio_pull(int16_t *out, int n) {
  std::vector<int32_t> mix((size_t)n * 2, 0);
  {
    std::lock_guard<std::mutex> g(lock);
    catch_up();                            // the silent stretch before the audio ran
    last_pull_ms = now_ms();
    silent_from = clock_type::now();
    mix_all(mix.data(), n);
  }
  for (size_t i = 0; i < mix.size(); i++) out[i] = (int16_t)std::clamp(mix[i], -32768, 32767);
}

extern "C" {

int Mix_OpenAudio(int frequency, Uint16, int, int) {
  std::lock_guard<std::mutex> g(lock);
  opened = frequency == rate;
  silent_from = clock_type::now();
  return opened ? 0 : -1;
}

void Mix_CloseAudio() {
  std::lock_guard<std::mutex> g(lock);
  for (auto &v : channels) v = voice{};
  music_voice = voice{};
  opened = false;
}

int Mix_AllocateChannels(int) { return nchannels; }

Mix_Chunk *Mix_QuickLoad_RAW(Uint8 *mem, Uint32 len) { return new Mix_Chunk{0, mem, len, 128}; }

Mix_Chunk *Mix_LoadWAV(const char *file) { return load_wav(file); }

void Mix_FreeChunk(Mix_Chunk *chunk) {
  if (!chunk) return;
  {
    std::lock_guard<std::mutex> g(lock);
    for (auto &v : channels)
      if (v.chunk == chunk) v.chunk = nullptr;
  }
  if (chunk->allocated) std::free(chunk->abuf);
  delete chunk;
}

int Mix_PlayChannelTimed(int channel, Mix_Chunk *chunk, int loops, int ticks) {
  if (!chunk) return -1;
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  if (channel == -1)
    for (int i = 0; i < nchannels && channel < 0; i++)
      if (!channels[i].chunk) channel = i;
  voice *v = at(channel);
  if (!v) return -1;
  v->chunk = chunk;
  v->pos = 0;
  v->loops = loops;
  v->frames_left = ticks >= 0 ? (int64_t)ticks * rate / 1000 : -1;
  v->paused = false;
  return channel;
}

int Mix_Playing(int channel) {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  int n = 0;
  each(channel, [&](voice &v) { n += v.chunk != nullptr; });
  return n;
}

int Mix_HaltChannel(int channel) {
  std::lock_guard<std::mutex> g(lock);
  each(channel, [](voice &v) { v.chunk = nullptr, v.paused = false; });
  return 0;
}

void Mix_Pause(int channel) {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  each(channel, [](voice &v) { v.paused = v.chunk != nullptr; });
}

void Mix_Resume(int channel) {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  each(channel, [](voice &v) { v.paused = false; });
}

int Mix_Volume(int channel, int volume) {
  std::lock_guard<std::mutex> g(lock);
  voice *v = at(channel);
  if (!v) return 128;
  int old = v->volume;
  if (volume >= 0) v->volume = std::min(volume, 128);
  return old;
}

int Mix_UnregisterAllEffects(int channel) {
  std::lock_guard<std::mutex> g(lock);
  each(channel, [](voice &v) { v.left = v.right = 255; });
  return 1;
}

// Angle 0 is ahead, 90 to the right; distance 0 (near) to 255 (far), as SDL_mixer takes them.
int Mix_SetPosition(int channel, Sint16 angle, Uint8 distance) {
  std::lock_guard<std::mutex> g(lock);
  voice *v = at(channel);
  if (!v) return 0;
  double a = angle * M_PI / 180, near = (255 - distance) / 255.0;
  double pan = std::sin(a);                // -1 left .. 1 right
  v->left = (int)std::lround(255 * near * std::min(1.0, 1 - pan));
  v->right = (int)std::lround(255 * near * std::min(1.0, 1 + pan));
  return 1;
}

// ---- the music stream: WAV files on a voice of their own ----

Mix_Music *Mix_LoadMUS(const char *file) {
  Mix_Chunk *c = load_wav(file);
  return c ? new _Mix_Music{c} : nullptr;
}

void Mix_FreeMusic(Mix_Music *m) {
  if (!m) return;
  {
    std::lock_guard<std::mutex> g(lock);
    if (music_voice.chunk == m->chunk) music_voice = voice{};
  }
  std::free(m->chunk->abuf);
  delete m->chunk;
  delete m;
}

Mix_MusicType Mix_GetMusicType(const Mix_Music *) { return MUS_WAV; }

int Mix_PlayMusic(Mix_Music *m, int loops) {
  if (!m) return -1;
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  music_voice = voice{};
  music_voice.chunk = m->chunk;
  music_voice.loops = loops < 0 ? -1 : std::max(loops - 1, 0);
  return 0;
}

int Mix_PlayingMusic() {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  return music_voice.chunk != nullptr;
}

int Mix_HaltMusic() {
  std::lock_guard<std::mutex> g(lock);
  music_voice.chunk = nullptr;
  return 0;
}

void Mix_PauseMusic() {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  music_voice.paused = true;
}

void Mix_ResumeMusic() {
  std::lock_guard<std::mutex> g(lock);
  catch_up();
  music_voice.paused = false;
}

void Mix_RewindMusic() {
  std::lock_guard<std::mutex> g(lock);
  music_voice.pos = 0;
}

int Mix_SetMusicPosition(double) { return -1; }   // only MP3 streams take a position

int Mix_VolumeMusic(int volume) {
  std::lock_guard<std::mutex> g(lock);
  int old = music_volume;
  if (volume >= 0) music_volume = std::min(volume, 128);
  return old;
}

}  // extern "C"
