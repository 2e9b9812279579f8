#include "speech/wave_output.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "console/console.h"
#include "console/text_output.h"
#include "platform/observe.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/wave_out.h"
#include "platform/window.h"
#include "speech/wave_header.h"

namespace {

constexpr int kOpenAttempts = 100;
constexpr int kFreeBufferWaits = 40;
constexpr uint32_t kMinimumBlock = 256;
constexpr std::size_t kToneSize = 11071;

struct DeviceBuffer {
  std::unique_ptr<uint8_t[]> samples;
  platform::WaveBlock block;
};

struct WaveEngine {
  bool allocated = false;
  bool open = false;
  platform::WaveHandle device = 0;
  int rate = 0;
  int bits = 0;
  int channels = 0;
  DeviceBuffer buffers[kWaveBufferCount];
  int nextBuffer = 0;  // 1..4 once used; the first block goes to buffer 1
  int inFlight = 0;
  std::unique_ptr<uint8_t[]> staging;
  // Shortened blocks are made here, so the caller's samples stay as given.
  std::unique_ptr<uint8_t[]> compressed;
  bool speedUp = false;
  bool cut = false;
  std::unique_ptr<uint8_t[]> tone;
  std::size_t toneLength = 0;
};
WaveEngine engine;

bool KeyWaiting() { return ConsoleKeyPressed(); }

void WaitForMessage() { platform::WaitMessage(); }

void BlockDone(uint64_t device, int64_t header) {
  auto* block = reinterpret_cast<platform::WaveBlock*>(header);
  if (block == nullptr) return;
  const int result = platform::WaveOutUnprepare(device, block);
  if (result != platform::kWaveOk) {
    switch (result) {
      case 5: WriteText("Specified device handle is invalid."); break;
      case 6: WriteText("No device driver is present."); break;
      case 7: WriteText("Unable to allocate or lock memory."); break;
      case 33: WriteText("The data block pointed to by the pwh parameter is still in queue"); break;
      default: break;
    }
    ReadLine();
  }
  engine.inFlight = std::max(0, engine.inFlight - 1);
}

int WaveOpen() {
  if (engine.open) return 0;
  ConsoleSetWaveDoneHandler(BlockDone);
  const platform::WaveFormat format{engine.rate, engine.bits, engine.channels};
  int result = platform::kWaveOk;
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    result = platform::WaveOutOpen(format, &engine.device);
    if (result != platform::kWaveAllocated || attempt == kOpenAttempts) break;
    ConsoleDelay(100);
  }
  engine.open = result == platform::kWaveOk;
  return result;
}

int WaveSetFormat(int rate, int bits, int channels) {
  if (rate != engine.rate || bits != engine.bits || channels != engine.channels) {
    // An idle WaveBusy also closes the device, so the new format reopens it.
    while (WaveBusy()) WaitForMessage();
    engine.rate = rate;
    engine.bits = bits;
    engine.channels = channels;
  }
  return WaveOpen();
}

bool AllBuffersInFlight() { return engine.inFlight >= kWaveBufferCount; }

bool WaveQueueBlock(const uint8_t* data, uint32_t n) {
  for (int wait = 0; wait < kFreeBufferWaits && AllBuffersInFlight(); ++wait) {
    ConsolePumpMessages();
    ConsoleDelay(50);
  }
  if (AllBuffersInFlight()) return false;
  ++engine.inFlight;
  engine.nextBuffer = engine.nextBuffer % kWaveBufferCount + 1;
  DeviceBuffer& buffer = engine.buffers[engine.nextBuffer - 1];
  uint8_t* samples = buffer.samples.get();
  const bool mono8 = engine.channels == 1 && engine.bits == 8;
  // A block shorter than the device's minimum is filled up with silence.
  if (n < kMinimumBlock) std::memset(samples + n, engine.bits == 8 ? 128 : 0, kMinimumBlock - n);
  std::memcpy(samples, data, n);
  // Every block shorter than a full buffer ends on silence.
  if (mono8 && n != kWaveBufferSize && n > 0) samples[n - 1] = 128;
  buffer.block = platform::WaveBlock{};
  buffer.block.data = samples;
  buffer.block.length = std::max(n, kMinimumBlock);
  buffer.block.user = static_cast<uint64_t>(engine.nextBuffer);
  if (platform::WaveOutPrepare(engine.device, &buffer.block) != platform::kWaveOk) {
    --engine.inFlight;  // a refused block is not in flight
    return false;
  }
  if (platform::WaveOutWrite(engine.device, &buffer.block) != platform::kWaveOk) {
    platform::WaveOutUnprepare(engine.device, &buffer.block);
    --engine.inFlight;
    return false;
  }
  return true;
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

bool SameId(const uint8_t* at, const char* id) {
  for (int i = 0; i < 4; ++i) {
    if (std::toupper(at[i]) != std::toupper(static_cast<unsigned char>(id[i]))) return false;
  }
  return true;
}

// The position of the largest sample in [from, to], the first on ties. An
// all-zero range gives its first position, so the walk always moves on.
uint32_t Peak(const uint8_t* samples, uint32_t from, uint32_t to) {
  uint32_t best = from;
  uint8_t largest = 0;
  for (uint32_t i = from; i <= to; ++i) {
    if (samples[i] > largest) {
      largest = samples[i];
      best = i;
    }
  }
  return best;
}

// Closes the file whatever way WavePlayFile leaves.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadExactly(std::FILE* file, uint8_t* into, std::size_t count) {
  return std::fread(into, 1, count, file) == count;
}

}  // namespace

void WaveStart() {
  if (!engine.allocated) {
    // The device is closed and its thread ended while the program still
    // stands, before anything else is taken down at exit.
    platform::AddExitHook([](int) {
      WaveEnd();
      platform::ResetAudio();
    });
    for (DeviceBuffer& buffer : engine.buffers) buffer.samples.reset(new uint8_t[kWaveBufferSize]);
    engine.staging.reset(new uint8_t[kWaveBufferSize]);
    engine.compressed.reset(new uint8_t[kWaveBufferSize]);
    engine.allocated = true;
  }
  engine.open = false;
  engine.device = 0;
  engine.rate = engine.bits = engine.channels = 0;
  engine.nextBuffer = 0;
  engine.inFlight = 0;
  engine.speedUp = false;
  engine.cut = false;
  engine.tone.reset();
  engine.toneLength = 0;
}

void WaveEnd() {
  if (engine.open) {
    platform::WaveOutReset(engine.device);
    platform::WaveOutClose(engine.device);
    engine.open = false;
  }
  ToneStop();
}

bool WaveParseImage(const uint8_t* image, std::size_t size, WaveImageInfo* info) {
  if (image == nullptr || size < 20 || !SameId(image, "RIFF") || !SameId(image + 12, "fmt ")) {
    return false;
  }
  const uint32_t formatLength = Get32(image + 16);
  if (formatLength < 16 || formatLength > size - 20) return false;
  info->channels = Get16(image + 22);
  info->rate = static_cast<int>(Get32(image + 24));
  info->bits = Get16(image + 34);
  std::size_t at = 20 + formatLength;
  while (size >= 8 && at <= size - 8) {
    const uint32_t length = Get32(image + at + 4);
    if (SameId(image + at, "data")) {
      info->dataOffset = at + 8;
      info->dataLength = static_cast<uint32_t>(std::min<std::size_t>(length, size - at - 8));
      info->totalLength = info->dataOffset + info->dataLength;
      return true;
    }
    if (length > size - at - 8) return false;
    at += 8 + length;
  }
  return false;
}

void WavePlay(const uint8_t* image, std::size_t size) {
  WaveImageInfo info;
  if (!WaveParseImage(image, size, &info)) return;
  WaveWrite(image + info.dataOffset, info.dataLength, info.rate, info.channels, info.bits);
}

int WaveWrite(const uint8_t* data, uint32_t length, int rate, int channels, int bits) {
  if (engine.speedUp) rate = rate * 3 / 2;
  const bool mono = channels == 1;
  const int deviceBits = engine.cut && mono && bits == 16 ? 8 : bits;
  const int result = WaveSetFormat(rate, deviceBits, channels);
  if (result != 0) return result;
  while (length > 0) {
    while (AllBuffersInFlight()) {
      if (KeyWaiting()) {
        WaveStop();
        return 0;
      }
      ConsoleDelay(10);
    }
    if (KeyWaiting()) {
      WaveStop();
      return 0;
    }
    const uint32_t n = std::min(length, kWaveBufferSize);
    if (engine.cut && mono) {
      std::memcpy(engine.compressed.get(), data, n);
      const uint32_t shortened = WaveCompress(engine.compressed.get(), n, bits, rate);
      WaveQueueBlock(engine.compressed.get(), shortened);
    } else {
      WaveQueueBlock(data, n);
    }
    data += n;
    length -= n;
  }
  return 0;
}

bool WaveBusy() {
  ConsolePumpMessages();
  if (ConsoleKeyQueueCount() > 0 || engine.inFlight == 0) WaveStop();
  return engine.inFlight > 0;
}

void WaveStop() {
  if (!engine.open) return;
  if (engine.inFlight > 0) platform::WaveOutReset(engine.device);
  ConsolePumpMessages();
  platform::WaveOutClose(engine.device);
  ConsolePumpMessages();
  engine.open = false;
  engine.device = 0;
}

int WavePlayFile(std::string_view path) {
  if (KeyWaiting()) return 0;
  const std::optional<std::string> hostPath = platform::HostPath(path);
  if (!hostPath) return -1;
  File file(std::fopen(hostPath->c_str(), "rb"));
  if (!file) return -1;
  uint8_t* staging = engine.staging.get();
  if (!ReadExactly(file.get(), staging, 12) || !SameId(staging, "RIFF")) return -1;
  if (!ReadExactly(file.get(), staging, 8) || !SameId(staging, "fmt ")) return -1;
  const uint32_t formatLength = Get32(staging + 4);
  // A format body that does not fit the staging buffer is not a sound file.
  if (formatLength < 16 || formatLength > kWaveBufferSize) return -1;
  if (!ReadExactly(file.get(), staging, formatLength)) return -1;
  const int channels = Get16(staging + 2);
  const int rate = static_cast<int>(Get32(staging + 4));
  const int bits = Get16(staging + 14);
  uint32_t remaining = 0;
  for (;;) {
    if (!ReadExactly(file.get(), staging, 8)) return -1;
    const uint32_t length = Get32(staging + 4);
    if (SameId(staging, "data")) {
      remaining = length;
      break;
    }
    // Other chunks are skipped over without being read into memory.
    if (std::fseek(file.get(), static_cast<long>(length), SEEK_CUR) != 0) return -1;
  }
  int result = 0;
  uint32_t previous = remaining;
  while (remaining > 0) {
    uint32_t block = kWaveBufferSize;
    if (remaining > kWaveBufferSize && remaining < kWaveBufferSize + kMinimumBlock) {
      block = kWaveBufferSize - kMinimumBlock;  // keeps the last block at least 256 bytes
    } else if (remaining <= previous && previous <= kWaveBufferSize) {
      block = remaining;
    }
    previous = block;
    remaining -= block;
    const std::size_t got = std::fread(staging, 1, block, file.get());
    if (got == 0) {
      result = -1;
      break;
    }
    result = WaveWrite(staging, static_cast<uint32_t>(got), rate, channels, bits);
    if (result != 0) break;
    if (got < block) {
      result = -1;  // the data chunk claims more than the file holds
      break;
    }
    if (KeyWaiting()) break;
  }
  file.reset();
  while (WaveBusy()) WaitForMessage();
  return result;
}

uint32_t WaveCompress(uint8_t* buffer, uint32_t length, int bits, int rate) {
  uint32_t n = length;
  if (bits == 16) {
    n /= 2;
    for (uint32_t i = 0; i < n; ++i) buffer[i] = static_cast<uint8_t>(buffer[2 * i + 1] ^ 0x80);
  }
  if (n < 1000) return n;
  const bool lowRate = rate == 11025;
  const uint32_t start = lowRate ? 200 : 800;
  const uint32_t step = lowRate ? 80 : 320;
  const uint32_t window = lowRate ? 50 : 200;
  if (n <= start + step + window) return n;
  uint32_t cur = Peak(buffer, start, start + step + window);
  uint32_t out = cur;
  while (n > 2 * (step + window) && cur < n - 2 * (step + window)) {
    cur = Peak(buffer, cur + step, cur + step + window);
    const uint32_t next = Peak(buffer, cur + step, cur + step + window);
    std::memmove(buffer + out, buffer + cur, next - cur + 1);
    out += next - cur + 1;
    cur = next;
  }
  while (out < n && cur < n && std::abs(static_cast<int>(buffer[out]) - 128) > 20) {
    buffer[out++] = buffer[cur++];
  }
  return out;
}

void TonePlay(int frequency) {
  if (engine.tone) ToneStop();
  platform::AudioLog("tone " + std::to_string(frequency));
  if (frequency <= 0) return;  // no such tone
  engine.tone.reset(new uint8_t[kToneSize]());
  uint8_t* tone = engine.tone.get();
  const int period = 11025 / frequency;
  const int half = period / 2;
  int pos = kWaveHeaderSize;
  long k = 0;
  // Each period is low for its first half and high up to the next period's
  // start; the first period is written twice.
  while (pos <= 11025 - period) {
    std::memset(tone + pos, 96, static_cast<std::size_t>(half));
    std::memset(tone + pos + half, 160, static_cast<std::size_t>(period - half + 1));
    pos = kWaveHeaderSize + static_cast<int>(k * 11025 / frequency);
    ++k;
  }
  tone[pos - 1] = 128;
  const auto dataLength = static_cast<uint32_t>(pos - kWaveHeaderSize);
  BuildWaveHeader(tone, dataLength, 11025, 8, 1);
  engine.toneLength = kWaveHeaderSize + dataLength;
  platform::PlayerPlay(tone, engine.toneLength, true);
}

void ToneStop() {
  if (!engine.tone) return;
  platform::AudioLog("tone-stop");
  platform::PlayerStop();
  engine.tone.reset();
  engine.toneLength = 0;
}

const uint8_t* ToneImage(std::size_t* size) {
  *size = engine.toneLength;
  return engine.tone.get();
}

void WaveSetSpeedUp(bool on) { engine.speedUp = on; }
void WaveSetCut(bool on) { engine.cut = on; }
bool WaveSpeedUp() { return engine.speedUp; }
bool WaveCut() { return engine.cut; }
int WaveInFlight() { return engine.inFlight; }
