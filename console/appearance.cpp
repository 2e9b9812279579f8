#include "console/appearance.h"

#include <algorithm>
#include <cctype>

#include "console/console.h"
#include "platform/profile.h"
#include "platform/window.h"
#include "speech/settings.h"

namespace {

constexpr platform::Rgb kPalette[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
    {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
    {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
};

struct AppearanceState {
  uint8_t colourMap[16] = {};
  bool colourLock = false;
  bool slowScroll = false;
  bool maximised = false;
  int foreground = 7;
  int background = 0;
  int brailleMode = 0;
  int magnifierFactor = 2;
  platform::FontRequest font;
};
AppearanceState appearance;

std::string ReadVideoKey(std::string_view section, std::string_view key, std::string_view fallback,
                         std::size_t maxChars = 80) {
  return platform::GetProfileString(section, key, fallback, maxChars, "SONTRA.INI");
}

bool FirstIsS(const std::string& value) {
  return !value.empty() && std::toupper(static_cast<unsigned char>(value[0])) == 'S';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

void AppearanceStart() {
  appearance = AppearanceState{};
  for (int i = 0; i < 16; ++i) appearance.colourMap[i] = static_cast<uint8_t>(i);
}

void ParseColourMap(std::string_view text) {
  std::string rest = std::string(text) + ",";
  for (int i = 0; i < 16; ++i) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string::npos) return;
    // The comma's place is taken before the blanks are removed, so a
    // leading blank shifts the cut; values written without blanks parse as
    // written.
    const std::string_view trimmed = Trim(rest);
    const ParsedInteger entry = ParseInteger(trimmed.substr(0, comma));
    appearance.colourMap[i] = static_cast<uint8_t>(entry.value & 0xFF);
    if (!entry.valid) return;
    rest.erase(0, comma + 1);
  }
}

uint8_t ColourMapEntry(int colourIndex) { return appearance.colourMap[colourIndex & 15]; }

void ConsoleReadAppearance() {
  std::string value = ReadVideoKey("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
  if (!value.empty()) ParseColourMap(value);
  value = ReadVideoKey("VIDEO", "CORESFIXAS", "N");
  if (!value.empty()) appearance.colourLock = FirstIsS(value);
  value = ReadVideoKey("VIDEO", "LENTO", "N");
  if (!value.empty()) appearance.slowScroll = FirstIsS(value);
  value = ReadVideoKey("VIDEO", "CORFUNDO", "0");
  if (!value.empty()) appearance.background = ParseInteger(value).value;
  value = ReadVideoKey("VIDEO", "CORLETRA", "15");
  if (!value.empty()) appearance.foreground = ParseInteger(value).value;
  value = ReadVideoKey("BRAILLE", "MODO", "0");
  if (!value.empty()) appearance.brailleMode = static_cast<unsigned char>(value[0]) & 3;
  value = ReadVideoKey("VIDEO", "AMPLIF", "2", 1);
  if (!value.empty()) {
    // A factor of 0 (the digits 0 and 8 among others) would divide by zero;
    // it keeps the usual factor instead.
    const int factor = static_cast<unsigned char>(value[0]) & 7;
    appearance.magnifierFactor = factor != 0 ? factor : 2;
  }
  platform::FontRequest& font = appearance.font;
  if (font.face.empty()) font.face = ReadVideoKey("VIDEO", "FONTE", "Lucida Console");
  const platform::Rect work = platform::Backend().WorkArea();
  if (font.width == 0) {
    value = ReadVideoKey("VIDEO", "LARGURALETRA", "");
    font.width = !value.empty() ? ParseInteger(value).value : work.Width() * 13 / 1024;
  }
  if (font.height == 0) {
    value = ReadVideoKey("VIDEO", "ALTURALETRA", "");
    font.height = !value.empty() ? ParseInteger(value).value : work.Height() * 28 / 734;
  }
  if (font.weight == 0) {
    value = ReadVideoKey("VIDEO", "PESOLETRA", "700");
    if (!value.empty()) font.weight = ParseInteger(value).value;
  }
  value = ReadVideoKey("VIDEO", "CANTOTELA", "SIM");
  if (!value.empty()) appearance.maximised = !FirstIsS(value);

  // A text colour above 15 would spill into the background bits; it is kept
  // to its four bits so a mistyped colour cannot change the background.
  ConsoleTextAttr =
      static_cast<uint8_t>(((appearance.background * 16) + (appearance.foreground & 15)) & 0xFF);

  platform::WindowBackend& backend = platform::Backend();
  if (!backend.SelectFont(font)) backend.SelectStockFont();
}

platform::Rgb ConsoleColourOf(int colourIndex) {
  const uint8_t entry = appearance.colourMap[colourIndex & 15];
  return entry <= 15 ? kPalette[entry] : platform::Rgb{0, 0, 0};
}

bool ConsoleColoursLocked() { return appearance.colourLock; }
bool ConsoleSlowScroll() { return appearance.slowScroll; }
bool ConsoleStartMaximised() { return appearance.maximised; }
int ConfiguredBrailleMode() { return appearance.brailleMode; }
int MagnifierFactor() { return appearance.magnifierFactor; }
const platform::FontRequest& ConsoleFontRequest() { return appearance.font; }
