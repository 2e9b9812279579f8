// The menu selector: the program's one interaction widget. A vertical list
// of options drawn on the console, browsed with the arrows, Home/End,
// PgUp/PgDn and first letters, each option spoken as it becomes current,
// chosen with Enter or left with Esc. Only one menu exists at a time:
// MenuBegin opens it (saving the screen cells it will cover), MenuAddOption
// fills it, MenuRun lets the user choose and puts the screen back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// One option of the open menu.
struct TOpcoes {
  int32_t number = 0;  // 1-based position when appended; what MenuRun returns
  std::string sound;   // base name of a recording, as PlaySoundFile takes it; may be empty
  std::string text;    // shown and spoken
};

// Opens a new menu, forgetting any previous one. `height` is the number of
// rows whose cells are saved and put back; `background` a palette index.
// A box that would reach column 80 is moved left, one that would pass the
// last row is moved up.
void MenuBegin(int column, int row, int width, int height, int background);
// Appends an option; `sound` may be empty.
void MenuAddOption(std::string_view sound, std::string_view text);
// Lets the user choose, starting at option 1. Returns the chosen option's
// number, or 0 for Esc and for Enter while no option is current. The
// options are discarded and the box, colours and cursor put back.
int MenuRun();
// The same, starting at option `first` (moved into the list when outside
// it); the text reader uses it to come back to the line it left.
int MenuRunFrom(int first);
// True when the last run ended with Esc (rather than with Enter).
bool MenuEndedByEsc();

// Module start and end; the start also serves tests as a fresh start.
void MenuStart();
void MenuEnd();

// What the open menu looks like after MenuBegin's corrections; for tests.
struct MenuView {
  int x;
  int y;
  int width;
  int top;
  int count;
  int boxX1;
  int boxY1;
  int boxX2;
  int boxY2;
  std::size_t slots;  // length of the option list, slot 0 included
};
MenuView MenuStateForTest();
