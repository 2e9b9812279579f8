#include "speech/settings.h"

#include "platform/paths.h"
#include "platform/profile.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"

namespace {

constexpr char kSettingsFile[] = "SONTRA.INI";
constexpr char kDefaultSection[] = "SONTRA";
// Values are short strings of at most 255 characters everywhere in the family.
constexpr std::size_t kMaxValueChars = 255;
// An installation folder that itself holds "@\" would otherwise expand for
// ever; real values need one round.
constexpr int kMaxExpansionRounds = 16;
constexpr char kDefaultLettersFolder[] = "c:\\talmar\\som\\letras\\";

struct SettingsState {
  bool started = false;
  std::string startupFolder;
};
SettingsState settings;

// The settings file to read: the one in the Windows folder when it exists,
// else the one in the start-up folder. Chosen again on every read, so a file
// put in place while the program runs counts at once.
std::string SettingsFilePath() {
  const std::string inWindows = platform::WindowsFolder() + "\\" + kSettingsFile;
  if (platform::FileExists(inWindows)) return inWindows;
  return StartupFolder() + "\\" + kSettingsFile;
}

std::string InstallationFolder(const std::string& file) {
  std::string prefix = platform::GetProfileString(kDefaultSection, "PGMSONTRA", "",
                                                  kMaxValueChars, file);
  if (prefix.empty() || prefix[0] == '@') return StartupFolder();
  return prefix;
}

// Replaces "@" at the start, or the "@" of the first "@\", by the
// installation folder, until neither is left. No separator is added.
std::string ExpandInstallationFolder(std::string value, const std::string& file) {
  std::string prefix;
  bool havePrefix = false;
  for (int round = 0; round < kMaxExpansionRounds; ++round) {
    std::size_t at = std::string::npos;
    if (!value.empty() && value[0] == '@') {
      at = 0;
    } else {
      at = value.find("@\\");
    }
    if (at == std::string::npos) break;
    if (!havePrefix) {
      prefix = InstallationFolder(file);
      havePrefix = true;
    }
    value.replace(at, 1, prefix);
    if (value.size() > kMaxValueChars) value.resize(kMaxValueChars);
  }
  return value;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int IntegerOr(std::string_view text, int fallback) {
  const ParsedInteger parsed = ParseInteger(text);
  return parsed.valid ? parsed.value : fallback;
}

}  // namespace

void SettingsStart() {
  settings = SettingsState{};
  settings.started = true;
  settings.startupFolder = platform::CurrentFolder();
  const std::string& folder = settings.startupFolder;
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
    settings.startupFolder.pop_back();
  }
}

const std::string& StartupFolder() {
  if (!settings.started) SettingsStart();
  return settings.startupFolder;
}

std::string ReadSetting(std::string_view section, std::string_view key) {
  const std::string file = SettingsFilePath();
  const std::string_view sectionName = section.empty() ? std::string_view(kDefaultSection) : section;
  return ExpandInstallationFolder(
      platform::GetProfileString(sectionName, key, "", kMaxValueChars, file), file);
}

ParsedInteger ParseInteger(std::string_view text) {
  ParsedInteger result;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
             HexDigitValue(text[i + 2]) >= 0) {
    hex = true;
    i += 2;
  }
  // Digits are gathered while the number still fits: a hexadecimal number
  // in 32 bits (so $FFFFFFFF is -1), a decimal one in the signed range.
  // The first digit that would not fit ends the number like any other
  // stray character.
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  const uint64_t base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  bool anyDigit = false;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexDigitValue(text[i]) : (IsDecimalDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) break;
    const uint64_t next = magnitude * base + static_cast<uint64_t>(digit);
    if (next > limit) break;
    magnitude = next;
    anyDigit = true;
  }
  const auto bits = static_cast<uint32_t>(negative ? 0u - static_cast<uint32_t>(magnitude)
                                                   : static_cast<uint32_t>(magnitude));
  result.value = static_cast<int32_t>(bits);
  result.valid = anyDigit && i == text.size();
  return result;
}

bool ParseFlag(std::string_view text) {
  return !text.empty() && text[0] != 'N' && text[0] != 'n';
}

SpeechSettings ReadSpeechSettings(int speed) {
  SpeechSettings result;
  if (speed == 0) {
    const ParsedInteger fromFile = ParseInteger(ReadSetting("TRADUTOR", "VELOCIDADE"));
    result.speed = fromFile.valid && fromFile.value >= 1 && fromFile.value <= 5 ? fromFile.value : 3;
  } else {
    result.speed = speed;
  }
  result.useServer = ParseFlag(ReadSetting("TRADUTOR", "SAPI"));
  // The letters folder comes straight from the file in the Windows folder,
  // without the start-up folder's file and without "@" references.
  result.lettersFolder = platform::GetProfileString("TRADUTOR", "DIRLETRAS", kDefaultLettersFolder,
                                                    kMaxValueChars, kSettingsFile);
  if (result.lettersFolder.empty() || result.lettersFolder.back() != '\\') {
    result.lettersFolder += '\\';
  }
  result.serverVoice = ParseInteger(ReadSetting("SERVFALA", "VOZ")).value;
  result.serverRate = ParseInteger(ReadSetting("SERVFALA", "VELOCIDADE")).value;
  result.serverPitch = ParseInteger(ReadSetting("SERVFALA", "TOM")).value;
  result.serverKind = ParseInteger(ReadSetting("SERVFALA", "TIPOSAPI")).value;
  // Only kind 4 takes rates above 10; the others would misread them.
  if (result.serverRate > 10 && result.serverKind != 4) result.serverRate = 0;
  return result;
}

SynthSettings ReadSynthSettings(int n) {
  const std::string number = std::to_string(n);
  const auto read = [&number](const char* base) {
    return ReadSetting("SINTETIZADOR", std::string(base) + number);
  };
  SynthSettings result;
  result.database = read("DIFONES").substr(0, 8);
  result.cutting = ParseInteger(read("CORTEFON")).value;
  result.overlap = IntegerOr(read("SOBRAFON"), 0);
  result.wordGap = IntegerOr(read("INTERPAL"), 0);
  result.cutSpeech = ParseFlag(read("CORTAFALA"));
  result.speedUp = ParseFlag(read("RAPIDINHO"));
  // The name replaces the synthesizer's start value even when it is empty.
  SynthSetDatabaseName(result.database);
  SynthSetCutting(result.cutting, result.overlap, result.wordGap);
  WaveSetSpeedUp(result.speedUp);
  WaveSetCut(result.cutSpeech);
  result.pauseFullStop = IntegerOr(read("PAUSAPONTO"), 250);
  result.pauseComma = IntegerOr(read("PAUSAVIRG"), 150);
  result.pauseColon = IntegerOr(read("PAUSADOISPONTOS"), 200);
  return result;
}
