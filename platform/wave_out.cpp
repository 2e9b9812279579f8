// The wave-out facade: handles, argument checks, the block flags, the audio
// log and the capture files, over whichever sound backend was chosen.
// Backends finish blocks on their own threads; everything those threads
// touch here is guarded by the state's mutex, and the buffer-done messages
// reach the program's thread through the window's message queue.
#include "platform/wave_out.h"

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_backend.h"
#include "platform/message.h"
#include "platform/observe.h"
#include "platform/window.h"

namespace platform {
namespace {

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 192000;
constexpr uint32_t kWaveHeaderBytes = 44;
// A WAV file counts its length in 32 bits; a capture stops growing before
// its header would overflow.
constexpr uint64_t kCaptureLimit = 0xFFFFFFFFull - kWaveHeaderBytes;

// The default beep: a short sine tone with soft edges, made once.
constexpr int kBeepRate = 22050;
constexpr int kBeepHz = 880;
constexpr int kBeepMs = 120;
constexpr int kBeepFadeMs = 6;

// TALMAR_AUDIO_CAPTURE: one WAV file per device open, in the opened format.
// Its header is brought up to date after every block, so the file is whole
// even when the program ends without closing the device.
struct Capture {
  bool looked = false;
  std::string folder;  // empty: no capture, or it failed
  int count = 0;       // files made so far; the next is count + 1
  std::FILE* file = nullptr;
  uint64_t dataBytes = 0;
};

struct AudioState final : AudioCompletion {
  // Guards what backend threads touch: the block flags, the queued count
  // and the handle they post with.
  std::mutex mutex;
  std::unique_ptr<AudioBackend> backend;
  bool open = false;
  WaveHandle handle = 0;      // the open device's handle
  WaveHandle lastHandle = 0;  // handles are never reused, so a stale one fails
  WaveFormat format;
  int queued = 0;
  Capture capture;
  std::vector<int16_t> beep;

  void BlockDone(WaveBlock* block) override {
    WaveHandle owner = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      block->queued = false;
      if (queued > 0) --queued;
      owner = handle;
    }
    AudioLog("done");
    Message done;
    done.id = kMsgWaveOutDone;
    done.wparam = owner;
    done.lparam = reinterpret_cast<int64_t>(block);
    PostMessage(done);
  }

  ~AudioState() { EndAudio(); }

  void EndAudio();
};
AudioState audio;

void PutLe16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe32(const uint8_t* at) {
  return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) |
         (uint32_t{at[3]} << 24);
}

uint16_t GetLe16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

bool FormatValid(const WaveFormat& format) {
  return (format.bits == 8 || format.bits == 16) &&
         (format.channels == 1 || format.channels == 2) && format.rate >= kMinRate &&
         format.rate <= kMaxRate;
}

// ---- capture ----

void WriteCaptureSizes(Capture& capture) {
  // The RIFF length counts the fill byte that closing adds after odd data.
  const uint64_t padded = capture.dataBytes + (capture.dataBytes & 1);
  uint8_t size[4];
  PutLe32(size, static_cast<uint32_t>(padded + kWaveHeaderBytes - 8));
  std::fseek(capture.file, 4, SEEK_SET);
  std::fwrite(size, 1, 4, capture.file);
  PutLe32(size, static_cast<uint32_t>(capture.dataBytes));
  std::fseek(capture.file, 40, SEEK_SET);
  std::fwrite(size, 1, 4, capture.file);
  std::fseek(capture.file, 0, SEEK_END);
}

void CaptureEnd(Capture& capture) {
  if (capture.file == nullptr) return;
  if ((capture.dataBytes & 1) != 0) std::fputc(0, capture.file);
  std::fclose(capture.file);
  capture.file = nullptr;
}

void CaptureStart(Capture& capture, const WaveFormat& format) {
  CaptureEnd(capture);
  if (!capture.looked) {
    capture.looked = true;
    const char* folder = std::getenv("TALMAR_AUDIO_CAPTURE");
    if (folder != nullptr) capture.folder = folder;
  }
  if (capture.folder.empty()) return;
  char name[32];
  std::snprintf(name, sizeof name, "/%04d.wav", ++capture.count);
  const std::string path = capture.folder + name;
  capture.file = std::fopen(path.c_str(), "wb");
  if (capture.file == nullptr) {
    std::fprintf(stderr, "ligafala: cannot write TALMAR_AUDIO_CAPTURE file %s: %s\n",
                 path.c_str(), std::strerror(errno));
    capture.folder.clear();
    return;
  }
  capture.dataBytes = 0;
  const auto blockAlign = static_cast<uint32_t>(format.channels * (format.bits / 8));
  uint8_t header[kWaveHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                                      'f', 'm', 't', ' ', 16, 0, 0, 0};
  PutLe16(header + 20, 1);  // PCM
  PutLe16(header + 22, static_cast<uint32_t>(format.channels));
  PutLe32(header + 24, static_cast<uint32_t>(format.rate));
  PutLe32(header + 28, static_cast<uint32_t>(format.rate) * blockAlign);
  PutLe16(header + 32, blockAlign);
  PutLe16(header + 34, static_cast<uint32_t>(format.bits));
  std::memcpy(header + 36, "data", 4);
  PutLe32(header + 4, kWaveHeaderBytes - 8);
  std::fwrite(header, 1, sizeof header, capture.file);
  std::fflush(capture.file);
}

void CaptureBlock(Capture& capture, const WaveBlock& block) {
  if (capture.file == nullptr || block.length == 0) return;
  const uint64_t room = kCaptureLimit - capture.dataBytes;
  const auto bytes = static_cast<std::size_t>(std::min<uint64_t>(block.length, room));
  if (bytes == 0) return;
  std::fwrite(block.data, 1, bytes, capture.file);
  capture.dataBytes += bytes;
  WriteCaptureSizes(capture);
  std::fflush(capture.file);
}

// ---- backend ----

AudioBackend& AudioDevice() {
  if (audio.backend) return *audio.backend;
  const char* choice = std::getenv("TALMAR_AUDIO");
  const std::string_view wanted = choice != nullptr ? choice : "";
  std::string why;
  if (wanted != "null") {
    if (!wanted.empty() && wanted != "sdl") {
      std::fprintf(stderr, "ligafala: TALMAR_AUDIO=%s is not known; use sdl or null\n", choice);
    }
    audio.backend = MakeSdlAudio(audio, &why);
    if (!audio.backend) {
      std::fprintf(stderr, "ligafala: no sound device can be opened (%s); playing no sound\n",
                   why.c_str());
    }
  }
  if (!audio.backend) audio.backend = MakeNullAudio(audio, &why);
  return *audio.backend;
}

// Whether `handle` names the open device; the caller holds the mutex.
bool IsOpenHandle(WaveHandle handle) { return audio.open && handle == audio.handle; }

void AudioState::EndAudio() {
  // The backend goes first: its threads stop before the state they report
  // into is cleared.
  backend.reset();
  CaptureEnd(capture);
  capture = Capture{};
  open = false;
  handle = 0;
  queued = 0;
  format = WaveFormat{};
}

// Finds the format and the samples of a RIFF WAVE image. Chunk lengths are
// taken as stored, and a data chunk longer than the image gives what there
// is.
bool ParseImage(const uint8_t* image, std::size_t length, PlayerSound* sound) {
  if (image == nullptr || length < 12 || std::memcmp(image, "RIFF", 4) != 0 ||
      std::memcmp(image + 8, "WAVE", 4) != 0) {
    return false;
  }
  bool haveFormat = false;
  std::size_t at = 12;
  while (length - at >= 8) {
    const uint8_t* chunk = image + at;
    const uint32_t size = GetLe32(chunk + 4);
    const std::size_t body = at + 8;
    const std::size_t available = length - body;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || available < 16) return false;
      sound->format.channels = GetLe16(chunk + 8 + 2);
      sound->format.rate = static_cast<int>(std::min<uint32_t>(GetLe32(chunk + 8 + 4), 1u << 30));
      sound->format.bits = GetLe16(chunk + 8 + 14);
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat || !FormatValid(sound->format)) return false;
      sound->samples = image + body;
      sound->bytes = std::min<std::size_t>(size, available);
      return true;
    }
    if (size >= available) return false;
    at = body + size;
  }
  return false;
}

const std::vector<int16_t>& BeepSamples() {
  if (audio.beep.empty()) {
    const int count = kBeepRate * kBeepMs / 1000;
    const int fade = kBeepRate * kBeepFadeMs / 1000;
    audio.beep.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const double edge = std::min({1.0, static_cast<double>(i) / fade,
                                    static_cast<double>(count - 1 - i) / fade});
      const double value = 9000.0 * edge * std::sin(2.0 * std::numbers::pi * kBeepHz * i / kBeepRate);
      audio.beep[static_cast<std::size_t>(i)] = static_cast<int16_t>(std::lround(value));
    }
  }
  return audio.beep;
}

}  // namespace

#ifndef TALMAR_HAVE_SDL
std::unique_ptr<AudioBackend> MakeSdlAudio(AudioCompletion&, std::string* why) {
  if (why) *why = "this build has no SDL2 sound";
  return nullptr;
}
void SetAudioPeriodProbe(AudioPeriodProbe) {}
#endif

double PlayingSeconds(std::size_t bytes, const WaveFormat& format) {
  const double bytesPerSecond =
      static_cast<double>(format.rate) * format.channels * (format.bits / 8);
  if (bytesPerSecond <= 0.0) return 0.0;
  return static_cast<double>(bytes) / bytesPerSecond;
}

int WaveOutOpen(const WaveFormat& format, WaveHandle* handle) {
  if (handle == nullptr) return kWaveInvalidParam;
  if (!FormatValid(format)) return kWaveBadFormat;
  {
    std::lock_guard<std::mutex> lock(audio.mutex);
    // One device at a time, as the sound engine expects of the system's.
    if (audio.open) return kWaveAllocated;
  }
  if (const int result = AudioDevice().Open(format); result != kWaveOk) return result;
  {
    std::lock_guard<std::mutex> lock(audio.mutex);
    audio.open = true;
    audio.handle = ++audio.lastHandle;
    audio.format = format;
    audio.queued = 0;
    *handle = audio.handle;
  }
  AudioLog("open " + std::to_string(format.rate) + " " + std::to_string(format.bits) + " " +
           std::to_string(format.channels));
  CaptureStart(audio.capture, format);
  return kWaveOk;
}

int WaveOutPrepare(WaveHandle handle, WaveBlock* block) {
  std::lock_guard<std::mutex> lock(audio.mutex);
  if (!IsOpenHandle(handle)) return kWaveInvalidHandle;
  if (block == nullptr || (block->data == nullptr && block->length > 0)) return kWaveInvalidParam;
  block->prepared = true;
  return kWaveOk;
}

int WaveOutUnprepare(WaveHandle handle, WaveBlock* block) {
  std::lock_guard<std::mutex> lock(audio.mutex);
  if (!IsOpenHandle(handle)) return kWaveInvalidHandle;
  if (block == nullptr) return kWaveInvalidParam;
  if (block->queued) return kWaveStillPlaying;
  block->prepared = false;
  return kWaveOk;
}

int WaveOutWrite(WaveHandle handle, WaveBlock* block) {
  {
    std::lock_guard<std::mutex> lock(audio.mutex);
    if (!IsOpenHandle(handle)) return kWaveInvalidHandle;
    if (block == nullptr || (block->data == nullptr && block->length > 0)) {
      return kWaveInvalidParam;
    }
    if (!block->prepared) return kWaveUnprepared;
    // A block already on its way would come back twice.
    if (block->queued) return kWaveStillPlaying;
    block->queued = true;
    ++audio.queued;
  }
  AudioLog("write " + std::to_string(block->length));
  CaptureBlock(audio.capture, *block);
  audio.backend->Write(block);
  return kWaveOk;
}

int WaveOutReset(WaveHandle handle) {
  {
    std::lock_guard<std::mutex> lock(audio.mutex);
    if (!IsOpenHandle(handle)) return kWaveInvalidHandle;
  }
  AudioLog("reset");
  audio.backend->Reset();
  return kWaveOk;
}

int WaveOutClose(WaveHandle handle) {
  {
    std::lock_guard<std::mutex> lock(audio.mutex);
    if (!IsOpenHandle(handle)) return kWaveInvalidHandle;
    if (audio.queued > 0) return kWaveStillPlaying;
    audio.open = false;
    audio.handle = 0;
  }
  audio.backend->Close();
  AudioLog("close");
  CaptureEnd(audio.capture);
  return kWaveOk;
}

bool PlayerPlay(const uint8_t* image, std::size_t length, bool loop) {
  PlayerSound sound;
  if (!ParseImage(image, length, &sound)) {
    AudioDevice().PlayerStop();
    return false;
  }
  sound.loop = loop;
  AudioDevice().PlayerPlay(sound);
  return true;
}

void PlayerStop() { AudioDevice().PlayerStop(); }

void SoundDefaultBeep() {
  const std::vector<int16_t>& samples = BeepSamples();
  AudioDevice().Beep(samples.data(), samples.size(), kBeepRate);
}

void ResetAudio() { audio.EndAudio(); }

}  // namespace platform
