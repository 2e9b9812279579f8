// The sound backend for a real sound card, on SDL2.
//
// The engine above opens and closes the device around every sound. A real
// device on Linux that sleeps between sounds wakes slowly and clips the
// first syllable, so the physical device is opened once, in one format of
// its own, and keeps running, playing silence when idle; opening and
// closing here only change what is mixed into it. Each opened format is
// converted by a linear resampler whose state runs on across blocks, so
// that consecutive blocks join sample for sample, without a gap or a click.
// The period is short (about 10 ms), so that a reset is silent within one
// period and a new sound starts within one.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>

#include "platform/audio_backend.h"

namespace platform {
namespace {

constexpr int kDeviceRate = 48000;
constexpr Uint16 kDevicePeriodFrames = 512;  // 10.7 ms at 48 kHz

struct SdlAudioModule {
  std::atomic<AudioPeriodProbe> probe{nullptr};
};
SdlAudioModule sdlAudio;

struct StereoFrame {
  float left = 0.0f;
  float right = 0.0f;
};

// One frame of PCM as the device opened it: 8-bit unsigned or 16-bit
// signed little-endian, mono or stereo.
StereoFrame DecodeFrame(const uint8_t* bytes, int bits, int channels) {
  auto sample = [&](int channel) {
    if (bits == 8) return (static_cast<float>(bytes[channel]) - 128.0f) / 128.0f;
    const auto value = static_cast<int16_t>(bytes[2 * channel] | (bytes[2 * channel + 1] << 8));
    return static_cast<float>(value) / 32768.0f;
  };
  const float left = sample(0);
  return StereoFrame{left, channels == 2 ? sample(1) : left};
}

// A streaming linear resampler. Output frame k lies at source position
// k x step; it interpolates between the two source frames around it. The
// state survives a source that runs dry, so the stream resumes where it
// stopped once more frames arrive.
class Resampler {
 public:
  void Start(int sourceRate, int deviceRate) {
    step_ = static_cast<double>(sourceRate) / deviceRate;
    frac_ = 1.0;
    primed_ = false;
    previous_ = current_ = StereoFrame{};
  }

  // Makes the next output frame, taking source frames from `pull`; false
  // (and nothing changed) when the source has none yet.
  template <typename Pull>
  bool Next(StereoFrame* out, Pull&& pull) {
    if (!primed_) {
      if (!pull(&current_)) return false;
      primed_ = true;
    }
    while (frac_ >= 1.0) {
      StereoFrame next;
      if (!pull(&next)) return false;
      previous_ = current_;
      current_ = next;
      frac_ -= 1.0;
    }
    const auto f = static_cast<float>(frac_);
    out->left = previous_.left + (current_.left - previous_.left) * f;
    out->right = previous_.right + (current_.right - previous_.right) * f;
    frac_ += step_;
    return true;
  }

 private:
  double step_ = 1.0;
  double frac_ = 1.0;
  bool primed_ = false;
  StereoFrame previous_;
  StereoFrame current_;
};

// A sound held in memory: the player's sound or the beep.
struct MemoryVoice {
  const uint8_t* samples = nullptr;
  std::size_t frames = 0;
  std::size_t position = 0;
  int bits = 16;
  int channels = 1;
  bool loop = false;
  bool active = false;
  Resampler resampler;

  bool Pull(StereoFrame* frame) {
    if (position >= frames) {
      if (!loop || frames == 0) {
        active = false;
        return false;
      }
      position = 0;
    }
    const std::size_t frameBytes = static_cast<std::size_t>(channels * (bits / 8));
    *frame = DecodeFrame(samples + position * frameBytes, bits, channels);
    ++position;
    return true;
  }

  void Mix(StereoFrame* sum) {
    if (!active) return;
    StereoFrame frame;
    if (resampler.Next(&frame, [this](StereoFrame* f) { return Pull(f); })) {
      sum->left += frame.left;
      sum->right += frame.right;
    }
  }
};

class SdlAudio final : public AudioBackend {
 public:
  explicit SdlAudio(AudioCompletion& completion) : completion_(completion) {}

  ~SdlAudio() override {
    if (device_ != 0 && SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_CloseAudioDevice(device_);
    if (started_ && SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Start(std::string* why) {
    // Only the audio part of SDL: the window may or may not have started
    // its own part, and each side quits only what it started.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      if (why) *why = SDL_GetError();
      return false;
    }
    started_ = true;
    return OpenDevice(why);
  }

  const char* Name() const override { return "sdl"; }

  // FIXME: a card that goes away while blocks are queued (a USB headset
  // pulled out) stops the callback, and its blocks come back only with the
  // next reset; SDL reports the loss as an event on the window's queue,
  // which this backend does not see.

  int Open(const WaveFormat& format) override {
    // Someone may have shut all of SDL down under us (the window does when
    // it goes); the device is then opened again.
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 ||
        SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
      if (device_ != 0 && SDL_WasInit(SDL_INIT_AUDIO) != 0) SDL_CloseAudioDevice(device_);
      device_ = 0;
      std::string why;
      if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return kWaveNoDriver;
      }
      if (!OpenDevice(&why)) return kWaveNoDriver;
    }
    SDL_LockAudioDevice(device_);
    format_ = format;
    frameBytes_ = format.channels * (format.bits / 8);
    carryLength_ = 0;
    offset_ = 0;
    resampler_.Start(format.rate, have_.freq);
    SDL_UnlockAudioDevice(device_);
    return kWaveOk;
  }

  void Write(WaveBlock* block) override {
    SDL_LockAudioDevice(device_);
    queue_.push_back(block);
    SDL_UnlockAudioDevice(device_);
  }

  void Reset() override {
    SDL_LockAudioDevice(device_);
    while (!queue_.empty()) CompleteFront();
    carryLength_ = 0;
    resampler_.Start(format_.rate, have_.freq);
    SDL_UnlockAudioDevice(device_);
  }

  void Close() override {
    SDL_LockAudioDevice(device_);
    // Nothing is queued; what stays of the last frame is dropped, so the
    // next open starts clean.
    carryLength_ = 0;
    resampler_.Start(format_.rate, have_.freq);
    SDL_UnlockAudioDevice(device_);
  }

  void PlayerPlay(const PlayerSound& sound) override {
    const int frameBytes = sound.format.channels * (sound.format.bits / 8);
    SDL_LockAudioDevice(device_);
    player_.samples = sound.samples;
    player_.frames = sound.bytes / static_cast<std::size_t>(frameBytes);
    player_.position = 0;
    player_.bits = sound.format.bits;
    player_.channels = sound.format.channels;
    player_.loop = sound.loop;
    player_.active = player_.frames > 0;
    player_.resampler.Start(sound.format.rate, have_.freq);
    SDL_UnlockAudioDevice(device_);
  }

  void PlayerStop() override {
    SDL_LockAudioDevice(device_);
    player_.active = false;
    player_.samples = nullptr;
    SDL_UnlockAudioDevice(device_);
  }

  void Beep(const int16_t* samples, std::size_t count, int rate) override {
    SDL_LockAudioDevice(device_);
    beep_.samples = reinterpret_cast<const uint8_t*>(samples);
    beep_.frames = count;
    beep_.position = 0;
    beep_.bits = 16;
    beep_.channels = 1;
    beep_.loop = false;
    beep_.active = count > 0;
    beep_.resampler.Start(rate, have_.freq);
    SDL_UnlockAudioDevice(device_);
  }

 private:
  bool OpenDevice(std::string* why) {
    SDL_AudioSpec want{};
    want.freq = kDeviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDevicePeriodFrames;
    want.callback = &SdlAudio::Callback;
    want.userdata = this;
    have_ = SDL_AudioSpec{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have_,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device_ == 0) {
      if (why) *why = SDL_GetError();
      return false;
    }
    // The format is fixed (SDL converts when the card wants another), so
    // only the rate and the channel count can differ from what was asked.
    if (have_.freq <= 0 || have_.channels == 0) {
      if (why) *why = "the sound device reports no usable format";
      SDL_CloseAudioDevice(device_);
      device_ = 0;
      return false;
    }
    resampler_.Start(format_.rate, have_.freq);
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  // Hands the front block back; called with the device locked.
  void CompleteFront() {
    WaveBlock* block = queue_.front();
    queue_.pop_front();
    offset_ = 0;
    completion_.BlockDone(block);
  }

  // The next frame of the queued blocks, read across block boundaries (a
  // frame may straddle two blocks). A block is handed back as soon as its
  // last byte is taken.
  bool PullQueued(StereoFrame* frame) {
    uint8_t bytes[4];
    int have = carryLength_;
    std::memcpy(bytes, carry_, static_cast<std::size_t>(have));
    while (have < frameBytes_) {
      while (!queue_.empty() && offset_ >= queue_.front()->length) CompleteFront();
      if (queue_.empty()) {
        std::memcpy(carry_, bytes, static_cast<std::size_t>(have));
        carryLength_ = have;
        return false;
      }
      const WaveBlock* block = queue_.front();
      const auto take = std::min<uint32_t>(static_cast<uint32_t>(frameBytes_ - have),
                                           block->length - offset_);
      std::memcpy(bytes + have, block->data + offset_, take);
      offset_ += take;
      have += static_cast<int>(take);
    }
    carryLength_ = 0;
    while (!queue_.empty() && offset_ >= queue_.front()->length) CompleteFront();
    *frame = DecodeFrame(bytes, format_.bits, format_.channels);
    return true;
  }

  static void Callback(void* userdata, Uint8* stream, int length) {
    static_cast<SdlAudio*>(userdata)->Fill(reinterpret_cast<int16_t*>(stream),
                                           length / static_cast<int>(sizeof(int16_t)));
  }

  void Fill(int16_t* out, int samples) {
    const int channels = have_.channels;
    const int frames = samples / channels;
    bool audible = false;
    for (int i = 0; i < frames; ++i) {
      StereoFrame sum;
      if (frameBytes_ > 0) {
        StereoFrame frame;
        if (resampler_.Next(&frame, [this](StereoFrame* f) { return PullQueued(f); })) sum = frame;
      }
      player_.Mix(&sum);
      beep_.Mix(&sum);
      const int16_t left = ToSample(sum.left);
      const int16_t right = ToSample(sum.right);
      audible = audible || left != 0 || right != 0;
      int16_t* at = out + i * channels;
      if (channels == 1) {
        at[0] = static_cast<int16_t>((left + right) / 2);
      } else {
        at[0] = left;
        at[1] = right;
        for (int c = 2; c < channels; ++c) at[c] = 0;
      }
    }
    std::fill(out + frames * channels, out + samples, int16_t{0});
    if (AudioPeriodProbe probe = sdlAudio.probe.load(); probe != nullptr) probe(audible);
  }

  static int16_t ToSample(float value) {
    const float scaled = std::clamp(value, -1.0f, 1.0f) * 32767.0f;
    return static_cast<int16_t>(scaled < 0.0f ? scaled - 0.5f : scaled + 0.5f);
  }

  AudioCompletion& completion_;
  bool started_ = false;
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioSpec have_{};
  // Everything below is shared with the callback and touched only with the
  // device locked.
  WaveFormat format_;
  int frameBytes_ = 0;  // 0 until the first open: nothing to read yet
  std::deque<WaveBlock*> queue_;
  uint32_t offset_ = 0;  // bytes of the front block already taken
  uint8_t carry_[4] = {};
  int carryLength_ = 0;  // bytes of a frame begun in an earlier block
  Resampler resampler_;
  MemoryVoice player_;
  MemoryVoice beep_;
};

}  // namespace

std::unique_ptr<AudioBackend> MakeSdlAudio(AudioCompletion& completion, std::string* why) {
  auto audio = std::make_unique<SdlAudio>(completion);
  if (!audio->Start(why)) return nullptr;
  return audio;
}

void SetAudioPeriodProbe(AudioPeriodProbe probe) { sdlAudio.probe.store(probe); }

}  // namespace platform
