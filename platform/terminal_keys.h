// Reading the keyboard of a text terminal: the bytes a terminal sends for
// its keys (plain characters, UTF-8, control bytes, escape sequences in the
// common dialects, and the progressive keyboard protocol with its key-press,
// repeat and release events) turned into the key events a real keyboard
// gives, and those events into window messages. Nothing here touches a
// terminal, so every dialect can be checked with plain byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_backend.h"

namespace platform {

enum class TerminalEventKind : uint8_t {
  kTap,      // a key pressed and released (terminals that report presses only)
  kDown,     // a key pressed, its release to follow as kUp
  kRepeat,   // a held key repeating
  kUp,       // a key released
  kFocusIn,  // the terminal's window got the keyboard focus
  kFocusOut,
  // Answers to the queries the terminal window sends at start: the flags
  // of the progressive keyboard protocol (`value`), and the primary device
  // attributes, which every terminal answers and so ends the wait.
  kKeyboardFlags,
  kDeviceAttributes,
};

struct TerminalEvent {
  TerminalEventKind kind = TerminalEventKind::kTap;
  uint16_t vk = 0;
  uint8_t mods = 0;
  // The Windows-1252 character the key types, or -1. Set for text only (not
  // while Ctrl or Alt is held) and for the few control characters that no
  // key-down message translates into (Ctrl+] gives 1Dh, say).
  int character = -1;
  int value = 0;
  bool operator==(const TerminalEvent&) const = default;
};

// The key that stands for Ctrl+Break, which no terminal has: Ctrl+\ (the
// byte 1Ch in raw mode, or its report under the progressive protocol).
inline constexpr uint8_t kTerminalBreakByte = 0x1C;

// Bytes longer than this without completing a sequence are not a key; they
// are dropped rather than held.
inline constexpr std::size_t kTerminalMaxSequence = 128;

// The bytes received but not yet decoded (the start of an escape sequence,
// or of a UTF-8 character), and what the terminal's Backspace sends.
struct TerminalKeyDecoder {
  std::string pending;
  // The terminal's erase character: the byte of a plain Backspace. The
  // other of 08h and 7Fh is then Ctrl+Backspace.
  uint8_t eraseByte = 0x7F;
  // The terminal reports releases (the progressive protocol with event
  // types is on): its key sequences are presses with releases to follow.
  bool reportsReleases = false;
};

// Decodes `bytes` after what is pending, appending the events to *out. An
// incomplete sequence at the end stays pending.
void TerminalDecode(TerminalKeyDecoder& decoder, std::string_view bytes,
                    std::vector<TerminalEvent>* out);
// The short wait for the rest of a sequence has passed: what is pending is
// taken as typed (a lone Esc is the Esc key; Esc and a character is Alt and
// that character). An incomplete UTF-8 character is dropped.
void TerminalDecodeFlush(TerminalKeyDecoder& decoder, std::vector<TerminalEvent>* out);

// Posts the window messages of a key event as a real keyboard makes them:
// key-down (a system key-down with Alt), the character where the key types
// one, key-up. Returns false for events that are not keys.
bool PostTerminalEvent(MessageSink& sink, const TerminalEvent& event);

}  // namespace platform
