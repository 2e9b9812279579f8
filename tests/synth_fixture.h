// The built-in synthesizer on a small voice of the test's own making: a
// voice database, letter recordings, rules and exceptions written into the
// test's drive C:, and every sound image it plays kept for inspection.
#pragma once

#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "speech/wave_header.h"
#include "synth/diphone_synth.h"
#include "synth/translator.h"
#include "tests/speech_fixture.h"

namespace testing_support {

// The samples of every image the synthesizer played, one entry per image.
inline std::vector<std::string>& PlayedImages() {
  static std::vector<std::string> images;
  return images;
}
inline void KeepImage(const uint8_t* image, std::size_t size) {
  PlayedImages().emplace_back(reinterpret_cast<const char*>(image) + kWaveHeaderSize,
                              size - kWaveHeaderSize);
}

// The ".IND" and ".DIF" images of a database holding `segments` (name to
// samples), the index sorted by name.
inline std::pair<std::string, std::string> MakeVoiceDatabase(
    const std::map<std::string, std::string>& segments) {
  std::string index, data;
  for (const auto& [name, samples] : segments) {
    index += VoiceIndexRecord(name, static_cast<uint32_t>(samples.size()),
                              static_cast<uint32_t>(data.size()));
    data += samples;
  }
  return {index, data};
}

class SynthTest : public SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    PlayedImages().clear();
    Settings(
        "[TRADUTOR]\ndirLetras=C:\\talmar\\som\\letras\n"
        "DIRDIFONES=C:\\talmar\\som\\difones\n");
    Install("talmar/som/difones/regras.rgr", "");
    Install("talmar/som/difones/portug.exc", "");
    std::filesystem::create_directories(drive_ / "talmar/som/letras");
    Database({});
  }
  void TearDown() override {
    SynthDone();
    SynthStart();
    TranslatorStart();
    SpeechTest::TearDown();
  }
  // Installs the voice database "DIFONES2".
  void Database(const std::map<std::string, std::string>& segments) {
    const auto [index, data] = MakeVoiceDatabase(segments);
    Install("talmar/som/difones/DIFONES2.IND", index);
    Install("talmar/som/difones/DIFONES2.DIF", data);
  }
  // Installs a letters-folder recording "name.wav" of 8-bit samples.
  void Recording(const std::string& name, const std::string& samples) {
    Install("talmar/som/letras/" + name + ".wav", MakeWave(samples, 11025, 8, 1));
  }
  // Starts the synthesizer with its output kept.
  void Start() {
    ASSERT_EQ(SynthInit(), 0);
    SynthUseOutput(KeepImage);
  }
  // All samples played, in order.
  static std::string Played() {
    std::string all;
    for (const std::string& image : PlayedImages()) all += image;
    return all;
  }
};

}  // namespace testing_support

namespace testing_support {

// Installs on a drive (its host folder) the least the built-in synthesizer
// needs to start with no settings file: the letters and diphones folders,
// empty rule and exception files, and an empty voice database under the
// empty name that missing settings give. It says nothing, but the program
// starts.
// An installation folder already there keeps the letter case of its name.
inline void InstallSilentVoice(const std::string& driveFolder) {
  std::string installation = driveFolder + "/talmar";
  std::filesystem::create_directories(driveFolder);
  for (const auto& entry : std::filesystem::directory_iterator(driveFolder)) {
    std::string name = entry.path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "talmar") installation = entry.path().string();
  }
  std::filesystem::create_directories(installation + "/som/letras");
  for (const char* file : {".IND", ".DIF", "regras.rgr", "portug.exc"}) {
    WriteFile(installation + "/som/difones/" + file, "");
  }
}

}  // namespace testing_support
