// The wave-out device: blocks and their buffer-done messages, reset and
// close, argument checks, the audio log and the capture files, on the null
// backend; and the SDL backend on SDL's disk driver, whose file must hold a
// sound written in many blocks whole and at its length.
#include "platform/wave_out.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio_backend.h"
#include "platform/observe.h"
#include "platform/window.h"
#include "tests/fake_window.h"
#include "tests/test_support.h"

namespace platform {
namespace {

using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::ScopedEnv;
using testing_support::TempDir;

class WaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override { Start("0"); }

  void TearDown() override {
    ResetAudio();
    ResetWindowSystem();
    ResetObservation();
  }

  // Starts the device afresh on the null backend at the given pace.
  void Start(const std::string& pace) {
    ResetAudio();
    env_.reset();
    std::filesystem::create_directories(capture());
    env_ = std::make_unique<ScopedEnv>(std::map<std::string, std::string>{
        {"TALMAR_AUDIO", "null"},
        {"TALMAR_AUDIO_PACE", pace},
        {"TALMAR_AUDIO_LOG", log()},
        {"TALMAR_AUDIO_CAPTURE", capture()}});
    ResetObservation();
    UseBackend(std::make_unique<testing_support::FakeWindow>());
  }

  std::string log() const { return dir_ / "audio.log"; }
  std::string capture() const { return dir_ / "capture"; }

  // The log's lines without their times.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : ReadLines(log())) lines.push_back(line.substr(line.find(' ') + 1));
    return lines;
  }

  // Pumps the message queue until `count` buffer-done messages came, or a
  // generous time passed; returns them.
  static std::vector<Message> TakeDone(std::size_t count, int patienceMs = 5000) {
    std::vector<Message> done;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMs);
    while (done.size() < count && std::chrono::steady_clock::now() < until) {
      Message message;
      if (PeekMessage(&message, false)) {
        if (message.id == kMsgWaveOutDone) done.push_back(message);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return done;
  }

  // Prepared blocks over `bytes`, cut at the given lengths.
  static std::vector<WaveBlock> Blocks(WaveHandle handle, const std::vector<uint8_t>& bytes,
                                       const std::vector<uint32_t>& lengths) {
    std::vector<WaveBlock> blocks(lengths.size());
    std::size_t at = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      blocks[i].data = bytes.data() + at;
      blocks[i].length = lengths[i];
      blocks[i].user = i;
      at += lengths[i];
      EXPECT_EQ(WaveOutPrepare(handle, &blocks[i]), kWaveOk);
    }
    return blocks;
  }

  static std::vector<uint8_t> Ramp(std::size_t count) {
    std::vector<uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
  }

  TempDir dir_;
  std::unique_ptr<ScopedEnv> env_;
};

TEST_F(WaveOutTest, BlocksComeBackInOrderWithOneMessageEach) {
  WaveHandle handle = 0;
  ASSERT_EQ(WaveOutOpen({11025, 8, 1}, &handle), kWaveOk);
  const std::vector<uint8_t> bytes = Ramp(700);
  std::vector<WaveBlock> blocks = Blocks(handle, bytes, {256, 300, 144});
  for (WaveBlock& block : blocks) ASSERT_EQ(WaveOutWrite(handle, &block), kWaveOk);

  const std::vector<Message> done = TakeDone(3);
  ASSERT_EQ(done.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i].wparam, handle);
    EXPECT_EQ(done[i].lparam, reinterpret_cast<int64_t>(&blocks[i]));
    EXPECT_FALSE(blocks[i].queued);
    EXPECT_EQ(WaveOutUnprepare(handle, &blocks[i]), kWaveOk);
    EXPECT_FALSE(blocks[i].prepared);
  }
  EXPECT_TRUE(TakeDone(1, 50).empty()) << "a block came back twice";
  EXPECT_EQ(WaveOutClose(handle), kWaveOk);

  // How the writes and the returns interleave depends on the machine's
  // speed; the order of each, and every return after its own write, do not.
  const std::vector<std::string> log = LogLines();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "open 11025 8 1");
  EXPECT_EQ(log.back(), "close");
  std::vector<std::string> writes;
  int returned = 0;
  for (const std::string& line : log) {
    if (line.rfind("write ", 0) == 0) writes.push_back(line);
    if (line == "done") {
      ++returned;
      EXPECT_LE(returned, static_cast<int>(writes.size())) << "a block came back before its write";
    }
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"write 256", "write 300", "write 144"}));
  EXPECT_EQ(returned, 3);
  EXPECT_EQ(log.size(), 8u);
}

// An unreadable pace counts as real time, so these blocks of a second each
// are still queued when the reset comes.
TEST_F(WaveOutTest, ResetReturnsEveryQueuedBlockAtOnce) {
  Start("fast");
  WaveHandle handle = 0;
  ASSERT_EQ(WaveOutOpen({11025, 8, 1}, &handle), kWaveOk);
  const std::vector<uint8_t> bytes = Ramp(3 * 11025);
  std::vector<WaveBlock> blocks = Blocks(handle, bytes, {11025, 11025, 11025});
  for (WaveBlock& block : blocks) ASSERT_EQ(WaveOutWrite(handle, &block), kWaveOk);
  EXPECT_TRUE(blocks[0].queued);
  EXPECT_EQ(WaveOutUnprepare(handle, &blocks[0]), kWaveStillPlaying);
  EXPECT_EQ(WaveOutClose(handle), kWaveStillPlaying);

  ASSERT_EQ(WaveOutReset(handle), kWaveOk);
  for (const WaveBlock& block : blocks) EXPECT_FALSE(block.queued);
  const std::vector<Message> done = TakeDone(3, 100);
  ASSERT_EQ(done.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(done[i].lparam, reinterpret_cast<int64_t>(&blocks[i]));
  }
  EXPECT_EQ(WaveOutClose(handle), kWaveOk);
  EXPECT_EQ(LogLines(), (std::vector<std::string>{"open 11025 8 1", "write 11025", "write 11025",
                                                  "write 11025", "reset", "done", "done", "done",
                                                  "close"}));
}

TEST_F(WaveOutTest, RejectsWhatTheDeviceCannotDo) {
  WaveHandle handle = 0;
  struct BadFormat {
    WaveFormat format;
    const char* why;
  };
  const BadFormat bad[] = {
      {{11025, 12, 1}, "12 bits"}, {{11025, 0, 1}, "0 bits"},     {{11025, 8, 0}, "no channel"},
      {{11025, 8, 3}, "3 channels"}, {{999, 8, 1}, "rate too low"}, {{192001, 16, 2}, "rate too high"},
      {{-11025, 8, 1}, "negative rate"},
  };
  for (const BadFormat& b : bad) EXPECT_EQ(WaveOutOpen(b.format, &handle), kWaveBadFormat) << b.why;
  EXPECT_EQ(WaveOutOpen({11025, 8, 1}, nullptr), kWaveInvalidParam);

  ASSERT_EQ(WaveOutOpen({11025, 8, 1}, &handle), kWaveOk);
  WaveHandle second = 0;
  EXPECT_EQ(WaveOutOpen({22050, 16, 2}, &second), kWaveAllocated);

  const uint8_t samples[4] = {128, 128, 128, 128};
  WaveBlock block;
  block.data = samples;
  block.length = 4;
  EXPECT_EQ(WaveOutPrepare(handle + 1, &block), kWaveInvalidHandle);
  EXPECT_EQ(WaveOutPrepare(handle, nullptr), kWaveInvalidParam);
  EXPECT_EQ(WaveOutWrite(handle, nullptr), kWaveInvalidParam);
  EXPECT_EQ(WaveOutWrite(handle, &block), kWaveUnprepared);
  WaveBlock noData;
  noData.length = 10;
  EXPECT_EQ(WaveOutPrepare(handle, &noData), kWaveInvalidParam);
  EXPECT_EQ(WaveOutReset(handle + 1), kWaveInvalidHandle);
  EXPECT_EQ(WaveOutClose(handle + 1), kWaveInvalidHandle);

  ASSERT_EQ(WaveOutClose(handle), kWaveOk);
  // A closed device's handle stays dead, even when the device opens again.
  EXPECT_EQ(WaveOutPrepare(handle, &block), kWaveInvalidHandle);
  EXPECT_EQ(WaveOutClose(handle), kWaveInvalidHandle);
  ASSERT_EQ(WaveOutOpen({11025, 8, 1}, &second), kWaveOk);
  EXPECT_NE(second, handle);
  EXPECT_EQ(WaveOutWrite(handle, &block), kWaveInvalidHandle);
  EXPECT_EQ(WaveOutClose(second), kWaveOk);

  EXPECT_EQ(LogLines(), (std::vector<std::string>{"open 11025 8 1", "close", "open 11025 8 1",
                                                  "close"}));
}

uint32_t Le32(const std::string& file, std::size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(file[at + i]);
  return value;
}

uint16_t Le16(const std::string& file, std::size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(file[at]) |
                               (static_cast<uint8_t>(file[at + 1]) << 8));
}

// One capture file per open, in the opened format, holding every block
// written in order: a block cut short by a reset still whole.
TEST_F(WaveOutTest, CaptureKeepsEachOpenInItsOwnFile) {
  Start("1");
  const std::vector<uint8_t> bytes = Ramp(8 + 6 + 44100);
  WaveHandle handle = 0;
  ASSERT_EQ(WaveOutOpen({22050, 16, 2}, &handle), kWaveOk);
  // The second block ends in the middle of a frame; the third, a second
  // long, is still playing when the reset drops it.
  std::vector<WaveBlock> first = Blocks(handle, bytes, {8, 6, 44100});
  for (WaveBlock& block : first) ASSERT_EQ(WaveOutWrite(handle, &block), kWaveOk);
  ASSERT_EQ(WaveOutReset(handle), kWaveOk);
  ASSERT_EQ(WaveOutClose(handle), kWaveOk);

  ASSERT_EQ(WaveOutOpen({11025, 8, 1}, &handle), kWaveOk);
  std::vector<WaveBlock> second = Blocks(handle, bytes, {3});
  ASSERT_EQ(WaveOutWrite(handle, &second[0]), kWaveOk);
  ASSERT_EQ(TakeDone(4).size(), 4u);
  ASSERT_EQ(WaveOutClose(handle), kWaveOk);

  struct Expected {
    const char* name;
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    uint32_t dataLength;
  };
  const Expected files[] = {{"0001.wav", 2, 22050, 16, 8 + 6 + 44100}, {"0002.wav", 1, 11025, 8, 3}};
  for (const Expected& e : files) {
    SCOPED_TRACE(e.name);
    const std::string file = ReadFile(capture() + "/" + e.name);
    ASSERT_GE(file.size(), 44u + e.dataLength);
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32(file, 16), 16u);
    EXPECT_EQ(Le16(file, 20), 1u);
    EXPECT_EQ(Le16(file, 22), e.channels);
    EXPECT_EQ(Le32(file, 24), e.rate);
    EXPECT_EQ(Le32(file, 28), e.rate * e.channels * e.bits / 8);
    EXPECT_EQ(Le16(file, 32), e.channels * e.bits / 8);
    EXPECT_EQ(Le16(file, 34), e.bits);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(Le32(file, 40), e.dataLength);
    // A data chunk of odd length is followed by its fill byte.
    const uint32_t padded = e.dataLength + (e.dataLength & 1);
    EXPECT_EQ(file.size(), 44u + padded);
    EXPECT_EQ(Le32(file, 4), 36u + padded);
    EXPECT_EQ(file.compare(44, e.dataLength, reinterpret_cast<const char*>(bytes.data()),
                           e.dataLength),
              0);
  }
  EXPECT_FALSE(std::filesystem::exists(capture() + "/0003.wav"));
}

std::string Image(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataLength,
                  std::size_t samplesPresent) {
  auto le = [](uint32_t value, int size) {
    std::string out;
    for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
  };
  std::string image = "RIFF" + le(36 + dataLength, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                      le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                      le(channels * bits / 8, 2) + le(bits, 2) + "data" + le(dataLength, 4);
  image += std::string(samplesPresent, '\x80');
  return image;
}

TEST_F(WaveOutTest, PlayerTakesOnlyWaveImages) {
  struct Case {
    std::string image;
    bool plays;
    const char* why;
  };
  const std::string good = Image(1, 11025, 8, 100, 100);
  std::string noWave = good;
  noWave.replace(8, 4, "AVI ");
  std::string dataFirst = "RIFF" + std::string(4, '\0') + "WAVE" + good.substr(36);
  const Case cases[] = {
      {good, true, "a plain image"},
      {Image(2, 22050, 16, 1000, 10), true, "data longer than the image"},
      {Image(1, 11025, 12, 100, 100), false, "12 bits"},
      {good.substr(0, 30), false, "cut inside the format"},
      {good.substr(0, 11), false, "shorter than a header"},
      {noWave, false, "not WAVE"},
      {dataFirst, false, "data before the format"},
      {"", false, "empty"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlayerPlay(reinterpret_cast<const uint8_t*>(c.image.data()), c.image.size(), true),
              c.plays)
        << c.why;
  }
  EXPECT_FALSE(PlayerPlay(nullptr, 100, false));
  PlayerStop();
  SoundDefaultBeep();
}

#ifdef TALMAR_HAVE_SDL

struct ProbeCount {
  std::atomic<int> periods{0};
};
ProbeCount probeCount;

// The SDL backend on SDL's disk driver, which writes what the device plays
// to a file at the pace of a real card. A sound written in blocks that cut
// its frames in two must come out at its length, without a gap.
TEST_F(WaveOutTest, SdlDeviceOnDiskPlaysBlocksWholeAndInOrder) {
  ResetAudio();
  const std::string raw = dir_ / "disk.raw";
  ScopedEnv sdl({{"TALMAR_AUDIO", "sdl"},
                 {"SDL_AUDIODRIVER", "disk"},
                 {"SDL_DISKAUDIOFILE", raw}});
  probeCount.periods = 0;
  SetAudioPeriodProbe([](bool) { ++probeCount.periods; });

  WaveHandle handle = 0;
  ASSERT_EQ(WaveOutOpen({22050, 16, 1}, &handle), kWaveOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (probeCount.periods == 0) {
    WaveOutClose(handle);
    SetAudioPeriodProbe(nullptr);
    GTEST_SKIP() << "SDL's disk audio driver cannot run here";
  }

  // Half a second of a 441 Hz tone, never silent for two samples running.
  constexpr int kFrames = 11025;
  std::vector<uint8_t> bytes(2 * kFrames);
  for (int i = 0; i < kFrames; ++i) {
    const double phase = 2.0 * std::numbers::pi * 441.0 * i / 22050.0 + 0.5;
    const auto value = static_cast<int16_t>(std::lround(12000.0 * std::sin(phase)));
    bytes[2 * static_cast<std::size_t>(i)] = static_cast<uint8_t>(value & 0xFF);
    bytes[2 * static_cast<std::size_t>(i) + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
  }
  std::vector<WaveBlock> blocks = Blocks(handle, bytes, {5001, 4999, 3, 7047, 5000});
  for (WaveBlock& block : blocks) ASSERT_EQ(WaveOutWrite(handle, &block), kWaveOk);
  const std::vector<Message> done = TakeDone(blocks.size());
  ASSERT_EQ(done.size(), blocks.size());
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(done[i].lparam, reinterpret_cast<int64_t>(&blocks[i]));
  }
  ASSERT_EQ(WaveOutClose(handle), kWaveOk);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ResetAudio();
  SetAudioPeriodProbe(nullptr);

  // The disk driver keeps the format asked of it: 48000 Hz, 16 bits, stereo.
  const std::string file = ReadFile(raw);
  ASSERT_EQ(file.size() % 4, 0u);
  const std::size_t frames = file.size() / 4;
  auto left = [&](std::size_t frame) {
    return static_cast<int16_t>(static_cast<uint8_t>(file[4 * frame]) |
                                (static_cast<uint8_t>(file[4 * frame + 1]) << 8));
  };
  std::size_t first = frames;
  std::size_t last = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    if (left(i) != 0) {
      first = std::min(first, i);
      last = i;
    }
  }
  ASSERT_LT(first, frames) << "the sound never reached the disk file";
  const double expected = kFrames * 48000.0 / 22050.0;
  EXPECT_NEAR(static_cast<double>(last - first + 1), expected, 4.0);
  // A gap shows as silence inside the sound; a click at a join (a frame
  // read from the wrong byte, a resampler started again) as a jump larger
  // than the tone itself ever makes between two samples.
  std::size_t longestSilence = 0;
  std::size_t run = 0;
  int largestStep = 0;
  for (std::size_t i = first; i <= last; ++i) {
    run = left(i) == 0 ? run + 1 : 0;
    longestSilence = std::max(longestSilence, run);
    if (i > first) largestStep = std::max(largestStep, std::abs(left(i) - left(i - 1)));
  }
  EXPECT_LE(longestSilence, 1u) << "a gap inside the sound";
  EXPECT_LE(largestStep, 12000.0 * 2.0 * std::numbers::pi * 441.0 / 48000.0 + 8.0)
      << "a click inside the sound";
}

#endif  // TALMAR_HAVE_SDL

}  // namespace
}  // namespace platform
