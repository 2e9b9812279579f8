#include <gtest/gtest.h>

#include <chrono>

#include "speech/wave_header.h"
#include "tests/speech_fixture.h"

using testing_support::MakeWave;
using testing_support::ReadFile;
using testing_support::SpeechTest;
using testing_support::TempDir;

namespace {

class WaveOutputTest : public SpeechTest {
 protected:
  int PlayFile(const std::string& bytes) {
    Install("som/test.wav", bytes);
    return WavePlayFile("C:\\som\\test.wav");
  }
  std::vector<std::string> Writes() {
    std::vector<std::string> writes;
    for (const std::string& event : AudioLog()) {
      if (event.rfind("write ", 0) == 0 || event.rfind("open ", 0) == 0) writes.push_back(event);
    }
    return writes;
  }
};

}  // namespace

TEST_F(WaveOutputTest, AShortSoundIsOneBlockEndingInSilence) {
  TempDir capture;
  setenv("TALMAR_AUDIO_CAPTURE", capture.path().c_str(), 1);
  platform::ResetObservation();
  platform::ResetAudio();
  std::string samples;
  for (int i = 0; i < 100; ++i) samples += static_cast<char>(10 + i);
  EXPECT_EQ(PlayFile(MakeWave(samples, 11025, 8, 1)), 0);
  unsetenv("TALMAR_AUDIO_CAPTURE");
  platform::ResetAudio();
  EXPECT_EQ(Writes(), (std::vector<std::string>{"open 11025 8 1", "write 256"}));
  const std::string played = ReadFile(capture / "0001.wav").substr(44);
  std::string expected = samples;
  expected[99] = static_cast<char>(128);
  expected += std::string(156, static_cast<char>(128));
  EXPECT_EQ(played, expected);
}

TEST_F(WaveOutputTest, LongSoundsAreCutSoNoBlockIsShorterThan256Bytes) {
  EXPECT_EQ(PlayFile(MakeWave(std::string(65600, '\x80'), 11025, 8, 1)), 0);
  EXPECT_EQ(Writes(), (std::vector<std::string>{"open 11025 8 1", "write 65278", "write 322"}));
  ClearLogs();
  EXPECT_EQ(PlayFile(MakeWave(std::string(200000, '\x80'), 11025, 8, 1)), 0);
  EXPECT_EQ(Writes(), (std::vector<std::string>{"open 11025 8 1", "write 65534", "write 65534",
                                                "write 65534", "write 3398"}));
  EXPECT_EQ(WaveInFlight(), 0);
  EXPECT_EQ(AudioLog().back(), "close");
}

TEST_F(WaveOutputTest, SpeedUpAndCut) {
  WaveSetSpeedUp(true);
  PlayFile(MakeWave(std::string(300, '\x80'), 11025, 8, 1));
  EXPECT_EQ(Writes().front(), "open 16537 8 1");
  WaveSetSpeedUp(false);

  // A voiced 16-bit mono sound: a pulse every 100 samples.
  std::string voiced;
  for (int i = 0; i < 20000; ++i) {
    const int16_t sample = i % 100 == 0 ? 20000 : (i % 100 < 50 ? 500 : -500);
    voiced += static_cast<char>(sample & 0xFF);
    voiced += static_cast<char>((sample >> 8) & 0xFF);
  }
  WaveSetCut(true);
  ClearLogs();
  PlayFile(MakeWave(voiced, 16000, 16, 1));
  std::vector<std::string> writes = Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], "open 16000 8 1");
  const int shortened = std::stoi(writes[1].substr(6));
  EXPECT_GT(shortened, 20000 * 4 / 10);
  EXPECT_LT(shortened, 20000 * 7 / 10);
  // Stereo is played as it is.
  ClearLogs();
  PlayFile(MakeWave(std::string(4000, '\0'), 16000, 16, 2));
  EXPECT_EQ(Writes(), (std::vector<std::string>{"open 16000 16 2", "write 4000"}));
  WaveSetCut(false);
}

TEST_F(WaveOutputTest, CompressionAlwaysEndsAndKeepsShortBlocks) {
  std::vector<uint8_t> silent(5000, 0);  // no peak anywhere
  EXPECT_LE(WaveCompress(silent.data(), 5000, 8, 11025), 5000u);
  std::vector<uint8_t> shortBlock(999, 200);
  EXPECT_EQ(WaveCompress(shortBlock.data(), 999, 8, 11025), 999u);
  std::vector<uint8_t> wide(1998, 0);  // 999 samples of 16 bits
  EXPECT_EQ(WaveCompress(wide.data(), 1998, 16, 11025), 999u);
  EXPECT_EQ(wide[0], 0x80);
}

TEST_F(WaveOutputTest, KeysStopPlayback) {
  const std::string second = MakeWave(std::string(11025, '\x90'), 11025, 8, 1);
  ConsoleQueueKey('k');
  EXPECT_EQ(PlayFile(second), 0);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(ConsoleKeyQueueCount(), 1);
  DrainQueue();

  // Real time: a key arriving while the first block plays stops it at once.
  SetPace("1");
  bool typed = false;
  window_->onPoll = [&typed](platform::MessageSink& sink) {
    if (!typed && WaveInFlight() > 0) {
      typed = true;
      for (const platform::Message& m : testing_support::KeyPress('Z', 0, 'z')) sink.Post(m);
    }
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PlayFile(MakeWave(std::string(5 * 11025, '\x90'), 11025, 8, 1)), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  window_->onPoll = nullptr;
  EXPECT_EQ(ConsoleKeyQueueCount(), 1);
  const std::vector<std::string> audio = AudioLog();
  EXPECT_NE(std::find(audio.begin(), audio.end(), "reset"), audio.end());
  EXPECT_EQ(audio.back(), "close");
  EXPECT_EQ(WaveInFlight(), 0);
}

TEST_F(WaveOutputTest, AChangeOfFormatWaitsAndReopens) {
  const std::string first = MakeWave(std::string(2000, '\x90'), 11025, 8, 1);
  const std::string second = MakeWave(std::string(2000, '\0'), 16000, 16, 1);
  SetPace("20");
  WavePlay(reinterpret_cast<const uint8_t*>(first.data()), first.size());
  WavePlay(reinterpret_cast<const uint8_t*>(second.data()), second.size());
  while (WaveBusy()) platform::WaitMessage();
  EXPECT_EQ(AudioLog(), (std::vector<std::string>{"open 11025 8 1", "write 2000", "done", "close",
                                                  "open 16000 16 1", "write 2000", "done",
                                                  "close"}));
}

TEST_F(WaveOutputTest, BadImagesAndFilesPlayNothing) {
  EXPECT_EQ(WavePlayFile("C:\\som\\missing.wav"), -1);
  const std::string good = MakeWave(std::string(300, '\x90'), 11025, 8, 1);
  const struct {
    const char* why;
    std::string bytes;
    int result;
  } files[] = {
      {"empty", "", -1},
      {"not RIFF", "RIFX" + good.substr(4), -1},
      {"no fmt", good.substr(0, 12) + "junk" + good.substr(16), -1},
      {"format body beyond the file", good.substr(0, 16) + std::string("\xFF\xFF\x00\x00", 4), -1},
      {"no data chunk", good.substr(0, 36), -1},
      {"data longer than the file", good.substr(0, 44 + 100), -1},
      {"a chunk longer than anything before data",
       good.substr(0, 36) + std::string("LIST\xF0\xFF\xFF\x7F", 8) + good.substr(36), -1},
  };
  for (const auto& f : files) {
    ClearLogs();
    EXPECT_EQ(PlayFile(f.bytes), f.result) << f.why;
    WaveImageInfo info;
    EXPECT_FALSE(f.result == -1 && f.bytes.size() < 44 &&
                 WaveParseImage(reinterpret_cast<const uint8_t*>(f.bytes.data()), f.bytes.size(),
                                &info))
        << f.why;
  }
  // An image whose data chunk claims more than it holds plays what it holds.
  WaveImageInfo info;
  const std::string cut = good.substr(0, 44 + 100);
  ASSERT_TRUE(WaveParseImage(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), &info));
  EXPECT_EQ(info.dataLength, 100u);
  EXPECT_EQ(info.totalLength, cut.size());
}

TEST_F(WaveOutputTest, ToneOf800HzHasItsPeriodLayout) {
  TonePlay(800);
  std::size_t size = 0;
  const uint8_t* tone = ToneImage(&size);
  ASSERT_NE(tone, nullptr);
  const int starts[] = {44, 57, 71, 85};
  for (int i = 0; i < 3; ++i) {
    const int start = starts[i];
    for (int j = 0; j < 6; ++j) ASSERT_EQ(tone[start + j], 96) << start + j;
    for (int j = start + 6; j < starts[i + 1]; ++j) ASSERT_EQ(tone[j], 160) << j;
  }
  EXPECT_EQ(tone[size - 1], 128);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(tone), 4), "RIFF");
  ToneStop();
  EXPECT_EQ(ToneImage(&size), nullptr);
  EXPECT_EQ(AudioLog(), (std::vector<std::string>{"tone 800", "tone-stop"}));
}
