// The console's cells as a text terminal shows them: what the program drew
// (one Windows-1252 character and two colours per cell), what the terminal
// already shows, and the escape sequences that bring the terminal from the
// one to the other, writing only the cells that changed. Nothing here
// touches a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

inline constexpr int kTerminalColumns = 80;
inline constexpr int kTerminalRows = 25;

enum class TerminalColours : uint8_t {
  kSixteen,    // the 16 standard colours, the nearest one to each colour
  kTrueColour  // 24-bit colour, where the terminal says it has it
};

struct TerminalCell {
  uint8_t character = ' ';
  Rgb fg{255, 255, 255};
  Rgb bg{0, 0, 0};
  bool operator==(const TerminalCell&) const = default;
};

struct TerminalScreen {
  std::vector<TerminalCell> wanted = std::vector<TerminalCell>(kTerminalColumns * kTerminalRows);
  std::vector<TerminalCell> shown = std::vector<TerminalCell>(kTerminalColumns * kTerminalRows);
  // The terminal's own state as far as it is known: its cells (false after
  // it was cleared), its colours, where its cursor stands.
  bool shownValid = false;
  std::string shownColours;  // the colour sequence in force; empty: unknown
  int terminalColumn = -1;   // -1: unknown
  int terminalRow = -1;
  bool cursorShown = false;
  bool cursorKnown = false;  // cursorShown is what the terminal has
  // The cursor the program wants: shown at a cell while it waits for a key.
  bool cursorWanted = false;
  int cursorColumn = 0;
  int cursorRow = 0;
  TerminalColours colours = TerminalColours::kSixteen;
  bool changed = true;  // something may differ from what is shown
};

// Drawing on the cells, in cell coordinates, clipped to the grid.
void ScreenDrawText(TerminalScreen& screen, int column, int row, const uint8_t* text, int count,
                    Rgb fg, Rgb bg);
void ScreenFill(TerminalScreen& screen, const Rect& cells, Rgb colour);
void ScreenCopy(TerminalScreen& screen, const Rect& source, int destColumn, int destRow);
void ScreenSetCursor(TerminalScreen& screen, bool visible, int column, int row);

// The terminal was cleared or lost its contents: everything is written again.
void ScreenForget(TerminalScreen& screen);
// The escape sequences that make the terminal show the wanted cells and
// cursor, written from the terminal's top-left corner; the screen then
// counts them as shown. Empty when nothing changed.
std::string ScreenRender(TerminalScreen& screen);

// The colour sequence (SGR) for a pair of colours.
std::string ScreenColourSequence(Rgb fg, Rgb bg, TerminalColours colours);
// The index 0-15 of the standard terminal colour nearest to `colour`
// (0-7 normal, 8-15 bright, in the terminal's order: black, red, green,
// yellow, blue, magenta, cyan, white).
int NearestStandardColour(Rgb colour);
// Appends the UTF-8 form of a cell's Windows-1252 character; characters
// that would be control codes to a terminal are shown as "?".
void AppendCellCharacter(std::string& out, uint8_t character);

}  // namespace platform
