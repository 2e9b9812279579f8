// The family's shared settings file "SONTRA.INI": where it is looked for,
// how a value is read with installation-folder expansion, and the speech
// settings the speech core reads from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Records the start-up folder (the current folder at this moment, trailing
// backslash removed). Runs before the program's main code changes folders.
void SettingsStart();
const std::string& StartupFolder();

// One value: "SONTRA.INI" of the Windows folder when it exists, else the one
// in the start-up folder (chosen again on every call); an empty section
// stands for "SONTRA"; "@" references expanded to the installation folder.
std::string ReadSetting(std::string_view section, std::string_view key);

// Signed integers with leading blanks, a sign, and "$" or "0x" for
// hexadecimal. An invalid text gives the value of its valid leading part
// (0 when there is none) and valid = false.
struct ParsedInteger {
  int32_t value = 0;
  bool valid = false;
};
ParsedInteger ParseInteger(std::string_view text);

// True when the text is not empty and does not begin with "N" or "n".
bool ParseFlag(std::string_view text);

// The speech keys of sections "TRADUTOR", "SERVFALA" and "SONTRA".
struct SpeechSettings {
  int speed = 3;                 // TRADUTOR/VELOCIDADE, 1..5
  bool useServer = false;        // TRADUTOR/SAPI
  std::string lettersFolder;     // TRADUTOR/DIRLETRAS, with a trailing backslash
  int serverVoice = 0;           // SERVFALA/VOZ
  int serverRate = 0;            // SERVFALA/VELOCIDADE
  int serverPitch = 0;           // SERVFALA/TOM
  int serverKind = 0;            // SERVFALA/TIPOSAPI
};
// `speed` 0 takes the speed from the file; any other value is used as given.
SpeechSettings ReadSpeechSettings(int speed);

// The speed-dependent keys of section "SINTETIZADOR" for speed number n.
struct SynthSettings {
  std::string database;  // DIFONESn, at most 8 characters
  int cutting = 0;       // CORTEFONn
  int overlap = 0;       // SOBRAFONn
  int wordGap = 0;       // INTERPALn
  bool cutSpeech = false;  // CORTAFALAn
  bool speedUp = false;    // RAPIDINHOn
  int pauseFullStop = 250;  // PAUSAPONTOn, milliseconds
  int pauseComma = 150;     // PAUSAVIRGn
  int pauseColon = 200;     // PAUSADOISPONTOSn
};
// Reads the keys and hands them on: the database name and the three numbers
// to the built-in synthesizer, the cut and speed-up flags to the wave output
// engine. The caller keeps the pauses.
SynthSettings ReadSynthSettings(int n);
