#include "console/braille_keyboard.h"

#include "console/console.h"
#include "console/text_output.h"
#include "platform/keys.h"
#include "platform/message.h"
#include "platform/window.h"
#include "speech/wave_output.h"

namespace {

constexpr uint8_t kNoCharacter = 0xFE;

// Indexed by the chord's dots: bit 0 is dot 1 ... bit 5 is dot 6.
constexpr uint8_t kBrailleTable[64] = {
    ' ',  'a',  ',',  'b',  '\'', 'k',  ';',  'l',
    '^',  'c',  'i',  'f',  0xED, 'm',  's',  'p',
    '~',  'e',  ':',  'h',  '*',  'o',  '!',  'r',
    0xAC, 'd',  'j',  'g',  0xE3, 'n',  't',  'q',
    0xFD, 0xE2, '?',  0xEA, '-',  'u',  '"',  'v',
    '{',  0xEE, 0xF5, 0xE0, 0xF3, 'x',  0xE8, 0xE7,
    '$',  0xFB, 0xFF, 0xFC, '}',  'z',  '=',  0xE1,
    '_',  0xF4, 'w',  0xEF, '#',  'y',  0xFA, 0xE9,
};

struct BrailleState {
  int mode = 0;
  int chord = 0;
  int held = 0;
  bool capital = false;
  bool capsLock = false;
  bool numberMode = false;
};
BrailleState braille;

void PlayTone(int frequency) {
  TonePlay(frequency);
  ConsoleDelay(200);
  ToneStop();
}

void ClearModes() {
  braille.capital = false;
  braille.capsLock = false;
  braille.numberMode = false;
}

// Mode 2's literary rules, in order.
uint8_t ApplyLiteraryRules(uint8_t c) {
  if (braille.numberMode) {
    if (c == '\'') {
      c = '.';
    } else if (c >= 'a' && c <= 'i') {
      c = static_cast<uint8_t>('1' + (c - 'a'));
    } else if (c == 'j') {
      c = '0';
    } else if (c == '~') {
      braille.numberMode = false;
    }
  }
  if ((braille.capital || braille.capsLock) && c >= 'a' && c <= 'z') {
    c = static_cast<uint8_t>(c - 'a' + 'A');
  }
  if (c == '#') {
    braille.numberMode = true;
    return kNoCharacter;
  }
  if (c == '{') {
    if (braille.capital) braille.capsLock = true;
    braille.capital = true;
    return kNoCharacter;
  }
  braille.capital = false;
  return c;
}

}  // namespace

void BrailleStart() { braille = BrailleState{}; }

int BrailleMode() { return braille.mode; }

void ConsoleSetBrailleMode(int mode) {
  if (mode > 2) mode = 1;
  if (mode <= 0) {
    mode = 0;
    const bool wasOn = braille.mode != 0;
    braille.chord = 0;
    braille.held = 0;
    ClearModes();
    if (wasOn) PlayTone(100);
  } else {
    PlayTone(800);
    PlayTone(mode == 1 ? 1600 : 400);
    // Chords are read at key release, which some text terminals never
    // report; the user is told rather than left with a keyboard that
    // types nothing.
    if (!platform::Backend().ReportsKeyReleases()) {
      WriteLine("O teclado Braille precisa de uma janela ou de um terminal que informe quando "
                "as teclas s\xE3o soltas.");
    }
  }
  braille.mode = mode;
}

int BrailleKeyValue(uint16_t vk) {
  switch (vk) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case platform::kVkSpace: return 64;
    default: return 0;
  }
}

void BrailleKeyDown(uint16_t vk) {
  const int value = BrailleKeyValue(vk);
  braille.chord |= value;
  braille.held |= value;
}

bool BrailleKeyUp(uint16_t vk, uint8_t mods) {
  const bool letter = vk >= 'A' && vk <= 'Z';
  if ((mods & platform::kModCtrl) != 0 || !(letter || vk == platform::kVkSpace)) {
    ClearModes();
    return false;
  }
  braille.held &= ~BrailleKeyValue(vk);
  if (braille.held != 0) return true;

  uint8_t c = kNoCharacter;
  if (braille.chord >= 64) {
    ClearModes();
    // Space with a letter's dots gives that letter's control character.
    c = braille.chord == 64 ? ' ' : static_cast<uint8_t>(kBrailleTable[braille.chord & 63] & 31);
  } else {
    c = kBrailleTable[braille.chord];
    if (braille.mode == 2) c = ApplyLiteraryRules(c);
  }
  if (c != kNoCharacter && ConsoleKeyQueueCount() <= kKeyQueueSize - 1) ConsoleQueueKey(c);
  braille.chord = 0;
  return true;
}
