// The console on the fake window with the speech stack on the null sound
// device, and the trace and sound-device log kept in files.
#pragma once

#include <string>
#include <vector>

#include "platform/observe.h"
#include "platform/wave_out.h"
#include "speech/settings.h"
#include "speech/speech.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"
#include "tests/console_fixture.h"

namespace testing_support {

// A built-in voice that says nothing, for tests that listen to the trace.
inline std::string SilentWords(std::string_view) { return ""; }
inline void SilentPhonemes(std::string_view, bool) {}
inline std::string SilentNumber(int64_t) { return ""; }
inline void SilentNumberWords(std::string_view, bool) {}
constexpr BuiltInVoice kSilentVoice = {SilentWords, SilentPhonemes, SilentNumber,
                                       SilentNumberWords};

// A RIFF WAVE file image with a 44-byte header.
std::string MakeWave(const std::string& samples, int rate, int bits, int channels);

class SpeechTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    audioEnv_ = std::make_unique<ScopedEnv>(std::map<std::string, std::string>{
        {"TALMAR_AUDIO", "null"},
        {"TALMAR_AUDIO_PACE", "0"},
        {"TALMAR_TRACE", logs_ / "trace"},
        {"TALMAR_AUDIO_LOG", logs_ / "audio"}});
    platform::ResetObservation();
    platform::ResetAudio();
    SettingsStart();
    WaveStart();
    SpeechStart();
    SynthStart();
    ConsoleClearScreen();
  }
  void TearDown() override {
    WaveEnd();
    platform::ResetAudio();
    platform::ResetObservation();
    audioEnv_.reset();
    ConsoleTest::TearDown();
  }
  void SetPace(const std::string& pace) {
    setenv("TALMAR_AUDIO_PACE", pace.c_str(), 1);
    platform::ResetAudio();
  }

  // The events of a log without their times.
  std::vector<std::string> Events(const std::string& file) {
    std::vector<std::string> events;
    for (const std::string& line : ReadLines(logs_ / file)) {
      events.push_back(line.substr(line.find(' ') + 1));
    }
    return events;
  }
  std::vector<std::string> Trace() { return Events("trace"); }
  std::vector<std::string> AudioLog() { return Events("audio"); }
  // What the user heard: speech, spelled characters, recordings and beeps.
  std::vector<std::string> Heard() {
    std::vector<std::string> heard;
    for (const std::string& event : Trace()) {
      if (event.rfind("say ", 0) == 0 || event.rfind("char ", 0) == 0 ||
          event.rfind("sound ", 0) == 0) {
        heard.push_back(event);
      } else if (event.rfind("beep", 0) == 0) {
        heard.push_back("beep");
      }
    }
    return heard;
  }
  void ClearLogs() {
    WriteFile(logs_ / "trace", "");
    WriteFile(logs_ / "audio", "");
  }
  // Installs a file under drive C:.
  void Install(const std::string& relative, const std::string& bytes) {
    WriteFile(drive_ / relative, bytes);
  }

  TempDir logs_;
  std::unique_ptr<ScopedEnv> audioEnv_;
};

}  // namespace testing_support
