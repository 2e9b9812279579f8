// Virtual-key codes: the keyboard layout-independent key numbers that key
// messages carry, as the console's key tables are written against.
#pragma once

#include <cstdint>

namespace platform {

enum : uint16_t {
  kVkCancel = 0x03,  // Ctrl+Break
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkShift = 0x10,
  kVkControl = 0x11,
  kVkMenu = 0x12,  // Alt
  kVkPause = 0x13,
  kVkCapital = 0x14,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkPrior = 0x21,  // Page Up
  kVkNext = 0x22,   // Page Down
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkInsert = 0x2D,
  kVkDelete = 0x2E,
  kVk0 = 0x30,  // '0'..'9' are 0x30..0x39
  kVkA = 0x41,  // 'A'..'Z' are 0x41..0x5A
  kVkF1 = 0x70, // F1..F24 are 0x70..0x87
  kVkF4 = 0x73,
  kVkF10 = 0x79,
  kVkF11 = 0x7A,
  kVkF12 = 0x7B,
  // Keys that produce a character but have no key of their own in the
  // tables above (punctuation, accented letters).
  kVkOther = 0xE0,
};

}  // namespace platform
