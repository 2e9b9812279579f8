// Prints how fast the built-in synthesizer makes speech: the time spent
// per second of speech for a long Portuguese text (the real-time factor).
// It uses the installed voice (TALMAR_DRIVE_C) and plays nothing.
#include <chrono>
#include <cstdio>
#include <string>

#include "speech/settings.h"
#include "synth/diphone_synth.h"
#include "synth/translator.h"

namespace {
std::size_t samples = 0;
void Count(const uint8_t*, std::size_t size) { samples += size - 44; }
}  // namespace

int main() {
  SettingsStart();
  SynthStart();
  ReadSynthSettings(3);
  if (SynthInit() != 0) {
    std::fprintf(stderr, "synth_bench: the installed synthesizer does not start\n");
    return 1;
  }
  SynthUseOutput(Count);
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "Brasileir\xE3o s\xE9rie A ver tabela de classifica\xE7\xE3o Flamengo primeiro colocado "
            "pontos Palmeiras segundo colocado Botafogo terceiro colocado Fortaleza quarto ";
  }
  const auto start = std::chrono::steady_clock::now();
  SpeakPhonemes(TranslateToPhonemes(text), false);
  const double spent =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double speech = static_cast<double>(samples) / 11025.0;
  std::printf("synthesized %.1f s of speech in %.4f s: %.5f s per second of speech\n", speech,
              spent, speech > 0 ? spent / speech : 0.0);
  return 0;
}
