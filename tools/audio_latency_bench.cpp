// Measures how quickly the SDL sound device reacts: from WaveOutWrite to the
// first period with sound in it, and from WaveOutReset to the first period
// of silence after it. Runs on SDL's disk driver writing to /dev/null
// unless SDL_AUDIODRIVER chooses another (a real card, say). Prints figures;
// it judges nothing. The times are what the mixing callback sees; a real
// card adds its own buffering on top.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <thread>
#include <vector>

#include "platform/audio_backend.h"
#include "platform/wave_out.h"

#ifdef TALMAR_HAVE_SDL
#include <SDL.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

struct Bench {
  // 0: not watching; 1: waiting for an audible period; 2: for a silent one.
  std::atomic<int> watching{0};
  std::atomic<int64_t> seenAt{0};
  std::atomic<int64_t> lastPeriodAt{0};
  std::atomic<int64_t> periodSum{0};
  std::atomic<int> periods{0};
};
Bench bench;

void Probe(bool audible) {
  const int64_t now = NowNs();
  const int64_t last = bench.lastPeriodAt.exchange(now);
  if (last != 0) {
    bench.periodSum += now - last;
    ++bench.periods;
  }
  const int watching = bench.watching.load();
  if ((watching == 1 && audible) || (watching == 2 && !audible)) {
    bench.seenAt = now;
    bench.watching = 0;
  }
}

// Waits until the probe saw what it watches for; the time it took in ms,
// or a negative number after a second.
double WaitSeen(int64_t since) {
  const int64_t limit = since + 1'000'000'000;
  while (bench.watching.load() != 0) {
    if (NowNs() > limit) {
      bench.watching = 0;
      return -1.0;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return static_cast<double>(bench.seenAt.load() - since) / 1e6;
}

void PrintFigures(const char* what, std::vector<double> ms) {
  if (ms.empty()) {
    std::printf("%-34s no figures\n", what);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s min %6.2f ms  median %6.2f ms  max %6.2f ms  (%zu runs)\n", what, ms.front(),
              ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace

int main() {
#ifndef TALMAR_HAVE_SDL
  std::printf("this build has no SDL2 sound; nothing to measure\n");
  return 0;
#else
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  setenv("TALMAR_AUDIO", "sdl", 1);
  platform::SetAudioPeriodProbe(&Probe);

  // One second of a 440 Hz tone at 22050 Hz, 16 bits, mono.
  std::vector<uint8_t> tone(2 * 22050);
  for (std::size_t i = 0; i < tone.size() / 2; ++i) {
    const double value = 10000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(i) / 22050.0 + 0.3);
    const auto sample = static_cast<int16_t>(std::lround(value));
    tone[2 * i] = static_cast<uint8_t>(sample & 0xFF);
    tone[2 * i + 1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
  }

  constexpr int kRuns = 30;
  std::vector<double> toSound;
  std::vector<double> toSilence;
  std::vector<double> openCost;
  for (int run = 0; run < kRuns; ++run) {
    platform::WaveHandle handle = 0;
    const int64_t beforeOpen = NowNs();
    if (platform::WaveOutOpen({22050, 16, 1}, &handle) != platform::kWaveOk) {
      std::printf("the device does not open\n");
      return 1;
    }
    openCost.push_back(static_cast<double>(NowNs() - beforeOpen) / 1e6);
    if (run == 0) {
      // The first open starts the physical device; let it settle.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (bench.periods.load() == 0) {
        std::printf("the SDL device never asked for sound (driver %s); nothing to measure\n",
                    SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none");
        return 1;
      }
    }
    platform::WaveBlock block;
    block.data = tone.data();
    block.length = static_cast<uint32_t>(tone.size());
    platform::WaveOutPrepare(handle, &block);

    // Start at a random point of the period, as a key press would.
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + 3331 * (run % 7)));
    bench.watching = 1;
    const int64_t beforeWrite = NowNs();
    platform::WaveOutWrite(handle, &block);
    if (const double ms = WaitSeen(beforeWrite); ms >= 0.0) toSound.push_back(ms);

    std::this_thread::sleep_for(std::chrono::microseconds(40000 + 2719 * (run % 5)));
    bench.watching = 2;
    const int64_t beforeReset = NowNs();
    platform::WaveOutReset(handle);
    if (const double ms = WaitSeen(beforeReset); ms >= 0.0) toSilence.push_back(ms);

    platform::WaveOutUnprepare(handle, &block);
    platform::WaveOutClose(handle);
  }

  std::printf("SDL audio driver: %s\n",
              SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "none");
  if (bench.periods.load() > 0) {
    std::printf("%-34s %6.2f ms\n", "mean period",
                static_cast<double>(bench.periodSum.load()) / bench.periods.load() / 1e6);
  }
  PrintFigures("WaveOutOpen (logical)", openCost);
  PrintFigures("WaveOutWrite -> audible period", toSound);
  PrintFigures("WaveOutReset -> silent period", toSilence);
  platform::SetAudioPeriodProbe(nullptr);
  platform::ResetAudio();
  return 0;
#endif
}
