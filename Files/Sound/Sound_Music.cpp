#include "Sound/Sound_Music.h"

#include <fluidsynth.h>
#include <mpg123.h>
#include <sys/types.h>

#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

#include "Platform/Platform_Console.h"
#include "Sound/Sound_Output.h"

namespace {

constexpr int kMidiRate = 44100;
constexpr size_t kBlockFrames = 8192;  // about 0.19 s at 44100 Hz
constexpr size_t kQueuedBlocks = 6;    // on the output source
constexpr size_t kWaitingBlocks = 6;   // decoded, not yet handed to the output
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// ---- Decoders: each is made on the game thread, then owned by the worker -------------------------

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Up to `frames` interleaved frames into `out` (appended); 0 at the end.
  virtual size_t Read(std::vector<int16_t>& out, size_t frames) = 0;
  virtual bool Rewind() = 0;
  int channels = 2;
  int rate = 44100;
};

struct Memory {
  std::vector<uint8_t> bytes;
  size_t at = 0;
};

ssize_t MemRead(void* handle, void* buffer, size_t size) {
  auto* m = static_cast<Memory*>(handle);
  const size_t n = std::min(size, m->bytes.size() - m->at);
  std::memcpy(buffer, m->bytes.data() + m->at, n);
  m->at += n;
  return ssize_t(n);
}

off_t MemSeek(void* handle, off_t offset, int whence) {
  auto* m = static_cast<Memory*>(handle);
  off_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? off_t(m->at) : off_t(m->bytes.size());
  const off_t to = base + offset;
  if (to < 0 || to > off_t(m->bytes.size())) return -1;
  m->at = size_t(to);
  return to;
}

class Mp3Decoder : public Decoder {
 public:
  ~Mp3Decoder() override {
    if (handle_ != nullptr) {
      mpg123_close(handle_);
      mpg123_delete(handle_);
    }
  }
  bool Open(std::vector<uint8_t> bytes, std::string& error) {
    memory_.bytes = std::move(bytes);
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (handle_ == nullptr) return Fail(error, mpg123_plain_strerror(err));
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(handle_);
    for (long r : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L}) {
      mpg123_format(handle_, r, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_replace_reader_handle(handle_, MemRead, MemSeek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, &memory_) != MPG123_OK) {
      return Fail(error, mpg123_strerror(handle_));
    }
    long r = 0;
    int ch = 0, enc = 0;
    if (mpg123_getformat(handle_, &r, &ch, &enc) != MPG123_OK) return Fail(error, "no MPEG audio frames");
    rate = int(r);
    channels = ch;
    return true;
  }
  size_t Read(std::vector<int16_t>& out, size_t frames) override {
    const size_t old = out.size();
    out.resize(old + frames * size_t(channels));
    size_t got = 0;
    while (got < frames) {
      size_t bytes = 0;
      const int rc = mpg123_read(handle_, reinterpret_cast<unsigned char*>(out.data() + old + got * size_t(channels)),
                                 (frames - got) * size_t(channels) * 2, &bytes);
      got += bytes / (size_t(channels) * 2);
      if (rc == MPG123_NEW_FORMAT) continue;
      if (rc != MPG123_OK || bytes == 0) break;
    }
    out.resize(old + got * size_t(channels));
    return got;
  }
  bool Rewind() override { return mpg123_seek(handle_, 0, SEEK_SET) >= 0; }

 private:
  static bool Fail(std::string& error, const char* why) {
    error = why != nullptr ? why : "cannot decode";
    return false;
  }
  mpg123_handle* handle_ = nullptr;
  Memory memory_;
};

uint32_t Big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// A header chunk of format 0 to 2 with a time division, and as many whole track chunks as it names.
bool WholeMidi(const std::vector<uint8_t>& b) {
  if (b.size() < 14 || std::memcmp(b.data(), "MThd", 4) != 0) return false;
  const uint32_t headerLength = Big32(&b[4]);
  const unsigned format = unsigned(b[8]) << 8 | b[9];
  const unsigned tracks = unsigned(b[10]) << 8 | b[11];
  const unsigned division = unsigned(b[12]) << 8 | b[13];
  if (headerLength < 6 || headerLength > b.size() - 8 || format > 2 || tracks == 0 || division == 0) return false;
  size_t at = 8 + size_t(headerLength);
  unsigned found = 0;
  while (found < tracks && b.size() - at >= 8) {
    const uint32_t length = Big32(&b[at + 4]);
    if (length > b.size() - at - 8) return false;
    if (std::memcmp(&b[at], "MTrk", 4) == 0) ++found;
    at += 8 + size_t(length);
  }
  return found == tracks;
}

class MidiDecoder : public Decoder {
 public:
  ~MidiDecoder() override {
    if (player_ != nullptr) {
      fluid_player_stop(player_);
      delete_fluid_player(player_);
    }
    if (synth_ != nullptr) delete_fluid_synth(synth_);
    if (settings_ != nullptr) delete_fluid_settings(settings_);
  }
  bool Open(std::vector<uint8_t> bytes, std::string& error) {
    bytes_ = std::move(bytes);
    if (!WholeMidi(bytes_)) {
      error = "not a whole standard MIDI file";
      return false;
    }
    rate = kMidiRate;
    channels = 2;
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) return Fail(error, "the synthesiser cannot be set up");
    fluid_settings_setnum(settings_, "synth.sample-rate", double(kMidiRate));
    fluid_settings_setnum(settings_, "synth.gain", 1.0);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    synth_ = new_fluid_synth(settings_);
    if (synth_ == nullptr) return Fail(error, "the synthesiser cannot be set up");
    if (fluid_synth_sfload(synth_, kSoundFont, 1) == FLUID_FAILED) return Fail(error, "the General MIDI sound font is missing");
    return Start(error);
  }
  size_t Read(std::vector<int16_t>& out, size_t frames) override {
    if (Finished()) return 0;
    const size_t old = out.size();
    out.resize(old + frames * 2);
    int16_t* p = out.data() + old;
    fluid_synth_write_s16(synth_, int(frames), p, 0, 2, p, 1, 2);
    rendered_ += frames;
    return frames;
  }
  bool Rewind() override {
    std::string error;
    return Start(error);
  }

 private:
  bool Fail(std::string& error, const char* why) {
    error = why;
    return false;
  }
  bool Start(std::string& error) {
    if (player_ != nullptr) {
      fluid_player_stop(player_);
      delete_fluid_player(player_);
    }
    fluid_synth_system_reset(synth_);
    player_ = new_fluid_player(synth_);
    rendered_ = 0;
    if (player_ == nullptr || fluid_player_add_mem(player_, bytes_.data(), bytes_.size()) != FLUID_OK ||
        fluid_player_play(player_) != FLUID_OK) {
      return Fail(error, "the MIDI file cannot be played");
    }
    return true;
  }
  // The last event is played and every voice has died away (the player itself waits seconds longer).
  bool Finished() const {
    if (fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING) return true;
    const int total = fluid_player_get_total_ticks(player_);
    if (rendered_ > 0 && total <= 0) return true;  // nothing could be read from the file
    return total > 0 && fluid_player_get_current_tick(player_) >= total &&
           fluid_synth_get_active_voice_count(synth_) == 0;
  }
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  std::vector<uint8_t> bytes_;
  size_t rendered_ = 0;
};

std::unique_ptr<Decoder> MakeDecoder(MusicFormat format, std::vector<uint8_t> bytes, std::string& error) {
  if (format == MusicFormat::Mp3) {
    auto d = std::make_unique<Mp3Decoder>();
    if (d->Open(std::move(bytes), error)) return d;
  } else if (format == MusicFormat::Midi) {
    auto d = std::make_unique<MidiDecoder>();
    if (d->Open(std::move(bytes), error)) return d;
  } else {
    error = "not an MP3 or MIDI file";
  }
  return nullptr;
}

// ---- The worker and its queue ---------------------------------------------------------------------

struct Block {
  std::vector<int16_t> samples;
  int channels = 2, rate = 44100;
};

// The only thing the worker and the game thread share.
struct Queue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Block> blocks;
  bool ended = false;  // the decoder has reached the end (and is not looping)
  bool stop = false;
};

void Work(std::unique_ptr<Decoder> decoder, bool loop, std::shared_ptr<Queue> queue) {
  for (;;) {
    Block b;
    b.channels = decoder->channels;
    b.rate = decoder->rate;
    size_t got = decoder->Read(b.samples, kBlockFrames);
    if (got == 0 && loop && decoder->Rewind()) got = decoder->Read(b.samples, kBlockFrames);
    std::unique_lock<std::mutex> hold(queue->lock);
    if (got == 0) {
      queue->ended = true;
      return;
    }
    queue->changed.wait(hold, [&] { return queue->stop || queue->blocks.size() < kWaitingBlocks; });
    if (queue->stop) return;
    queue->blocks.push_back(std::move(b));
  }
}

// ---- The game thread's state ----------------------------------------------------------------------

struct Playing {
  std::string name;
  std::shared_ptr<Queue> queue;
  std::thread worker;
  uint32_t source = 0;
  bool decoderEnded = false;
  float gain = 1;
};

Playing g_music;
std::vector<uint32_t> g_sources;  // the one source music plays on, made when first needed

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != end[i]) return false;
  }
  return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

void FreeQueuedBuffers(uint32_t source) {
  SoundOut_Stop(source);
  for (uint32_t b : SoundOut_UnqueueProcessed(source)) SoundOut_DeleteBuffer(b);
  SoundOut_SetBuffer(source, 0);
}

}  // namespace

MusicFormat Music_FormatOf(const std::string& name) {
  if (EndsWith(name, ".mp3")) return MusicFormat::Mp3;
  if (EndsWith(name, ".mid") || EndsWith(name, ".midi")) return MusicFormat::Midi;
  return MusicFormat::None;
}

bool Music_Play(const std::string& name, const uint8_t* image, size_t size, bool loop) {
  if (!SoundOut_IsOpen()) return false;
  Music_Stop();
  MusicFormat format = Music_FormatOf(name);
  std::vector<uint8_t> bytes;
  bool found = false;
  if (format == MusicFormat::Midi) {
    // A MIDI piece may have been converted to an MP3 beside it: that is played when present.
    const std::string mp3 = name.substr(0, name.rfind('.')) + ".mp3";
    if (ReadFile(mp3, bytes)) {
      format = MusicFormat::Mp3;
      found = true;
    }
  }
  if (!found) found = ReadFile(name, bytes);
  if (!found && image != nullptr && size > 0) {
    bytes.assign(image, image + size);
    found = true;
  }
  if (!found) {
    Console::Output("error opening mp3 file %s - %s\n", name.c_str(), "the file does not exist");
    return false;
  }
  std::string error;
  std::unique_ptr<Decoder> decoder = MakeDecoder(format, std::move(bytes), error);
  if (!decoder) {
    Console::Output("error opening mp3 file %s - %s\n", name.c_str(), error.c_str());
    return false;
  }
  if (g_sources.empty() && !SoundOut_CreateSources(1, g_sources)) {
    Console::Output("error playing file for %s - %s\n", name.c_str(), "no output source");
    return false;
  }
  g_music.name = name;
  g_music.source = g_sources[0];
  g_music.decoderEnded = false;
  g_music.queue = std::make_shared<Queue>();
  SoundOut_SetRelative(g_music.source, true);
  SoundOut_SetPosition(g_music.source, 0, 0, 0);
  SoundOut_SetLooping(g_music.source, false);
  SoundOut_SetGain(g_music.source, g_music.gain);
  g_music.worker = std::thread(Work, std::move(decoder), loop, g_music.queue);
  Music_Tick();
  return true;
}

void Music_Stop() {
  if (g_music.queue) {
    {
      std::lock_guard<std::mutex> hold(g_music.queue->lock);
      g_music.queue->stop = true;
    }
    g_music.queue->changed.notify_all();
  }
  if (g_music.worker.joinable()) g_music.worker.join();
  if (g_music.source != 0) FreeQueuedBuffers(g_music.source);
  g_music.queue.reset();
  g_music.name.clear();
  g_music.source = 0;
  g_music.decoderEnded = false;
}

bool Music_IsPlaying() {
  if (!g_music.queue) return false;
  Music_Tick();
  return g_music.queue != nullptr;
}

const std::string& Music_Current() { return g_music.name; }

void Music_SetVolume(double volume) {
  g_music.gain = float(volume < 0 ? 0 : volume > 1 ? 1 : volume);
  if (g_music.source != 0) SoundOut_SetGain(g_music.source, g_music.gain);
}

void Music_Tick() {
  if (!g_music.queue) return;
  const uint32_t s = g_music.source;
  for (uint32_t b : SoundOut_UnqueueProcessed(s)) SoundOut_DeleteBuffer(b);
  std::deque<Block> ready;
  bool ended = false;
  {
    std::lock_guard<std::mutex> hold(g_music.queue->lock);
    while (!g_music.queue->blocks.empty() && size_t(SoundOut_Queued(s)) + ready.size() < kQueuedBlocks) {
      ready.push_back(std::move(g_music.queue->blocks.front()));
      g_music.queue->blocks.pop_front();
    }
    ended = g_music.queue->ended && g_music.queue->blocks.empty();
  }
  g_music.queue->changed.notify_all();
  for (const Block& b : ready) {
    const uint32_t buffer = SoundOut_BufferFromPcm(b.samples.data(), b.samples.size() / size_t(b.channels), b.channels, b.rate);
    if (buffer != 0) SoundOut_Queue(s, buffer);
  }
  const int queued = SoundOut_Queued(s);
  if (queued > 0 && SoundOut_State(s) != SourceState::Playing) SoundOut_Play(s);
  // The piece is over once the decoder has ended and the output has played what it had.
  if (ended && (queued == 0 || SoundOut_State(s) == SourceState::Stopped)) {
    if (g_music.worker.joinable()) g_music.worker.join();
    FreeQueuedBuffers(s);
    g_music.queue.reset();
    g_music.name.clear();
    g_music.source = 0;
  }
}

void Music_Shutdown() {
  Music_Stop();
  SoundOut_DeleteSources(g_sources);
  g_music.gain = 1;
}

bool Music_DecodeAll(const uint8_t* image, size_t size, MusicFormat format, DecodedMusic& out, std::string& error) {
  out = DecodedMusic{};
  std::unique_ptr<Decoder> d = MakeDecoder(format, std::vector<uint8_t>(image, image + size), error);
  if (!d) return false;
  out.channels = d->channels;
  out.rate = d->rate;
  while (d->Read(out.samples, kBlockFrames) > 0) {
  }
  if (out.samples.empty()) {
    error = "no samples";
    return false;
  }
  return true;
}
