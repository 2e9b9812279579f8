#include "speech/speech.h"

#include <algorithm>
#include <random>
#include <string>

#include "console/console.h"
#include "console/text_output.h"
#include "platform/observe.h"
#include "platform/paths.h"
#include "platform/window.h"
#include "servers/dispatcher.h"
#include "speech/settings.h"
#include "speech/wave_header.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"
#include "synth/number_words.h"
#include "synth/translator.h"

namespace {

constexpr std::size_t kClickSamples = 256;
constexpr std::size_t kBeepSamples = 512;
// Words longer than this are cut before translation.
constexpr std::size_t kMaxWordRun = 999;
// Runs of this many digits or more are spelled, not said as a number.
constexpr std::size_t kSpelledDigits = 7;

constexpr BuiltInVoice kSynthesizer = {TranslateToPhonemes, SpeakPhonemes, NumberToWords,
                                       SpeakNumberWords};

struct SpeechCore {
  bool serverActive = false;
  int serverKind = 4;
  bool serverPending = true;
  bool stopMark = false;
  int speed = 3;
  std::string soundsFolder;
  std::string lettersFolder;
  int pauseFullStop = 250;
  int pauseComma = 150;
  int pauseColon = 200;
  uint8_t click[kWaveHeaderSize + kClickSamples] = {};
  uint8_t beep[kWaveHeaderSize + kBeepSamples] = {};
  const BuiltInVoice* voice = &kSynthesizer;
  bool voiceStarted = false;  // false: words are not heard
};
SpeechCore core;

bool KeyWaiting() { return ConsoleKeyPressed(); }

void WaitWhileBusy() {
  while (SpeechBusy()) platform::WaitMessage();
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }
bool IsWordCharacter(uint8_t c) { return c == ' ' || IsLetter(c); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string SoundPath(std::string_view name) {
  const std::string& folder = !name.empty() && name[0] == '_' ? core.lettersFolder
                                                               : core.soundsFolder;
  return folder + std::string(name) + ".wav";
}

void UseSynthSettings(const SynthSettings& settings) {
  core.pauseFullStop = settings.pauseFullStop;
  core.pauseComma = settings.pauseComma;
  core.pauseColon = settings.pauseColon;
}

// Says the punctuation character at the front of `rest` by its recording,
// then pauses as the character and the one after it ask.
void SpeakPunctuation(std::string_view rest) {
  if (KeyWaiting()) return;
  WaitWhileBusy();
  const auto p = static_cast<uint8_t>(rest[0]);
  const bool blankFollows = rest.size() > 1 && rest[1] == ' ';
  SpeakChar(p);
  switch (p) {
    case '(':
    case ')':
    case ':':
    case ';':
      PauseMs(core.pauseColon);
      break;
    case ',':
    case '-':
      if (blankFollows) PauseMs(core.pauseComma);
      break;
    case '.':
      if (blankFollows) PauseMs(core.pauseFullStop);
      break;
    default:
      break;
  }
}

void SpeakThroughServer(std::string_view text) {
  WaitWhileBusy();
  if (KeyWaiting()) return;
  platform::TraceEvent("server", text);
  ServerSpeak(text);
  core.serverPending = true;
}

void SpeakBuiltIn(std::string_view original) {
  const std::string text = std::string(original) + " ";
  core.stopMark = false;
  uint8_t lastSymbol = ' ';
  int repeats = 0;
  std::size_t pos = 0;
  while (!core.stopMark && pos < text.size()) {
    if (KeyWaiting()) {
      StopSpeech();
      return;
    }
    // Every leading zero is said on its own.
    while (text[pos] == '0') {
      PlaySoundFile("_zero");
      ++pos;
    }
    const auto c = static_cast<uint8_t>(text[pos]);
    if (c >= '1' && c <= '9') {
      std::size_t end = pos;
      while (end < text.size() && (IsDigit(static_cast<uint8_t>(text[end])) || text[end] == '-')) {
        ++end;
      }
      const std::string_view run = std::string_view(text).substr(pos, end - pos);
      pos = end;
      // Codes, dates and scores (2-1) and long numbers are spelled.
      if (run.find('-') != std::string_view::npos || run.size() >= kSpelledDigits) {
        SpellText(run);
      } else {
        core.voice->speakNumberWords(core.voice->numberToWords(std::stoll(std::string(run))),
                                     false);
      }
      continue;
    }
    if (IsWordCharacter(c)) {
      std::size_t end = pos;
      while (end < text.size() && IsWordCharacter(static_cast<uint8_t>(text[end]))) ++end;
      const std::string_view run = std::string_view(text).substr(pos, end - pos);
      pos = end;
      if (UpperCaseText(run) == "WWW") {
        SpellText(run);
      } else if (core.voiceStarted) {
        core.voice->speakPhonemes(core.voice->translateToPhonemes(run.substr(0, kMaxWordRun)),
                                  false);
      }
      // A hyphenated word goes on as words, without a pause.
      if (pos + 1 < text.size() && text[pos] == '-' &&
          IsLetter(static_cast<uint8_t>(text[pos + 1]))) {
        ++pos;
      }
      continue;
    }
    // A symbol. The first four equal symbols in a row are said; every
    // further one is a click.
    uint8_t symbol = c;
    if (symbol == lastSymbol) {
      ++repeats;
      if (repeats > 3) {
        PlayClick();
        symbol = ' ';
      }
    } else {
      repeats = 0;
      lastSymbol = symbol;
    }
    const std::string_view rest = std::string_view(text).substr(pos);
    if (rest[0] == '-') {
      const auto next = static_cast<uint8_t>(rest.size() > 2 ? rest[1] : ' ');
      if (next == ' ' || next == '-') {
        SpeakPunctuation(rest);
      } else if (IsDigit(next)) {
        PlaySoundFile("_MENOS");
      } else {
        SpeakChar('-');
      }
    } else if (rest.substr(0, 3) == "://") {
      SpellText(":");
    } else {
      switch (symbol) {
        case '(':
        case ')':
        case ',':
        case '.':
        case ':':
        case ';':
          SpeakPunctuation(rest);
          break;
        case ' ':
        case '\t':
          break;
        default:
          if (!KeyWaiting()) SpeakChar(symbol);
          break;
      }
    }
    ++pos;
  }
}

}  // namespace

void SpeechStart() {
  const BuiltInVoice* voice = core.voice;
  core = SpeechCore{};
  core.voice = voice;
  std::minstd_rand random(std::random_device{}());
  BuildWaveHeader(core.click, kClickSamples, 11025, 8, 1);
  uint8_t* click = core.click + kWaveHeaderSize;
  for (std::size_t i = 0; i < kClickSamples; ++i) {
    click[i] = i < 64 ? static_cast<uint8_t>(128 + random() % 60) : 128;
  }
  BuildWaveHeader(core.beep, kBeepSamples, 11025, 8, 1);
  constexpr uint8_t kBeepCycle[8] = {128, 112, 96, 80, 64, 80, 96, 112};
  uint8_t* beep = core.beep + kWaveHeaderSize;
  for (std::size_t i = 0; i < kBeepSamples; ++i) beep[i] = kBeepCycle[i % 8];
  beep[kBeepSamples - 1] = 128;
}

void SpeechInit(int speed, std::string_view soundsFolder) {
  const SpeechSettings settings = ReadSpeechSettings(speed);
  core.speed = settings.speed;
  UseSynthSettings(ReadSynthSettings(core.speed));
  // Settings that name no voice database (no settings file at all, on a
  // drive where the program was only copied) leave the built-in
  // synthesizer silent instead of ending the program: recordings still
  // play, and the user still hears the program's own sentences where they
  // are recorded, including why it cannot go on. A named database that
  // cannot be opened is reported as before.
  const bool databaseNamed = !SynthDatabaseName().empty();
  const int result = databaseNamed ? SynthInit() : 0;
  if (result != 0) {
    WriteLine("Erro de inicializa\xE7\xE3o: " + std::to_string(result));
    WriteLine("Banco de dados de voz: " + SynthDatabaseName());
    SynthDone();
    ReadLine();
    ConsoleClose();
  }
  // A voice that tests put in the synthesizer's place is always there.
  core.voiceStarted = databaseNamed || core.voice != &kSynthesizer;
  core.soundsFolder = WithBackslash(std::string(soundsFolder));
  core.lettersFolder = WithBackslash(settings.lettersFolder);
  UseSynthSettings(ReadSynthSettings(core.speed));
  core.serverActive = false;
  if (settings.useServer) {
    core.serverActive = ServerInit(settings.serverVoice, settings.serverRate,
                                   settings.serverPitch, settings.serverKind, "");
    core.serverKind = settings.serverKind;
  }
}

void SpeechDone() {
  WaitWhileBusy();
  StopSpeech();
  if (core.serverActive) {
    ServerDone();
    core.serverActive = false;
  }
  SynthDone();
}

void SpeakText(std::string_view text) {
  platform::TraceEvent("say", text);
  if (core.serverActive) {
    SpeakThroughServer(text);
  } else {
    SpeakBuiltIn(text);
  }
}

void WriteAndSpeak(std::string_view text) {
  WriteText(text);
  SpeakText(text);
}

void WriteLineAndSpeak(std::string_view text) {
  WriteAndSpeak(text);
  WriteText("\r\n");
}

void SpeakChar(uint8_t character) {
  platform::TraceEvent("char", std::to_string(character));
  WaitSpeechDone();
  // The synthesizer's letters folder; the speech settings' one when no
  // voice was started.
  const std::string& folder =
      SynthLettersFolder().empty() ? core.lettersFolder : SynthLettersFolder();
  WavePlayFile(folder + "_" + std::to_string(character) + ".wav");
}

void SpellText(std::string_view text) {
  for (const char c : text) {
    if (KeyWaiting()) return;
    SpeakChar(static_cast<uint8_t>(c));
  }
}

void PlaySoundFile(std::string_view name) {
  platform::TraceEvent("sound", name);
  WaitSpeechDone();
  WavePlayFile(SoundPath(name));
}

bool SoundFileExists(std::string_view name) { return platform::FileExists(SoundPath(name)); }

bool SpeechBusy() {
  if (KeyWaiting()) {
    StopSpeech();
    return false;
  }
  return WaveBusy() || (core.serverActive && ServerBusy(0));
}

void WaitSpeechDone() {
  if (!core.serverPending) return;
  WaitWhileBusy();
  core.serverPending = false;
}

void StopSpeech() {
  platform::TraceEvent("stop", "");
  WaveStop();
  core.stopMark = true;
  if (core.serverActive && (ServerBusy(0) || core.serverKind == 3)) ServerStop();
  platform::Message wake;
  wake.id = kSpeechWakeMessage;
  platform::PostMessage(wake);
}

uint8_t ReadKeySpoken() {
  const uint8_t key = ConsoleReadKey();
  StopSpeech();
  SpeakChar(key);
  return key;
}

void PlayBeep() {
  platform::TraceEvent("beep", "");
  WaitSpeechDone();
  while (ConsoleKeyPressed()) ConsoleReadKey();
  WavePlay(core.beep, sizeof core.beep);
  WaitWhileBusy();
}

void PlayClick() {
  platform::TraceEvent("click", "");
  WaitSpeechDone();
  const bool cut = WaveCut();
  WaveSetCut(false);
  WavePlay(core.click, sizeof core.click);
  WaitWhileBusy();
  WaveSetCut(cut);
}

void PauseMs(int milliseconds) {
  platform::TraceEvent("pause", std::to_string(milliseconds));
  for (int step = 0; step < milliseconds / 50; ++step) {
    if (KeyWaiting()) return;
    ConsoleDelay(50);
  }
}

void PlayWaveAndWait(const uint8_t* image, std::size_t size) {
  WaitSpeechDone();
  WavePlay(image, size);
  WaitWhileBusy();
}

std::string UpperCaseText(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte >= 'a' && byte <= 'z') {
      c = static_cast<char>(byte - 32);
    } else if (byte > 223) {
      c = static_cast<char>(byte - 32);
    }
  }
  return upper;
}

SpeechCoreView SpeechCoreForTest() {
  return {core.speed,         core.serverActive, core.serverKind, core.soundsFolder,
          core.lettersFolder, core.pauseFullStop, core.pauseComma, core.pauseColon};
}

const uint8_t* ClickImage(std::size_t* size) {
  *size = sizeof core.click;
  return core.click;
}

const uint8_t* BeepImage(std::size_t* size) {
  *size = sizeof core.beep;
  return core.beep;
}

void SpeechUseBuiltInVoice(const BuiltInVoice* voice) {
  core.voice = voice != nullptr ? voice : &kSynthesizer;
}
