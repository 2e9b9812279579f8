// Prints how fast the built-in synthesizer makes speech: the time spent
// per second of speech for a long Portuguese text (the real-time factor),
// and for each main-menu option the time from SpeakText to its first sound
// block reaching the device. It uses the installed voice (TALMAR_DRIVE_C),
// a window without a screen and the silent sound device.
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "app/messages.h"
#include "console/console.h"
#include "platform/cp1252.h"
#include "platform/observe.h"
#include "platform/window.h"
#include "speech/settings.h"
#include "speech/speech.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"
#include "synth/translator.h"

namespace {
using Clock = std::chrono::steady_clock;
std::size_t samples = 0;
void Count(const uint8_t*, std::size_t size) { samples += size - 44; }

// The first utterance of a text goes to the sound engine, whose first
// block reaches the device before WavePlay returns.
Clock::time_point firstBlock;
bool blockSeen = false;
void PlayAndNote(const uint8_t* image, std::size_t size) {
  WaitSpeechDone();
  WavePlay(image, size);
  if (!blockSeen) {
    firstBlock = Clock::now();
    blockSeen = true;
  }
  while (SpeechBusy()) platform::WaitMessage();
}

void MenuOptionLatency() {
  SynthUseOutput(PlayAndNote);
  for (const char* key : {"LFTABA", "LFTABB", "LFTABC", "LFMANUAL", "LFFINAL"}) {
    const std::string text = MessageText(key);
    blockSeen = false;
    const auto start = Clock::now();
    SpeakText(text);
    if (!blockSeen) {
      std::printf("%-22s no sound\n", platform::Cp1252ToUtf8(text).c_str());
      continue;
    }
    std::printf("%-22s SpeakText -> first block at the device: %6.2f ms\n",
                platform::Cp1252ToUtf8(text).c_str(),
                std::chrono::duration<double, std::milli>(firstBlock - start).count());
  }
}
}  // namespace

int main() {
  setenv("TALMAR_VIDEO", "headless", 1);
  setenv("TALMAR_AUDIO", "null", 1);
  setenv("TALMAR_AUDIO_PACE", "0", 1);
  ConsoleStart();
  WaveStart();
  SettingsStart();
  SpeechStart();
  SynthStart();
  ConsoleClearScreen();
  ReadSynthSettings(3);
  if (SynthDatabaseName().empty() || SynthInit() != 0) {
    std::fprintf(stderr, "synth_bench: the installed synthesizer does not start\n");
    return 1;
  }
  SpeechInit(0, "");
  MenuOptionLatency();
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
