#include "platform/terminal_keys.h"

#include <algorithm>

#include "platform/cp1252.h"
#include "platform/keys.h"

namespace platform {
namespace {

constexpr uint8_t kEsc = 0x1B;
// Numbers in sequences are capped here: no key code or modifier is larger,
// and the cap keeps the arithmetic from overflowing on garbage.
constexpr int kNumberCap = 1 << 22;

// Key codes of the progressive keyboard protocol for keys without a
// character (Unicode private-use numbers).
enum : int {
  kKpCapsLock = 57358,
  kKpPause = 57362,
  kKpF13 = 57376,
  kKpF24 = 57387,
  kKpDigit0 = 57399,
  kKpDigit9 = 57408,
  kKpDecimal = 57409,
  kKpEnter = 57414,
  kKpLeft = 57417,
  kKpDelete = 57426,
  kKpLeftShift = 57441,
  kKpLeftControl = 57442,
  kKpLeftAlt = 57443,
  kKpRightShift = 57447,
  kKpRightControl = 57448,
  kKpRightAlt = 57449,
  kPrivateUseFirst = 57344,
  kPrivateUseLast = 63743,
};

// Modifier bits of the protocol's modifier parameter (which is 1 + bits).
enum : int {
  kBitShift = 1,
  kBitAlt = 2,
  kBitCtrl = 4,
  kBitMeta = 32,
  kBitNumLock = 128,
};

uint8_t ModsOfBits(int bits) {
  uint8_t mods = 0;
  if ((bits & kBitShift) != 0) mods |= kModShift;
  if ((bits & (kBitAlt | kBitMeta)) != 0) mods |= kModAlt;
  if ((bits & kBitCtrl) != 0) mods |= kModCtrl;
  return mods;
}

TerminalEvent Key(TerminalEventKind kind, uint16_t vk, uint8_t mods, int character = -1) {
  TerminalEvent event;
  event.kind = kind;
  event.vk = vk;
  event.mods = mods;
  event.character = character;
  return event;
}

TerminalEvent Notice(TerminalEventKind kind, int value = 0) {
  TerminalEvent event;
  event.kind = kind;
  event.value = value;
  return event;
}

// A control sequence: ESC [, an optional private marker, parameters made of
// ':'-separated parts, and a final byte. Missing numbers are -1.
struct Csi {
  char marker = 0;
  std::vector<std::vector<int>> params;
  char final = 0;

  int Param(std::size_t index, std::size_t part = 0, int missing = -1) const {
    if (index >= params.size() || part >= params[index].size()) return missing;
    const int value = params[index][part];
    return value < 0 ? missing : value;
  }
};

// Parses the bytes after ESC [ up to the final byte. Returns the length
// used (from the ESC), 0 when the sequence is not complete yet, or -1 when
// it is no sequence a terminal sends (its bytes are then dropped).
int ParseCsi(std::string_view text, Csi* csi) {
  std::size_t i = 2;
  if (i < text.size() && (text[i] == '?' || text[i] == '>' || text[i] == '<' || text[i] == '=')) {
    csi->marker = text[i];
    ++i;
  }
  csi->params.assign(1, std::vector<int>{-1});
  for (; i < text.size(); ++i) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte >= '0' && byte <= '9') {
      int& value = csi->params.back().back();
      value = std::min(kNumberCap, (value < 0 ? 0 : value * 10) + (byte - '0'));
    } else if (byte == ';') {
      csi->params.push_back(std::vector<int>{-1});
    } else if (byte == ':') {
      csi->params.back().push_back(-1);
    } else if (byte >= 0x20 && byte <= 0x2F) {
      // Intermediate bytes: no key sequence has them.
      csi->marker = csi->marker == 0 ? '#' : csi->marker;
    } else if (byte >= 0x40 && byte <= 0x7E) {
      csi->final = static_cast<char>(byte);
      return static_cast<int>(i + 1);
    } else {
      return -1;  // a control byte or anything else inside: not a sequence
    }
  }
  return 0;
}

uint16_t VkOfLetterOrDigit(int code) {
  if (code >= 'a' && code <= 'z') return static_cast<uint16_t>(kVkA + (code - 'a'));
  if (code >= 'A' && code <= 'Z') return static_cast<uint16_t>(kVkA + (code - 'A'));
  if (code >= '0' && code <= '9') return static_cast<uint16_t>(kVk0 + (code - '0'));
  return 0;
}

// The key of a single byte below 80h, with `extra` modifiers (Alt when the
// byte followed an Esc).
void AddByteKey(uint8_t byte, uint8_t extra, uint8_t eraseByte, std::vector<TerminalEvent>* out) {
  const auto tap = TerminalEventKind::kTap;
  const bool alt = (extra & kModAlt) != 0;
  if (byte == kTerminalBreakByte) {
    out->push_back(Key(tap, kVkCancel, static_cast<uint8_t>(extra | kModCtrl)));
  } else if (byte == 0x08 || byte == 0x7F) {
    const uint8_t ctrl = byte == eraseByte ? 0 : kModCtrl;
    out->push_back(Key(tap, kVkBack, static_cast<uint8_t>(extra | ctrl)));
  } else if (byte == 0x09) {
    out->push_back(Key(tap, kVkTab, extra));
  } else if (byte == 0x0D) {
    out->push_back(Key(tap, kVkReturn, extra));
  } else if (byte == 0x0A) {
    // What terminals that tell it apart send for Ctrl+Enter; Ctrl+J gives
    // the same queue entry on a real keyboard.
    out->push_back(Key(tap, kVkReturn, static_cast<uint8_t>(extra | kModCtrl)));
  } else if (byte == 0x00) {
    out->push_back(Key(tap, kVkSpace, static_cast<uint8_t>(extra | kModCtrl)));
  } else if (byte >= 0x01 && byte <= 0x1A) {
    out->push_back(Key(tap, static_cast<uint16_t>(kVkA + byte - 1), static_cast<uint8_t>(extra | kModCtrl)));
  } else if (byte == kEsc) {
    out->push_back(Key(tap, kVkEscape, extra));
  } else if (byte < 0x20) {
    // Ctrl+], Ctrl+^, Ctrl+_: their character is all the program sees.
    out->push_back(Key(tap, kVkOther, static_cast<uint8_t>(extra | kModCtrl), alt ? -1 : byte));
  } else {
    uint16_t vk = VkOfLetterOrDigit(byte);
    uint8_t mods = extra;
    if (byte >= 'A' && byte <= 'Z') mods |= kModShift;
    if (byte == ' ') vk = kVkSpace;
    if (vk == 0) vk = kVkOther;
    out->push_back(Key(tap, vk, mods, alt ? -1 : byte));
  }
}

// The key of a typed character given by its code point.
void AddCharacterKey(char32_t codePoint, uint8_t extra, uint8_t eraseByte,
                     std::vector<TerminalEvent>* out) {
  if (codePoint < 0x80) {
    AddByteKey(static_cast<uint8_t>(codePoint), extra, eraseByte, out);
    return;
  }
  const int character = CodePointToCp1252(codePoint);
  // Characters the code page lacks, and C1 controls, type nothing.
  if (character < 0xA0 && (character < 0 || Cp1252ToCodePoint(static_cast<uint8_t>(character)) < 0xA0)) {
    return;
  }
  const bool alt = (extra & kModAlt) != 0;
  out->push_back(Key(TerminalEventKind::kTap, kVkOther, extra, alt ? -1 : character));
}

// Decodes one UTF-8 character at the front of `text`. Returns its length,
// 0 when incomplete, or -1 when the first byte starts no valid character.
int DecodeUtf8(std::string_view text, char32_t* codePoint) {
  const auto lead = static_cast<uint8_t>(text[0]);
  int length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
    minimum = 0x10000;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= text.size()) return 0;
    const auto byte = static_cast<uint8_t>(text[static_cast<std::size_t>(i)]);
    if ((byte & 0xC0) != 0x80) return -1;
    value = (value << 6) | (byte & 0x3Fu);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return -1;
  *codePoint = value;
  return length;
}

uint16_t VkOfFunctionNumber(int number) {
  switch (number) {
    case 1:
    case 7: return kVkHome;
    case 2: return kVkInsert;
    case 3: return kVkDelete;
    case 4:
    case 8: return kVkEnd;
    case 5: return kVkPrior;
    case 6: return kVkNext;
    case 11: case 12: case 13: case 14: case 15:
      return static_cast<uint16_t>(kVkF1 + (number - 11));
    case 17: case 18: case 19: case 20: case 21:
      return static_cast<uint16_t>(kVkF1 + 5 + (number - 17));
    case 23:
    case 24: return static_cast<uint16_t>(kVkF11 + (number - 23));
    // The further function keys some terminals give Shift+F1 and up.
    case 25:
    case 26: return static_cast<uint16_t>(kVkF1 + 12 + (number - 25));
    case 28:
    case 29: return static_cast<uint16_t>(kVkF1 + 14 + (number - 28));
    case 31: case 32: case 33: case 34:
      return static_cast<uint16_t>(kVkF1 + 16 + (number - 31));
    default: return 0;
  }
}

uint16_t VkOfFinal(char final) {
  switch (final) {
    case 'A': return kVkUp;
    case 'B': return kVkDown;
    case 'C': return kVkRight;
    case 'D': return kVkLeft;
    case 'H': return kVkHome;
    case 'F': return kVkEnd;
    case 'P': return kVkF1;
    case 'Q': return static_cast<uint16_t>(kVkF1 + 1);
    case 'R': return static_cast<uint16_t>(kVkF1 + 2);
    case 'S': return static_cast<uint16_t>(kVkF1 + 3);
    default: return 0;
  }
}

TerminalEventKind KindOfEventType(int type, bool releases) {
  if (type == 3) return TerminalEventKind::kUp;
  if (type == 2) return TerminalEventKind::kRepeat;
  return releases ? TerminalEventKind::kDown : TerminalEventKind::kTap;
}

// The key of a key code of the progressive protocol (also used by the
// other-keys form CSI 27;mods;code~). 0 for keys the program has no use for.
uint16_t VkOfKeyCode(int code, int bits) {
  if (const uint16_t vk = VkOfLetterOrDigit(code)) return vk;
  const bool numLock = (bits & kBitNumLock) != 0;
  if (code >= kKpDigit0 && code <= kKpDigit9) {
    const int digit = code - kKpDigit0;
    if (numLock) return static_cast<uint16_t>(kVk0 + digit);
    static constexpr uint16_t kCursorBlock[10] = {kVkInsert, kVkEnd,  kVkDown, kVkNext,  kVkLeft,
                                                  0,         kVkRight, kVkHome, kVkUp,   kVkPrior};
    return kCursorBlock[digit];
  }
  switch (code) {
    case 13:
    case kKpEnter: return kVkReturn;
    case 27: return kVkEscape;
    case 9: return kVkTab;
    case 8:
    case 127: return kVkBack;
    case 32: return kVkSpace;
    case kKpDecimal: return numLock ? kVkOther : kVkDelete;
    case kKpLeft: return kVkLeft;
    case kKpLeft + 1: return kVkRight;
    case kKpLeft + 2: return kVkUp;
    case kKpLeft + 3: return kVkDown;
    case kKpLeft + 4: return kVkPrior;
    case kKpLeft + 5: return kVkNext;
    case kKpLeft + 6: return kVkHome;
    case kKpLeft + 7: return kVkEnd;
    case kKpLeft + 8: return kVkInsert;
    case kKpDelete: return kVkDelete;
    case kKpLeftShift:
    case kKpRightShift: return kVkShift;
    case kKpLeftControl:
    case kKpRightControl: return kVkControl;
    case kKpLeftAlt:
    case kKpRightAlt: return kVkMenu;
    case kKpCapsLock: return kVkCapital;
    case kKpPause: return kVkPause;
    default: break;
  }
  if (code >= kKpF13 && code <= kKpF24) return static_cast<uint16_t>(kVkF1 + 12 + (code - kKpF13));
  if (code >= kPrivateUseFirst && code <= kPrivateUseLast) return 0;
  if (code > 32 && code != 127) return kVkOther;  // punctuation, accented letters
  return 0;
}

// The character of a key code when the terminal did not send the text.
int CharacterOfKeyCode(int code, int shifted, int bits) {
  if (code >= kKpDigit0 && code <= kKpDigit9) {
    return (bits & kBitNumLock) != 0 ? '0' + (code - kKpDigit0) : -1;
  }
  if (code < 32 || code == 127 || (code >= kPrivateUseFirst && code <= kPrivateUseLast)) return -1;
  int typed = code;
  if ((bits & kBitShift) != 0) {
    if (shifted > 0) {
      typed = shifted;
    } else if (code >= 'a' && code <= 'z') {
      typed = code - 'a' + 'A';
    }
  }
  if (typed < 0x80) return typed;
  const int character = CodePointToCp1252(static_cast<char32_t>(typed));
  return character >= 0xA0 ? character : -1;
}

void AddCodeKey(const Csi& csi, int code, int shifted, int modifierParam, int eventType,
                bool releases, std::vector<TerminalEvent>* out) {
  const int bits = modifierParam > 0 ? modifierParam - 1 : 0;
  const uint8_t mods = ModsOfBits(bits);
  uint16_t vk = VkOfKeyCode(code, bits);
  const bool ctrl = (mods & kModCtrl) != 0;
  // Ctrl+\ and Ctrl+Pause are the Break key here, as in raw mode.
  if (ctrl && (code == '\\' || code == kKpPause)) vk = kVkCancel;
  if (vk == 0) return;
  const TerminalEventKind kind = KindOfEventType(eventType, releases);
  int character = -1;
  if (kind != TerminalEventKind::kUp && (mods & (kModCtrl | kModAlt)) == 0) {
    // The text the key typed, when the terminal reports it (the third
    // parameter), is right for any keyboard layout.
    if (csi.params.size() > 2 && csi.Param(2) > 0) {
      const auto text = static_cast<char32_t>(csi.Param(2));
      character = text < 0x80 ? static_cast<int>(text) : CodePointToCp1252(text);
      if (character >= 0 && (character < 0x20 || character == 0x7F || (character >= 0x80 && character < 0xA0))) {
        character = -1;
      }
    } else {
      character = CharacterOfKeyCode(code, shifted, bits);
    }
    // Enter, Esc, Tab and Backspace get their character from the key-down.
    if (vk == kVkReturn || vk == kVkEscape || vk == kVkTab || vk == kVkBack) character = -1;
  }
  if (ctrl && (mods & kModAlt) == 0 && kind != TerminalEventKind::kUp) {
    // Ctrl+], Ctrl+^, Ctrl+_ type their control character.
    if (code == ']' || code == '^' || code == '_') character = code & 0x1F;
  }
  out->push_back(Key(kind, vk, mods, character));
}

// Turns one control sequence into events.
void AddCsi(const Csi& csi, uint8_t extra, bool releases, std::vector<TerminalEvent>* out) {
  if (csi.marker == '?') {
    if (csi.final == 'u') out->push_back(Notice(TerminalEventKind::kKeyboardFlags, std::max(0, csi.Param(0))));
    if (csi.final == 'c') out->push_back(Notice(TerminalEventKind::kDeviceAttributes));
    return;
  }
  if (csi.marker != 0) return;
  const char final = csi.final;
  if ((final == 'I' || final == 'O') && csi.Param(0) < 0) {
    out->push_back(Notice(final == 'I' ? TerminalEventKind::kFocusIn : TerminalEventKind::kFocusOut));
    return;
  }
  if (final == 'u') {
    AddCodeKey(csi, csi.Param(0), csi.Param(0, 1), csi.Param(1, 0, 1) + (extra != 0 ? kBitAlt : 0),
               csi.Param(1, 1, 1), releases, out);
    return;
  }
  if (final == '~' && csi.Param(0) == 27) {
    // The "other keys" form: CSI 27 ; modifiers ; code ~.
    Csi plain;
    AddCodeKey(plain, csi.Param(2), -1, csi.Param(1, 0, 1), 1, false, out);
    return;
  }
  uint16_t vk = 0;
  int bits = csi.Param(1, 0, 1) - 1;
  if (final == '~' || final == '^' || final == '$' || final == '@') {
    vk = VkOfFunctionNumber(csi.Param(0));
    if (final == '^' || final == '@') bits |= kBitCtrl;
    if (final == '$' || final == '@') bits |= kBitShift;
  } else if (final == 'Z') {
    vk = kVkTab;
    bits |= kBitShift;
  } else if (final >= 'a' && final <= 'd') {
    vk = VkOfFinal(static_cast<char>(final - 'a' + 'A'));  // Shift+arrow, rxvt style
    bits |= kBitShift;
  } else {
    vk = VkOfFinal(final);
  }
  if (vk == 0) return;
  const uint8_t mods = static_cast<uint8_t>(ModsOfBits(std::max(0, bits)) | extra);
  out->push_back(Key(KindOfEventType(csi.Param(1, 1, 1), releases), vk, mods));
}

// The keys of the single-shift form ESC O x: arrows, Home, End and F1-F4 in
// the cursor-key mode some terminals keep; lower-case arrows are Ctrl+arrow.
bool AddSs3(uint8_t final, uint8_t extra, std::vector<TerminalEvent>* out) {
  uint16_t vk = VkOfFinal(static_cast<char>(final));
  uint8_t mods = extra;
  if (vk == 0 && final >= 'a' && final <= 'd') {
    vk = VkOfFinal(static_cast<char>(final - 'a' + 'A'));
    mods |= kModCtrl;
  }
  if (final == 'M') vk = kVkReturn;
  if (vk == 0) return false;
  out->push_back(Key(TerminalEventKind::kTap, vk, mods));
  return true;
}

// Decodes the event at the front of `text`. Returns the bytes used; 0 when
// more bytes are needed (never when `final`, the escape wait having passed).
std::size_t DecodeOne(std::string_view text, bool final, const TerminalKeyDecoder& decoder,
                      std::vector<TerminalEvent>* out) {
  const auto first = static_cast<uint8_t>(text[0]);
  const uint8_t erase = decoder.eraseByte;
  if (first >= 0x80) {
    char32_t codePoint = 0;
    const int length = DecodeUtf8(text, &codePoint);
    if (length == 0) return final ? text.size() : 0;  // an incomplete character is dropped
    if (length < 0) return 1;
    AddCharacterKey(codePoint, 0, erase, out);
    return static_cast<std::size_t>(length);
  }
  if (first != kEsc) {
    AddByteKey(first, 0, erase, out);
    return 1;
  }
  if (text.size() == 1) {
    if (!final) return 0;
    AddByteKey(kEsc, 0, erase, out);
    return 1;
  }
  // Esc Esc followed by a sequence is Alt and that key; a second Esc alone
  // is a second Esc.
  std::size_t start = 1;
  uint8_t extra = 0;
  if (static_cast<uint8_t>(text[1]) == kEsc) {
    if (text.size() == 2) {
      if (!final) return 0;
      AddByteKey(kEsc, 0, erase, out);
      return 1;
    }
    if (text[2] != '[' && text[2] != 'O') {
      AddByteKey(kEsc, 0, erase, out);
      return 1;
    }
    start = 2;
    extra = kModAlt;
  }
  const std::string_view rest = text.substr(start - 1);  // from the Esc that starts it
  const char introducer = rest[1];
  if (introducer == '[') {
    // The Linux console's F1-F5: ESC [ [ A..E.
    if (rest.size() >= 3 && rest[2] == '[') {
      if (rest.size() == 3) {
        if (!final) return 0;
      } else {
        const auto key = static_cast<uint8_t>(rest[3]);
        if (key >= 'A' && key <= 'E') out->push_back(Key(TerminalEventKind::kTap, static_cast<uint16_t>(kVkF1 + key - 'A'), extra));
        return start - 1 + 4;
      }
    } else {
      Csi csi;
      const int used = ParseCsi(rest, &csi);
      if (used > 0) {
        AddCsi(csi, extra, decoder.reportsReleases, out);
        return start - 1 + static_cast<std::size_t>(used);
      }
      if (used < 0) return start - 1 + 2;  // drop the ESC [ and go on with what follows
      if (!final && rest.size() < kTerminalMaxSequence) return 0;
      if (rest.size() >= kTerminalMaxSequence) return text.size();
    }
  } else if (introducer == 'O') {
    if (rest.size() == 2) {
      if (!final) return 0;
    } else {
      // Some terminals put a modifier digit between: ESC O 5 A.
      std::size_t at = 2;
      uint8_t mods = extra;
      if (rest.size() > 3 && rest[2] >= '2' && rest[2] <= '9') {
        mods |= ModsOfBits(rest[2] - '1');
        at = 3;
      }
      if (AddSs3(static_cast<uint8_t>(rest[at]), mods, out)) return start - 1 + at + 1;
      if (at == 3) return start - 1 + at + 1;
    }
  }
  // Esc and a character (or a sequence cut short by the wait): Alt and that
  // character.
  const auto next = static_cast<uint8_t>(text[1]);
  if (next >= 0x80) {
    char32_t codePoint = 0;
    const int length = DecodeUtf8(text.substr(1), &codePoint);
    if (length == 0) return final ? text.size() : 0;
    if (length < 0) {
      AddByteKey(kEsc, 0, erase, out);
      return 1;
    }
    AddCharacterKey(codePoint, kModAlt, erase, out);
    return 1 + static_cast<std::size_t>(length);
  }
  AddByteKey(next, kModAlt, erase, out);
  return 2;
}

}  // namespace

void TerminalDecode(TerminalKeyDecoder& decoder, std::string_view bytes,
                    std::vector<TerminalEvent>* out) {
  decoder.pending.append(bytes);
  std::size_t at = 0;
  while (at < decoder.pending.size()) {
    const std::size_t used = DecodeOne(std::string_view(decoder.pending).substr(at), false, decoder, out);
    if (used == 0) break;
    at += used;
  }
  decoder.pending.erase(0, at);
  // Nothing a terminal sends is this long; holding it would only grow.
  if (decoder.pending.size() > kTerminalMaxSequence) decoder.pending.clear();
}

void TerminalDecodeFlush(TerminalKeyDecoder& decoder, std::vector<TerminalEvent>* out) {
  std::size_t at = 0;
  while (at < decoder.pending.size()) {
    at += DecodeOne(std::string_view(decoder.pending).substr(at), true, decoder, out);
  }
  decoder.pending.clear();
}

bool PostTerminalEvent(MessageSink& sink, const TerminalEvent& event) {
  switch (event.kind) {
    case TerminalEventKind::kTap:
    case TerminalEventKind::kDown:
    case TerminalEventKind::kRepeat:
      PostKeyDown(sink, event.vk, event.mods);
      if (event.character >= 0) PostChar(sink, static_cast<uint8_t>(event.character), event.mods);
      if (event.kind == TerminalEventKind::kTap) PostKeyUp(sink, event.vk, event.mods);
      return true;
    case TerminalEventKind::kUp:
      PostKeyUp(sink, event.vk, event.mods);
      return true;
    default:
      return false;
  }
}

}  // namespace platform
