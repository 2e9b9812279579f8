// The speech core: the one interface through which the program speaks.
// Texts go to an external speech server when one is configured, otherwise
// they are cut into words, numbers and symbols for the built-in
// synthesizer and the recorded sounds. Any key waiting in the console's
// queue stops everything and stays there for the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Module start: the click's random samples, the start values.
void SpeechStart();

// Reads the speech settings and starts the synthesizers. `speed` 0 takes
// the speed from the settings; `soundsFolder` empty names sounds relative
// to the working folder.
void SpeechInit(int speed, std::string_view soundsFolder);
void SpeechDone();

void SpeakText(std::string_view text);
void WriteAndSpeak(std::string_view text);
void WriteLineAndSpeak(std::string_view text);
void SpeakChar(uint8_t character);
void SpellText(std::string_view text);
// Plays "name.wav" from the letters folder (names beginning with "_") or
// the sounds folder, and waits until it has been heard.
void PlaySoundFile(std::string_view name);
bool SoundFileExists(std::string_view name);
bool SpeechBusy();
void WaitSpeechDone();
void StopSpeech();
uint8_t ReadKeySpoken();
void PlayBeep();
void PlayClick();
void PauseMs(int milliseconds);
void PlayWaveAndWait(const uint8_t* image, std::size_t size);

// Letters a-z and the accented small letters (bytes above 223) become
// capitals; everything else stays.
std::string UpperCaseText(std::string_view text);

// Message posted to the console window to end a wait for messages.
inline constexpr uint32_t kSpeechWakeMessage = 1123;

// What the speech core read at SpeechInit; for tests.
struct SpeechCoreView {
  int speed;
  bool serverActive;
  int serverKind;
  std::string soundsFolder;
  std::string lettersFolder;
  int pauseFullStop;
  int pauseComma;
  int pauseColon;
};
SpeechCoreView SpeechCoreForTest();
// The click and beep images.
const uint8_t* ClickImage(std::size_t* size);
const uint8_t* BeepImage(std::size_t* size);

// The built-in synthesizer's operations the core calls for words and
// numbers; tests put recorders in their place.
struct BuiltInVoice {
  std::string (*translateToPhonemes)(std::string_view words);
  void (*speakPhonemes)(std::string_view phonemes, bool punctuationAsRecording);
  std::string (*numberToWords)(int64_t value);
  void (*speakNumberWords)(std::string_view words, bool feminine);
};
// Null restores the real synthesizer.
void SpeechUseBuiltInVoice(const BuiltInVoice* voice);
