// The interface every sound backend implements: the real device (SDL2) and
// the null one that plays nothing but keeps time. The facade in wave_out.h
// owns the handles, the argument checks, the block flags, the log and the
// capture; a backend only plays blocks in order and says when each is done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/wave_out.h"

namespace platform {

// Where a backend reports blocks it has finished with. Called on any
// thread, in the order the blocks were written, and never twice for one
// block. A backend calls it with its own lock held, so that two completions
// can never overtake each other; the facade therefore never calls into a
// backend while holding its own lock.
class AudioCompletion {
 public:
  virtual void BlockDone(WaveBlock* block) = 0;

 protected:
  ~AudioCompletion() = default;
};

// A sound for the simple sound player, already taken out of its RIFF image.
struct PlayerSound {
  const uint8_t* samples = nullptr;
  std::size_t bytes = 0;
  WaveFormat format;
  bool loop = false;
};

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  virtual const char* Name() const = 0;

  // The logical device: one open at a time, the format already checked.
  // Open returns kWaveOk or a device error code.
  virtual int Open(const WaveFormat& format) = 0;
  // Queues a block behind the others; it comes back through BlockDone once
  // it has been played.
  virtual void Write(WaveBlock* block) = 0;
  // Drops every queued block at once, each reported through BlockDone
  // before Reset returns.
  virtual void Reset() = 0;
  // Called with nothing queued.
  virtual void Close() = 0;

  // The simple sound player: one sound at a time, replacing the previous.
  // The samples stay valid until the next PlayerPlay or PlayerStop.
  virtual void PlayerPlay(const PlayerSound& sound) = 0;
  virtual void PlayerStop() = 0;
  // A short tone beside whatever else plays; `samples` is 16-bit mono.
  virtual void Beep(const int16_t* samples, std::size_t count, int rate) = 0;
};

// Backend constructors. Each returns null, with the reason in *why, when it
// cannot run here.
std::unique_ptr<AudioBackend> MakeNullAudio(AudioCompletion& completion, std::string* why);
std::unique_ptr<AudioBackend> MakeSdlAudio(AudioCompletion& completion, std::string* why);

// Called by the SDL backend at the end of each period it fills, with
// whether any sample of it was audible; for the latency benchmark. Null
// switches it off.
using AudioPeriodProbe = void (*)(bool audible);
void SetAudioPeriodProbe(AudioPeriodProbe probe);

// The playing time of `bytes` bytes of `format`, in seconds.
double PlayingSeconds(std::size_t bytes, const WaveFormat& format);

}  // namespace platform
