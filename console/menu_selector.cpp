#include "console/menu_selector.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "console/console.h"
#include "console/text_output.h"
#include "speech/speech.h"

namespace {

constexpr int kOptionColour = 15;   // white
constexpr int kCurrentColour = 14;  // yellow
// The option list grows by this many slots whenever it is full.
constexpr std::size_t kSlotGrowth = 100;
// The key loop starts with a blank as its "last key" and "extended code":
// neither moves the selection.
constexpr uint8_t kNoKey = ' ';

constexpr uint8_t kEnter = 13;
constexpr uint8_t kEsc = 27;
constexpr uint8_t kTab = 9;

// Codes of the second byte of extended keys.
constexpr uint8_t kExtHome = 71;
constexpr uint8_t kExtUp = 72;
constexpr uint8_t kExtPgUp = 73;
constexpr uint8_t kExtRight = 77;
constexpr uint8_t kExtEnd = 79;
constexpr uint8_t kExtDown = 80;
constexpr uint8_t kExtPgDn = 81;
constexpr uint8_t kExtCtrlPgDn = 118;
constexpr uint8_t kExtCtrlPgUp = 132;
constexpr int kPageStep = 10;

struct MenuState {
  // Where options are drawn, and the number of the option on row y.
  int x = 1;
  int y = 1;
  int width = 0;
  int top = 1;
  int count = 0;
  // Slot 0 is never used; options occupy 1..count.
  std::vector<std::unique_ptr<TOpcoes>> options = std::vector<std::unique_ptr<TOpcoes>>(1);
  // The screen cells the menu covers, saved row by row.
  int boxX1 = 1;
  int boxY1 = 1;
  int boxX2 = 0;
  int boxY2 = 0;
  std::vector<uint8_t> savedChars;
  std::vector<uint8_t> savedAttrs;
  int savedCursorX = 1;
  int savedCursorY = 1;
  uint8_t savedAttr = 0x0F;
  bool endedByEsc = false;
};
MenuState menu;

int BoxWidth() { return std::max(0, menu.boxX2 - menu.boxX1 + 1); }
int BoxHeight() { return std::max(0, menu.boxY2 - menu.boxY1 + 1); }

const std::string& OptionText(int number) {
  return menu.options[static_cast<std::size_t>(number)]->text;
}

bool IsOption(int sel) { return sel >= 1 && sel <= menu.count; }

// Options are drawn padded and cut to the width on every row from y down to
// the console's last row, not only inside the box: a list taller than its
// box leaves its lower rows behind when the menu closes.
void DrawOptions() {
  const std::size_t width = static_cast<std::size_t>(std::max(0, menu.width));
  for (int i = 1; i <= menu.count; ++i) {
    const int row = menu.y + i - menu.top;
    if (row < menu.y) continue;
    if (row > kConsoleRows) break;
    ConsoleGotoXY(menu.x, row);
    ConsoleSetTextColor(kOptionColour);
    std::string cell = OptionText(i).substr(0, width);
    cell.resize(width, ' ');
    WriteText(cell);
  }
}

void ScrollToOption(int sel) {
  int newTop = menu.top;
  if (sel < menu.top) {
    newTop = sel;
  } else {
    while (menu.y + sel - newTop > kConsoleRows) ++newTop;
  }
  if (newTop != menu.top) {
    menu.top = newTop;
    DrawOptions();
  }
}

uint8_t UpperLetter(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 32) : c; }

// Keys that start a first-letter search: control codes 1-26, "*", "+",
// "-", "/", digits and letters.
bool IsSearchKey(uint8_t c) {
  return (c >= 1 && c <= 26) || c == '*' || c == '+' || c == '-' || c == '/' ||
         (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

bool StartsWith(int number, uint8_t c) {
  const std::string& text = OptionText(number);
  std::size_t first = 0;
  while (first < text.size() && static_cast<uint8_t>(text[first]) <= ' ') ++first;
  return first < text.size() && UpperLetter(static_cast<uint8_t>(text[first])) == c;
}

// Moves to the next option after `sel` that starts with `c`, or past the
// last option when none does; from past the end the search starts again
// at the first option.
int SearchFrom(int sel, uint8_t c) {
  if (sel > menu.count) sel = 0;
  do {
    ++sel;
  } while (sel <= menu.count && !StartsWith(sel, c));
  return sel;
}

void Announce(int sel, uint8_t ext) {
  const TOpcoes& option = *menu.options[static_cast<std::size_t>(sel)];
  if (ext == kExtRight) {
    SpellText(option.text);
  } else if (!option.sound.empty() && SoundFileExists(option.sound)) {
    PlaySoundFile(option.sound);
  } else {
    SpeakText(option.text);
  }
}

int MenuSelect(int sel) {
  uint8_t key = kNoKey;
  uint8_t ext = kNoKey;
  bool done = false;
  DrawOptions();
  if (IsOption(sel)) ScrollToOption(sel);
  for (;;) {
    // Take the highlight off the option that was current.
    ConsoleGotoXY(menu.x, menu.y + sel - menu.top);
    if (IsOption(sel)) {
      ConsoleSetTextColor(kOptionColour);
      WriteText(OptionText(sel));
    }
    if (key == 0) {
      switch (ext) {
        case kExtDown:
        case kTab:
          ++sel;
          break;
        case kExtUp:
          --sel;
          break;
        case kExtHome:
        case kExtCtrlPgUp:
          sel = 1;
          break;
        case kExtEnd:
        case kExtCtrlPgDn:
          sel = menu.count;
          break;
        case kExtPgUp:
          sel -= kPageStep;
          break;
        case kExtPgDn:
          sel += kPageStep;
          break;
        default:
          break;  // Right (spelled below), Left and the rest say the option again
      }
    } else if (key == kEnter || key == kEsc) {
      done = true;
    } else if (key == kTab) {
      // Tab moves on like Down; as a search key it could only miss.
      ++sel;
    } else {
      const uint8_t c = UpperLetter(key);
      if (IsSearchKey(c)) sel = SearchFrom(sel, c);
    }
    sel = std::clamp(sel, 0, menu.count + 1);
    if (!IsOption(sel)) {
      PlayBeep();
    } else if (key != kEsc && key != kEnter) {
      ScrollToOption(sel);
      const int row = menu.y + sel - menu.top;
      ConsoleGotoXY(menu.x, row);
      ConsoleSetTextColor(kCurrentColour);
      WriteText(OptionText(sel));
      // The cursor rests on the option's first cell.
      ConsoleGotoXY(menu.x, row);
      Announce(sel, ext);
    }
    if (done) break;
    key = ConsoleReadKey();
    ext = kNoKey;
    StopSpeech();
    if (key == 0) ext = ConsoleReadKey();
  }
  int result = 0;
  menu.endedByEsc = key == kEsc;
  if (IsOption(sel) && key != kEsc) {
    ConsoleGotoXY(menu.x, menu.y + sel - menu.top);
    ConsoleSetTextColor(kCurrentColour);
    WriteText(OptionText(sel));
    ConsoleSetTextColor(kOptionColour);
    result = menu.options[static_cast<std::size_t>(sel)]->number;
  }
  menu.options.clear();
  menu.options.resize(1);
  menu.count = 0;
  return result;
}

// Writes the saved cells back in runs of equal attribute, setting the
// colours only where the attribute changes.
void RestoreBox() {
  const int width = BoxWidth();
  const int height = BoxHeight();
  int previous = 255;
  for (int r = 0; r < height; ++r) {
    ConsoleGotoXY(menu.boxX1, menu.boxY1 + r);
    const std::size_t rowStart = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    int c = 0;
    while (c < width) {
      const uint8_t attr = menu.savedAttrs[rowStart + static_cast<std::size_t>(c)];
      int end = c;
      while (end < width && menu.savedAttrs[rowStart + static_cast<std::size_t>(end)] == attr) ++end;
      if (attr != previous) {
        ConsoleSetTextColor(attr & 15);
        ConsoleSetBackColor(attr >> 4);
        previous = attr;
      }
      WriteText(std::string_view(
          reinterpret_cast<const char*>(menu.savedChars.data()) + rowStart + static_cast<std::size_t>(c),
          static_cast<std::size_t>(end - c)));
      c = end;
    }
  }
  menu.savedChars.clear();
  menu.savedAttrs.clear();
}

int RunFrom(int first) {
  const int result = MenuSelect(first);
  RestoreBox();
  // Assigned directly so the colours come back even while they are locked.
  ConsoleTextAttr = menu.savedAttr;
  ConsoleGotoXY(menu.savedCursorX, menu.savedCursorY);
  return result;
}

}  // namespace

void MenuBegin(int column, int row, int width, int height, int background) {
  menu.savedCursorX = ConsoleWhereX();
  menu.savedCursorY = ConsoleWhereY();
  if (column + width > kConsoleColumns) column = kConsoleColumns - width;
  if (kConsoleRows < row + height) row = kConsoleRows - height + 1;
  if (row < 1) row = 1;
  menu.savedAttr = ConsoleTextAttr;
  ConsoleSetBackColor(background);
  menu.x = column;
  menu.y = row;
  menu.width = width;
  menu.top = 1;
  menu.count = 0;
  menu.options.clear();
  menu.options.resize(1);
  menu.boxX1 = column;
  menu.boxY1 = row;
  menu.boxX2 = column + width - 1;
  menu.boxY2 = std::min(row + height - 1, kConsoleRows);
  const std::size_t cells = static_cast<std::size_t>(BoxWidth()) * static_cast<std::size_t>(BoxHeight());
  menu.savedChars.assign(cells, ' ');
  menu.savedAttrs.assign(cells, 0);
  std::size_t at = 0;
  for (int r = menu.boxY1; r <= menu.boxY2; ++r) {
    for (int c = menu.boxX1; c <= menu.boxX2; ++c) {
      menu.savedChars[at] = ConsoleCharAt(c, r);
      menu.savedAttrs[at] = ConsoleAttrAt(c, r);
      ++at;
    }
  }
}

void MenuAddOption(std::string_view sound, std::string_view text) {
  ++menu.count;
  const auto slot = static_cast<std::size_t>(menu.count);
  if (slot >= menu.options.size()) menu.options.resize(menu.options.size() + kSlotGrowth);
  auto option = std::make_unique<TOpcoes>();
  option->number = menu.count;
  option->sound = std::string(sound);
  option->text = std::string(text);
  menu.options[slot] = std::move(option);
}

int MenuRun() { return RunFrom(1); }

int MenuRunFrom(int first) { return RunFrom(std::clamp(first, 1, std::max(1, menu.count))); }

bool MenuEndedByEsc() { return menu.endedByEsc; }

void MenuStart() { menu = MenuState{}; }

void MenuEnd() { menu = MenuState{}; }

MenuView MenuStateForTest() {
  return {menu.x,     menu.y,     menu.width, menu.top,   menu.count,
          menu.boxX1, menu.boxY1, menu.boxX2, menu.boxY2, menu.options.size()};
}
