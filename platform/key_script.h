// The key script of the headless window: a text file that stands for the
// keyboard (and for the user's hand on the window), one event per line.
// Reading it is pure; the headless window plays the events back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class KeyEventKind : uint8_t {
  kPress,     // key down, its character where it has one, key up
  kDown,      // only the key-down message
  kUp,        // only the key-up message
  kSleep,     // wait `sleepMs` of real time
  kFocusOut,  // another program takes the foreground
  kFocusIn,   // the user comes back to the window
  kClose,     // the window's close box
};

struct KeyEvent {
  KeyEventKind kind = KeyEventKind::kPress;
  uint16_t vk = 0;
  uint8_t mods = 0;
  // The Windows-1252 character message a press adds between key down and
  // key up, or -1 when the key makes none of its own (control characters
  // come from the window's message translation instead).
  int16_t character = -1;
  // A key line that began with "!": delivered at once after the previous
  // event instead of waiting for the program to ask for a key.
  bool immediate = false;
  int32_t sleepMs = 0;
  int32_t line = 0;  // 1-based line of the script the event came from
  bool operator==(const KeyEvent&) const = default;
};

struct KeyScriptProblem {
  int32_t line = 0;  // 0: the script as a whole
  std::string message;
};

struct KeyScript {
  std::vector<KeyEvent> events;
  // Lines that could not be read; they are skipped, the rest still plays.
  std::vector<KeyScriptProblem> problems;
};

// A script bigger than this is refused whole: it cannot be a hand-written
// test, and every event takes memory.
constexpr std::size_t kMaxKeyScriptBytes = 2u << 20;
// Longer sleeps are cut to this, so a typing slip cannot hang a run.
constexpr int32_t kMaxKeySleepMs = 60000;

KeyScript ParseKeyScript(std::string_view text);

// Reads and parses the script file. False, with the reason in *why, when
// the file cannot be read or is too big; *script is then empty.
bool LoadKeyScript(const std::string& hostPath, KeyScript* script, std::string* why);

}  // namespace platform
