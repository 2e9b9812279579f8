#include "synth/diphone_synth.h"

#include "platform/profile.h"

namespace {

constexpr std::size_t kMaxDatabaseNameChars = 8;

struct SynthState {
  std::string databaseName = "DIFONES2";
  int cutting = 400;
  int overlap = 0;
  int wordGap = 100;
  std::string lettersFolder;
};

std::string WithBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}
SynthState synth;

}  // namespace

void SynthStart() { synth = SynthState{}; }

void SynthSetCutting(int cutting, int overlap, int wordGap) {
  synth.cutting = cutting;
  synth.overlap = overlap;
  synth.wordGap = wordGap;
}
int SynthCutting() { return synth.cutting; }
int SynthOverlap() { return synth.overlap; }
int SynthWordGap() { return synth.wordGap; }

void SynthSetDatabaseName(const std::string& name) {
  synth.databaseName = name.substr(0, kMaxDatabaseNameChars);
}
const std::string& SynthDatabaseName() { return synth.databaseName; }

int SynthInit() {
  synth.lettersFolder = WithBackslash(platform::GetProfileString(
      "TRADUTOR", "dirLetras", "c:\\talmar\\som\\letras", 79, "SONTRA.INI"));
  return 0;
}

void SynthDone() {}

void SpeakPhonemes(std::string_view, bool) {}

const std::string& SynthLettersFolder() { return synth.lettersFolder; }
