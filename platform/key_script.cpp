#include "platform/key_script.h"

#include <cstdio>
#include <optional>

#include "platform/cp1252.h"
#include "platform/keys.h"
#include "platform/message.h"

namespace platform {
namespace {

struct NamedKey {
  std::string_view name;
  uint16_t vk;
  uint8_t impliedMods;
};

constexpr NamedKey kNamedKeys[] = {
    {"Enter", kVkReturn, 0},   {"Esc", kVkEscape, 0},    {"Tab", kVkTab, 0},
    {"Backspace", kVkBack, 0}, {"Space", kVkSpace, 0},   {"Up", kVkUp, 0},
    {"Down", kVkDown, 0},      {"Left", kVkLeft, 0},     {"Right", kVkRight, 0},
    {"Home", kVkHome, 0},      {"End", kVkEnd, 0},       {"PgUp", kVkPrior, 0},
    {"PgDn", kVkNext, 0},      {"Insert", kVkInsert, 0}, {"Delete", kVkDelete, 0},
    // Break is the cancel key, which only exists with Ctrl held.
    {"Break", kVkCancel, kModCtrl},
};

// The Brazilian (ABNT2) keyboard's characters of Shift+1 .. Shift+9, Shift+0.
constexpr char kShiftedDigits[] = "!@#$%\xA8&*()";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Removes `prefix` (any letter case) from the front of *text.
bool TakePrefix(std::string_view* text, std::string_view prefix) {
  if (text->size() < prefix.size() || !EqualsIgnoringCase(text->substr(0, prefix.size()), prefix)) {
    return false;
  }
  text->remove_prefix(prefix.size());
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<uint8_t> ModifierNamed(std::string_view name) {
  if (EqualsIgnoringCase(name, "Ctrl")) return kModCtrl;
  if (EqualsIgnoringCase(name, "Alt")) return kModAlt;
  if (EqualsIgnoringCase(name, "Shift")) return kModShift;
  return std::nullopt;
}

// The virtual key and the modifiers the key name itself brings.
std::optional<std::pair<uint16_t, uint8_t>> KeyNamed(std::string_view name) {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= 'a' && c <= 'z') return std::pair<uint16_t, uint8_t>(kVkA + (c - 'a'), 0);
    if (c >= 'A' && c <= 'Z') return std::pair<uint16_t, uint8_t>(kVkA + (c - 'A'), 0);
    if (c >= '0' && c <= '9') return std::pair<uint16_t, uint8_t>(kVk0 + (c - '0'), 0);
    return std::nullopt;
  }
  for (const NamedKey& key : kNamedKeys) {
    if (EqualsIgnoringCase(name, key.name)) return std::pair(key.vk, key.impliedMods);
  }
  std::string_view number = name;
  if (TakePrefix(&number, "F") && !number.empty() && number.size() <= 2 && number[0] != '0') {
    int n = 0;
    for (char c : number) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 12) return std::pair<uint16_t, uint8_t>(kVkF1 + (n - 1), 0);
  }
  return std::nullopt;
}

// The character a key press types on its own, as the keyboard would: none
// with Ctrl or Alt held, and none for keys whose character comes from the
// window's message translation (Enter, Esc, Backspace, Tab).
int16_t PressCharacter(uint16_t vk, uint8_t mods) {
  if ((mods & (kModCtrl | kModAlt)) != 0) return -1;
  const bool shift = (mods & kModShift) != 0;
  if (vk >= kVkA && vk < kVkA + 26) return static_cast<int16_t>((shift ? 'A' : 'a') + (vk - kVkA));
  if (vk >= kVk0 && vk < kVk0 + 10) {
    if (!shift) return static_cast<int16_t>(vk);
    // '1'..'9' are the first nine shifted characters, '0' the tenth.
    const int index = vk == kVk0 ? 9 : vk - kVk0 - 1;
    return static_cast<int16_t>(static_cast<uint8_t>(kShiftedDigits[index]));
  }
  if (vk == kVkSpace) return ' ';
  return -1;
}

// Reads "Ctrl+Alt+F11" and the like: exactly one key, any number of
// modifiers, in any order.
bool ParseKeyCombination(std::string_view combination, uint16_t* vk, uint8_t* mods, std::string* problem) {
  bool haveKey = false;
  *mods = 0;
  for (;;) {
    const std::size_t plus = combination.find('+');
    const std::string_view part = Trim(combination.substr(0, plus));
    if (part.empty()) {
      *problem = "empty key name";
      return false;
    }
    if (const auto modifier = ModifierNamed(part)) {
      *mods = static_cast<uint8_t>(*mods | *modifier);
    } else if (const auto key = KeyNamed(part)) {
      if (haveKey) {
        *problem = "more than one key in \"" + std::string(combination) + "\"";
        return false;
      }
      haveKey = true;
      *vk = key->first;
      *mods = static_cast<uint8_t>(*mods | key->second);
    } else {
      *problem = "unknown key \"" + std::string(part) + "\"";
      return false;
    }
    if (plus == std::string_view::npos) break;
    combination.remove_prefix(plus + 1);
  }
  if (!haveKey) {
    *problem = "modifiers without a key";
    return false;
  }
  return true;
}

// The key press that types one Windows-1252 character of a text line.
// Letters, digits and the space use their own keys; everything else comes
// from a key the program does not know, with only its character message.
KeyEvent TextCharacterPress(uint8_t c, bool immediate, int32_t line) {
  KeyEvent event;
  event.immediate = immediate;
  event.line = line;
  event.character = c;
  if (c >= 'a' && c <= 'z') {
    event.vk = static_cast<uint16_t>(kVkA + (c - 'a'));
  } else if (c >= 'A' && c <= 'Z') {
    event.vk = static_cast<uint16_t>(kVkA + (c - 'A'));
    event.mods = kModShift;
  } else if ((c >= '0' && c <= '9') || c == ' ') {
    event.vk = c;
  } else if (c == '\t') {
    event.vk = kVkTab;
    event.character = -1;  // the translation of the key-down types it
  } else {
    event.vk = kVkOther;
  }
  return event;
}

void ParseText(std::string_view utf8, bool immediate, int32_t line, KeyScript* script) {
  // NUL stands for every character the code page lacks; no key types it.
  const std::string text = Utf8ToCp1252(utf8, '\0');
  bool skipped = false;
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      skipped = true;
      continue;
    }
    script->events.push_back(TextCharacterPress(c, immediate, line));
  }
  if (skipped) {
    script->problems.push_back({line, "characters that cannot be typed were left out"});
  }
}

bool ParseSleep(std::string_view value, int32_t* ms, std::string* problem) {
  value = Trim(value);
  if (value.empty()) {
    *problem = "sleep without a number";
    return false;
  }
  int64_t total = 0;
  for (char c : value) {
    if (c < '0' || c > '9') {
      *problem = "sleep needs a whole number of milliseconds";
      return false;
    }
    if (total <= kMaxKeySleepMs) total = total * 10 + (c - '0');
  }
  if (total > kMaxKeySleepMs) {
    *problem = "sleep cut to " + std::to_string(kMaxKeySleepMs) + " ms";
    total = kMaxKeySleepMs;
  }
  *ms = static_cast<int32_t>(total);
  return true;
}

void ParseLine(std::string_view raw, int32_t line, KeyScript* script) {
  std::string_view text = raw;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (Trim(text).empty() || text.front() == '#') return;

  bool immediate = false;
  if (text.front() == '!') {
    immediate = true;
    text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  }
  // The text of a text line is taken as it stands, blanks included.
  if (TakePrefix(&text, "text:")) {
    ParseText(text, immediate, line, script);
    return;
  }
  text = Trim(text);

  KeyEvent event;
  event.line = line;
  std::string problem;
  if (TakePrefix(&text, "sleep:")) {
    event.kind = KeyEventKind::kSleep;
    if (!ParseSleep(text, &event.sleepMs, &problem)) {
      script->problems.push_back({line, problem});
      return;
    }
    if (!problem.empty()) script->problems.push_back({line, problem});
    script->events.push_back(event);
    return;
  }
  if (TakePrefix(&text, "focus:")) {
    const std::string_view value = Trim(text);
    if (EqualsIgnoringCase(value, "out")) {
      event.kind = KeyEventKind::kFocusOut;
    } else if (EqualsIgnoringCase(value, "in")) {
      event.kind = KeyEventKind::kFocusIn;
    } else {
      script->problems.push_back({line, "focus must be \"out\" or \"in\""});
      return;
    }
    script->events.push_back(event);
    return;
  }
  if (EqualsIgnoringCase(text, "close")) {
    event.kind = KeyEventKind::kClose;
    script->events.push_back(event);
    return;
  }

  if (TakePrefix(&text, "down:")) {
    event.kind = KeyEventKind::kDown;
  } else if (TakePrefix(&text, "up:")) {
    event.kind = KeyEventKind::kUp;
  }
  event.immediate = immediate;
  if (!ParseKeyCombination(text, &event.vk, &event.mods, &problem)) {
    script->problems.push_back({line, problem});
    return;
  }
  if (event.kind == KeyEventKind::kPress) event.character = PressCharacter(event.vk, event.mods);
  script->events.push_back(event);
}

}  // namespace

KeyScript ParseKeyScript(std::string_view text) {
  KeyScript script;
  if (text.size() > kMaxKeyScriptBytes) {
    script.problems.push_back({0, "the script is bigger than " +
                                      std::to_string(kMaxKeyScriptBytes) + " bytes"});
    return script;
  }
  int32_t line = 0;
  while (!text.empty()) {
    ++line;
    const std::size_t end = text.find('\n');
    ParseLine(text.substr(0, end), line, &script);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return script;
}

bool LoadKeyScript(const std::string& hostPath, KeyScript* script, std::string* why) {
  *script = KeyScript();
  std::FILE* file = std::fopen(hostPath.c_str(), "rb");
  if (file == nullptr) {
    if (why != nullptr) *why = "cannot open " + hostPath;
    return false;
  }
  // One byte more than allowed tells a script that is too big.
  std::string bytes(kMaxKeyScriptBytes + 1, '\0');
  const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    if (why != nullptr) *why = "cannot read " + hostPath;
    return false;
  }
  if (count > kMaxKeyScriptBytes) {
    if (why != nullptr) {
      *why = hostPath + " is bigger than " + std::to_string(kMaxKeyScriptBytes) + " bytes";
    }
    return false;
  }
  bytes.resize(count);
  *script = ParseKeyScript(bytes);
  return true;
}

}  // namespace platform
