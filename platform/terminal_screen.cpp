#include "platform/terminal_screen.h"

#include <algorithm>

#include "platform/cp1252.h"

namespace platform {
namespace {

// The usual appearance of the 16 standard colours, used to pick the
// nearest one; the terminal's own palette shows them as the user set it.
constexpr Rgb kStandardColours[16] = {
    {0, 0, 0},       {170, 0, 0},     {0, 170, 0},     {170, 85, 0},
    {0, 0, 170},     {170, 0, 170},   {0, 170, 170},   {170, 170, 170},
    {85, 85, 85},    {255, 85, 85},   {85, 255, 85},   {255, 255, 85},
    {85, 85, 255},   {255, 85, 255},  {85, 255, 255},  {255, 255, 255},
};

int Index(int column, int row) { return row * kTerminalColumns + column; }

void AppendNumber(std::string& out, int value) { out += std::to_string(value); }

void MoveTo(TerminalScreen& screen, std::string& out, int column, int row) {
  if (screen.terminalColumn == column && screen.terminalRow == row) return;
  out += "\x1b[";
  AppendNumber(out, row + 1);
  out += ';';
  AppendNumber(out, column + 1);
  out += 'H';
  screen.terminalColumn = column;
  screen.terminalRow = row;
}

}  // namespace

int NearestStandardColour(Rgb colour) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 16; ++i) {
    const Rgb& candidate = kStandardColours[i];
    const long dr = long{colour.r} - candidate.r;
    const long dg = long{colour.g} - candidate.g;
    const long db = long{colour.b} - candidate.b;
    // Green counts most and blue least for the eye.
    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

std::string ScreenColourSequence(Rgb fg, Rgb bg, TerminalColours colours) {
  std::string out = "\x1b[";
  if (colours == TerminalColours::kTrueColour) {
    out += "38;2;" + std::to_string(fg.r) + ';' + std::to_string(fg.g) + ';' + std::to_string(fg.b);
    out += ";48;2;" + std::to_string(bg.r) + ';' + std::to_string(bg.g) + ';' + std::to_string(bg.b);
  } else {
    const int f = NearestStandardColour(fg);
    const int b = NearestStandardColour(bg);
    AppendNumber(out, f < 8 ? 30 + f : 90 + f - 8);
    out += ';';
    AppendNumber(out, b < 8 ? 40 + b : 100 + b - 8);
  }
  out += 'm';
  return out;
}

void AppendCellCharacter(std::string& out, uint8_t character) {
  const char32_t codePoint = Cp1252ToCodePoint(character);
  // A control code written out would move the cursor or start a sequence;
  // DEL and the C1 codes (the code page's five unused bytes) included.
  if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0)) {
    out += '?';
    return;
  }
  AppendUtf8(out, codePoint);
}

void ScreenDrawText(TerminalScreen& screen, int column, int row, const uint8_t* text, int count,
                    Rgb fg, Rgb bg) {
  if (text == nullptr || row < 0 || row >= kTerminalRows) return;
  for (int i = std::max(0, -column); i < count; ++i) {
    const long target = long{column} + i;
    if (target >= kTerminalColumns) break;
    TerminalCell& cell = screen.wanted[static_cast<std::size_t>(Index(static_cast<int>(target), row))];
    cell = TerminalCell{text[i], fg, bg};
  }
  screen.changed = true;
}

void ScreenFill(TerminalScreen& screen, const Rect& cells, Rgb colour) {
  const int left = std::max(0, cells.left);
  const int right = std::min(kTerminalColumns, cells.right);
  const int top = std::max(0, cells.top);
  const int bottom = std::min(kTerminalRows, cells.bottom);
  for (int row = top; row < bottom; ++row) {
    for (int column = left; column < right; ++column) {
      screen.wanted[static_cast<std::size_t>(Index(column, row))] = TerminalCell{' ', colour, colour};
    }
  }
  screen.changed = true;
}

void ScreenCopy(TerminalScreen& screen, const Rect& source, int destColumn, int destRow) {
  const std::vector<TerminalCell> before = screen.wanted;
  for (int row = source.top; row < source.bottom; ++row) {
    for (int column = source.left; column < source.right; ++column) {
      const int toColumn = destColumn + (column - source.left);
      const int toRow = destRow + (row - source.top);
      if (column < 0 || column >= kTerminalColumns || row < 0 || row >= kTerminalRows) continue;
      if (toColumn < 0 || toColumn >= kTerminalColumns || toRow < 0 || toRow >= kTerminalRows) continue;
      screen.wanted[static_cast<std::size_t>(Index(toColumn, toRow))] =
          before[static_cast<std::size_t>(Index(column, row))];
    }
  }
  screen.changed = true;
}

void ScreenSetCursor(TerminalScreen& screen, bool visible, int column, int row) {
  column = std::clamp(column, 0, kTerminalColumns - 1);
  row = std::clamp(row, 0, kTerminalRows - 1);
  if (screen.cursorWanted == visible && screen.cursorColumn == column && screen.cursorRow == row) return;
  screen.cursorWanted = visible;
  screen.cursorColumn = column;
  screen.cursorRow = row;
  screen.changed = true;
}

void ScreenForget(TerminalScreen& screen) {
  screen.shownValid = false;
  screen.shownColours.clear();
  screen.terminalColumn = -1;
  screen.terminalRow = -1;
  screen.cursorKnown = false;
  screen.changed = true;
}

std::string ScreenRender(TerminalScreen& screen) {
  std::string out;
  if (!screen.changed) return out;
  screen.changed = false;
  bool hidden = false;
  for (int row = 0; row < kTerminalRows; ++row) {
    for (int column = 0; column < kTerminalColumns; ++column) {
      const auto at = static_cast<std::size_t>(Index(column, row));
      const TerminalCell& cell = screen.wanted[at];
      if (screen.shownValid && screen.shown[at] == cell) continue;
      if (!hidden && (!screen.cursorKnown || screen.cursorShown)) {
        // The cursor would flicker across the cells being written.
        out += "\x1b[?25l";
        screen.cursorShown = false;
        screen.cursorKnown = true;
      }
      hidden = true;
      MoveTo(screen, out, column, row);
      const std::string colours = ScreenColourSequence(cell.fg, cell.bg, screen.colours);
      if (colours != screen.shownColours) {
        out += colours;
        screen.shownColours = colours;
      }
      AppendCellCharacter(out, cell.character);
      screen.shown[at] = cell;
      // After the last column a terminal of exactly that width waits to
      // wrap; where its cursor then stands is not certain.
      if (column + 1 < kTerminalColumns) {
        screen.terminalColumn = column + 1;
      } else {
        screen.terminalColumn = -1;
        screen.terminalRow = -1;
      }
    }
  }
  screen.shownValid = true;
  if (screen.cursorWanted) {
    // The cursor stands where the program's cursor is, so a screen reader
    // that follows it reads the line being typed on.
    MoveTo(screen, out, screen.cursorColumn, screen.cursorRow);
    if (!screen.cursorKnown || !screen.cursorShown) out += "\x1b[?25h";
    screen.cursorShown = true;
    screen.cursorKnown = true;
  } else if (!screen.cursorKnown || screen.cursorShown) {
    out += "\x1b[?25l";
    screen.cursorShown = false;
    screen.cursorKnown = true;
  }
  return out;
}

}  // namespace platform
