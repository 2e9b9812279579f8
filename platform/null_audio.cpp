// The null sound backend: plays nothing, but hands every block back after
// the time it would have taken to play, divided by TALMAR_AUDIO_PACE, so the
// program's waits behave as with a sound card. Blocks play back to back: a
// block's time starts when the one before it ends.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/audio_backend.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// TALMAR_AUDIO_PACE: 1 = real time, 10 = ten times faster, 0 = at once.
// Anything that is not a number of zero or more counts as 1.
double ReadPace() {
  const char* text = std::getenv("TALMAR_AUDIO_PACE");
  if (text == nullptr || *text == '\0') return 1.0;
  char* end = nullptr;
  const double pace = std::strtod(text, &end);
  if (end == text || *end != '\0' || std::isnan(pace) || pace < 0.0) return 1.0;
  return pace;
}

class NullAudio final : public AudioBackend {
 public:
  NullAudio(AudioCompletion& completion, double pace)
      : completion_(completion), pace_(pace), worker_([this] { Run(); }) {}

  ~NullAudio() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
  }

  const char* Name() const override { return "null"; }

  int Open(const WaveFormat& format) override {
    std::lock_guard<std::mutex> lock(mutex_);
    format_ = format;
    lastDeadline_ = Clock::now();
    return kWaveOk;
  }

  void Write(WaveBlock* block) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    if (queue_.empty() || lastDeadline_ < now) lastDeadline_ = now;
    lastDeadline_ += DurationOf(block->length);
    queue_.push_back(Pending{block, lastDeadline_});
    wake_.notify_all();
  }

  void Reset() override {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!queue_.empty()) {
      WaveBlock* block = queue_.front().block;
      queue_.pop_front();
      completion_.BlockDone(block);
    }
    lastDeadline_ = Clock::now();
  }

  void Close() override {}
  void PlayerPlay(const PlayerSound&) override {}
  void PlayerStop() override {}
  void Beep(const int16_t*, std::size_t, int) override {}

 private:
  struct Pending {
    WaveBlock* block;
    Clock::time_point deadline;
  };

  Clock::duration DurationOf(uint32_t bytes) const {
    if (pace_ == 0.0 || std::isinf(pace_)) return Clock::duration::zero();
    const double seconds = PlayingSeconds(bytes, format_) / pace_;
    // A pace close to zero must not overflow the clock; a day is "never"
    // enough for any check.
    const double capped = std::min(seconds, 86400.0);
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(capped));
  }

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
      if (queue_.empty()) {
        wake_.wait(lock);
        continue;
      }
      const Clock::time_point deadline = queue_.front().deadline;
      if (Clock::now() < deadline) {
        wake_.wait_until(lock, deadline);
        continue;
      }
      WaveBlock* block = queue_.front().block;
      queue_.pop_front();
      completion_.BlockDone(block);
    }
  }

  AudioCompletion& completion_;
  const double pace_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Pending> queue_;
  WaveFormat format_;
  Clock::time_point lastDeadline_ = Clock::now();
  bool stopping_ = false;
  std::thread worker_;  // last, so it starts after everything it uses
};

}  // namespace

std::unique_ptr<AudioBackend> MakeNullAudio(AudioCompletion& completion, std::string*) {
  return std::make_unique<NullAudio>(completion, ReadPace());
}

}  // namespace platform
