// The console's cells on a text terminal: only changed cells are written,
// colours in 24 bits or as the nearest of the 16 standard ones, characters
// in UTF-8 and never as control codes, the cursor where a key is awaited.
#include <gtest/gtest.h>

#include <string>

#include "platform/terminal_screen.h"

namespace {

using platform::Rgb;
using platform::TerminalColours;
using platform::TerminalScreen;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

void Draw(TerminalScreen& screen, int column, int row, const std::string& text, Rgb fg = kWhite,
          Rgb bg = kBlack) {
  platform::ScreenDrawText(screen, column, row, reinterpret_cast<const uint8_t*>(text.data()),
                           static_cast<int>(text.size()), fg, bg);
}

TEST(TerminalScreen, OnlyChangedCellsAreWrittenAfterTheFirstPicture) {
  TerminalScreen screen;
  const std::string first = platform::ScreenRender(screen);
  EXPECT_EQ(first.substr(0, 6), "\x1b[?25l");
  EXPECT_NE(first.find("\x1b[1;1H"), std::string::npos);
  EXPECT_NE(first.find("\x1b[25;1H"), std::string::npos);
  EXPECT_EQ(platform::ScreenRender(screen), "");  // nothing changed

  Draw(screen, 10, 4, "Ol\xe1");
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[5;11HOl\xc3\xa1");
  // Drawing what is already shown writes nothing.
  Draw(screen, 10, 4, "Ol\xe1");
  EXPECT_EQ(platform::ScreenRender(screen), "");
  // A new colour is set once for its run, and the old one back after it.
  Draw(screen, 0, 0, "AB", kYellow, kBlue);
  Draw(screen, 2, 0, "C");
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[1;1H\x1b[93;44mAB\x1b[97;40mC");

  // After the terminal lost its contents, everything is written again.
  platform::ScreenForget(screen);
  const std::string again = platform::ScreenRender(screen);
  EXPECT_NE(again.find("Ol\xc3\xa1"), std::string::npos);
  EXPECT_GT(again.size(), 2000u);
}

TEST(TerminalScreen, CursorStandsAtTheAwaitedKeyAndHidesOtherwise) {
  TerminalScreen screen;
  platform::ScreenRender(screen);
  platform::ScreenSetCursor(screen, true, 4, 2);
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[3;5H\x1b[?25h");
  // Writing a cell hides the cursor while it moves, then puts it back.
  Draw(screen, 0, 24, "x");
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[?25l\x1b[25;1Hx\x1b[3;5H\x1b[?25h");
  platform::ScreenSetCursor(screen, false, 4, 2);
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[?25l");
  // Positions outside the grid are clamped to it.
  platform::ScreenSetCursor(screen, true, 500, -3);
  EXPECT_EQ(platform::ScreenRender(screen), "\x1b[1;80H\x1b[?25h");
}

TEST(TerminalScreen, ControlCodesAreNeverWrittenAsSuch) {
  struct Case {
    uint8_t byte;
    std::string shown;
  } const cases[] = {
      {'a', "a"},           {0xE7, "\xc3\xa7"},  {0x80, "\xe2\x82\xac"}, {0x7F, "?"},
      {0x81, "?"},          {0x9D, "?"},         {0x1B, "?"},            {0x00, "?"},
      {0x9B, "\xe2\x80\xba"},  // a quotation mark here, not the C1 CSI
  };
  for (const Case& c : cases) {
    std::string out;
    platform::AppendCellCharacter(out, c.byte);
    EXPECT_EQ(out, c.shown) << static_cast<int>(c.byte);
  }
}

TEST(TerminalScreen, ColoursInTwentyFourBitsOrTheNearestStandardOne) {
  EXPECT_EQ(platform::ScreenColourSequence(kYellow, kBlue, TerminalColours::kTrueColour),
            "\x1b[38;2;255;255;0;48;2;0;0;255m");
  // The console's palette colours and the standard colour nearest each.
  struct Case {
    Rgb colour;
    int standard;
  } const cases[] = {
      {{0, 0, 0}, 0},        {{0, 0, 255}, 4},      {{0, 255, 0}, 2},     {{0, 255, 255}, 14},
      {{255, 0, 0}, 1},      {{142, 0, 142}, 5},    {{68, 34, 34}, 8},    {{192, 192, 192}, 7},
      {{128, 128, 255}, 12}, {{128, 255, 128}, 10}, {{128, 255, 255}, 14}, {{255, 128, 128}, 9},
      {{255, 128, 255}, 13}, {{255, 255, 0}, 11},   {{255, 255, 255}, 15},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::NearestStandardColour(c.colour), c.standard)
        << int{c.colour.r} << "," << int{c.colour.g} << "," << int{c.colour.b};
  }
  EXPECT_EQ(platform::ScreenColourSequence(kWhite, kBlack, TerminalColours::kSixteen), "\x1b[97;40m");
}

TEST(TerminalScreen, DrawingFillingAndCopyingStayInsideTheGrid) {
  TerminalScreen screen;
  Draw(screen, 78, 0, "abcdef");
  Draw(screen, -2, 1, "xyz");
  Draw(screen, 0, 25, "never");
  EXPECT_EQ(screen.wanted[78].character, 'a');
  EXPECT_EQ(screen.wanted[79].character, 'b');
  EXPECT_EQ(screen.wanted[80].character, 'z');
  // Scrolling by copying rows up one and filling the last.
  Draw(screen, 0, 24, "last");
  platform::ScreenCopy(screen, platform::Rect{0, 1, 80, 25}, 0, 0);
  platform::ScreenFill(screen, platform::Rect{0, 24, 80, 25}, kBlue);
  EXPECT_EQ(screen.wanted[0].character, 'z');
  EXPECT_EQ(screen.wanted[23 * 80].character, 'l');
  EXPECT_EQ(screen.wanted[24 * 80].character, ' ');
  EXPECT_EQ(screen.wanted[24 * 80].bg, kBlue);
  platform::ScreenCopy(screen, platform::Rect{-5, -5, 200, 200}, 70, 20);  // clipped, no fault
  platform::ScreenFill(screen, platform::Rect{-5, -5, 200, 200}, kBlack);
  EXPECT_EQ(screen.wanted[24 * 80 + 79].bg, kBlack);
}

}  // namespace
