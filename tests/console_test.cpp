#include <gtest/gtest.h>

#include "console/text_output.h"
#include "platform/keys.h"
#include "tests/console_fixture.h"

using platform::kModAlt;
using platform::kModCtrl;
using platform::kModShift;
using testing_support::ConsoleTest;
using testing_support::KeyPress;

TEST_F(ConsoleTest, WrapsAfterTheLastColumnOnlyWhenTheNextCharacterComes) {
  ConsoleClearScreen();
  Write(std::string(80, 'x'));
  EXPECT_EQ(ConsoleWhereX(), 81);
  EXPECT_EQ(ConsoleWhereY(), 1);
  Write("\r\n");  // a line end right after the 80th character moves one row
  EXPECT_EQ(ConsoleWhereY(), 2);
  EXPECT_EQ(ConsoleWhereX(), 1);
  Write(std::string(80, 'y') + "z");
  EXPECT_EQ(ConsoleCharAt(1, 3), 'z');
  EXPECT_EQ(ConsoleWhereX(), 2);
  Write("\n");  // a line feed alone also returns the carriage
  EXPECT_EQ(ConsoleWhereX(), 1);
  EXPECT_EQ(ConsoleWhereY(), 4);
}

TEST_F(ConsoleTest, BackspaceControlBytesAndBell) {
  ConsoleClearScreen();
  Write("\b");
  EXPECT_EQ(ConsoleWhereX(), 1);
  ConsoleTextAttr = 0x1E;
  Write("ab\b");
  EXPECT_EQ(ConsoleWhereX(), 2);
  EXPECT_EQ(ConsoleCharAt(2, 1), ' ');
  EXPECT_EQ(ConsoleAttrAt(2, 1), 0x1E);
  Write(std::string("\t\x01\x0b\x0c\x1f", 5));
  EXPECT_EQ(ConsoleWhereX(), 2);
  EXPECT_EQ(Row(1).substr(0, 3), "a  ");
  EXPECT_EQ(window_->beeps, 0);
  Write("\a");
  EXPECT_EQ(window_->beeps, 1);
  EXPECT_EQ(ConsoleWhereX(), 2);
}

TEST_F(ConsoleTest, ALineEndOnTheLastRowScrolls) {
  ConsoleClearScreen();
  for (int row = 1; row <= 25; ++row) {
    ConsoleGotoXY(1, row);
    Write("row" + std::to_string(row));
  }
  ConsoleTextAttr = 0x4E;
  Write("\r\n");
  EXPECT_EQ(ConsoleWhereY(), 25);
  EXPECT_EQ(Row(1).substr(0, 4), "row2");
  EXPECT_EQ(Row(24).substr(0, 5), "row25");
  EXPECT_EQ(Row(25), std::string(80, ' '));
  for (int column = 1; column <= 80; ++column) ASSERT_EQ(ConsoleAttrAt(column, 25), 0x4E);
  // Without the slow-machine setting the whole window is repainted.
  EXPECT_EQ(window_->copies, 0);
  EXPECT_GE(window_->runs.size(), 25u);
}

TEST_F(ConsoleTest, SlowMachineScrollCopiesPixelsWhenTheWindowIsActive) {
  Settings("[VIDEO]\r\nLENTO=Sim\r\n");
  ConsoleClearScreen();
  ConsoleGotoXY(1, 25);
  window_->runs.clear();
  Write("\n");
  EXPECT_EQ(window_->copies, 1);
  EXPECT_TRUE(window_->runs.empty());
  window_->active = false;  // not the active window: repaint instead
  Write("\n");
  EXPECT_EQ(window_->copies, 1);
  EXPECT_FALSE(window_->runs.empty());
}

TEST_F(ConsoleTest, GotoClampsToTheGrid) {
  ConsoleClearScreen();
  const struct {
    int column, row, x, y;
  } cases[] = {{0, 0, 1, 1}, {200, 200, 80, 25}, {-5, 3, 1, 3}, {80, 25, 80, 25}, {7, 9, 7, 9}};
  for (const auto& c : cases) {
    ConsoleGotoXY(c.column, c.row);
    EXPECT_EQ(ConsoleWhereX(), c.x) << c.column;
    EXPECT_EQ(ConsoleWhereY(), c.y) << c.row;
  }
  EXPECT_EQ(ConsoleCharAt(0, 1), ' ');
  EXPECT_EQ(ConsoleCharAt(81, 26), ' ');
}

TEST_F(ConsoleTest, WritesPaintRunsOfEqualAttribute) {
  ConsoleClearScreen();
  window_->runs.clear();
  ConsoleTextAttr = 0x0F;
  Write("ab");
  ConsoleTextAttr = 0x5E;
  Write("cd");
  ConsoleGotoXY(1, 1);
  window_->runs.clear();
  ConsoleTextAttr = 0x0F;
  Write("\r");  // nothing written: nothing painted
  EXPECT_TRUE(window_->runs.empty());
  ConsoleGotoXY(1, 2);
  Write("xy");
  ConsoleTextAttr = 0x5E;
  Write("z");
  ASSERT_EQ(window_->runs.size(), 2u);
  EXPECT_EQ(window_->runs[0].text, "xy");
  EXPECT_EQ(window_->runs[1].text, "z");
  EXPECT_EQ(window_->runs[1].x, 2 * 13);
  EXPECT_EQ(window_->runs[1].y, 28);
  EXPECT_EQ(window_->runs[1].fg, (platform::Rgb{255, 255, 0}));
  EXPECT_EQ(window_->runs[1].bg, (platform::Rgb{142, 0, 142}));
  // A paint of the whole window draws each row in its runs.
  window_->runs.clear();
  platform::InvalidateRect(nullptr, false);
  platform::UpdateWindow();
  EXPECT_EQ(window_->runs.size(), 29u);
}

TEST_F(ConsoleTest, KeysReachTheQueueWithTheirCodes) {
  ConsoleClearScreen();
  const struct {
    std::vector<platform::Message> press;
    std::vector<int> queued;
  } cases[] = {
      {KeyPress(platform::kVkUp), {0, 72}},
      {KeyPress(platform::kVkUp, kModCtrl), {0, 113}},
      {KeyPress(platform::kVkInsert, kModShift), {0, 254}},
      {KeyPress(platform::kVkInsert, kModCtrl), {0, 255}},
      {KeyPress(platform::kVkDelete, kModCtrl), {0, 83}},
      {KeyPress(platform::kVkPrior, kModCtrl), {0, 132}},
      {KeyPress(platform::kVkF1), {0, 59}},
      {KeyPress(platform::kVkF12, kModCtrl), {0, 105}},
      {KeyPress(platform::kVkReturn), {13}},
      {KeyPress(platform::kVkReturn, kModCtrl), {10}},
      {KeyPress(platform::kVkBack), {8}},
      {KeyPress(platform::kVkBack, kModCtrl), {127}},
      {KeyPress(platform::kVkEscape), {27}},
      {KeyPress(platform::kVkTab), {9}},
      {KeyPress('C', kModCtrl), {3}},
      {KeyPress('A', 0, 'a'), {'a'}},
      {KeyPress(platform::kVkOther, 0, 0xE7), {0xE7}},
      // Alt+arrow reads as the plain arrow; Alt+letter stays the system's.
      {KeyPress(platform::kVkLeft, kModAlt), {0, 75}},
      {KeyPress('X', kModAlt), {}},
      {KeyPress(platform::kVkF10), {}},
      // With Ctrl also held the Alt codes reach the program.
      {KeyPress('A', kModCtrl | kModAlt), {0, 30}},
      {KeyPress('Z', kModCtrl | kModAlt), {0, 44}},
      {KeyPress('1', kModCtrl | kModAlt), {0, 120}},
      {KeyPress('0', kModCtrl | kModAlt), {0, 129}},
  };
  for (const auto& c : cases) {
    Press(c.press);
    EXPECT_EQ(DrainQueue(), c.queued) << "key " << c.press[0].wparam << " mods "
                                      << int(c.press[0].mods);
  }
}

TEST_F(ConsoleTest, AFullQueueDropsKeys) {
  ConsoleClearScreen();
  for (int i = 0; i < 63; ++i) ConsoleQueueKey('a');
  Press(KeyPress(platform::kVkUp));  // needs two places
  EXPECT_EQ(ConsoleKeyQueueCount(), 63);
  Press(KeyPress('A', kModCtrl | kModAlt));
  EXPECT_EQ(ConsoleKeyQueueCount(), 63);
  Press(KeyPress('B', 0, 'b'));
  EXPECT_EQ(ConsoleKeyQueueCount(), 64);
  Press(KeyPress('C', 0, 'c'));
  Press(KeyPress(platform::kVkDown));
  EXPECT_EQ(ConsoleKeyQueueCount(), 64);
  const std::vector<int> keys = DrainQueue();
  EXPECT_EQ(keys.back(), 'b');
}

TEST_F(ConsoleTest, ReadKeyWaitsWithTheCaretAndReadsExtendedKeysInTwoCalls) {
  ConsoleClearScreen();
  window_->onKeyWait.push_back(KeyPress(platform::kVkDown));
  EXPECT_EQ(ConsoleReadKey(), 0);
  EXPECT_EQ(ConsoleReadKey(), 80);
  EXPECT_FALSE(window_->caretVisible);
}

TEST_F(ConsoleTest, ReadLineEchoesAndHonoursBackspaceAndCapacity) {
  ConsoleClearScreen();
  for (const char c : std::string("abc")) window_->onKeyWait.push_back(KeyPress('A', 0, c));
  window_->onKeyWait.push_back(KeyPress(platform::kVkBack));
  window_->onKeyWait.push_back(KeyPress('D', 0, 'd'));
  window_->onKeyWait.push_back(KeyPress('E', 0, 'e'));  // beyond capacity 5 - 2
  window_->onKeyWait.push_back(KeyPress(platform::kVkReturn));
  char buffer[5];
  ASSERT_EQ(ConsoleReadLine(buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "abd\r\n");
  EXPECT_EQ(Row(1).substr(0, 4), "abd ");
  EXPECT_EQ(ConsoleWhereY(), 2);
}

TEST_F(ConsoleTest, TitleIsTrimmedAndCut) {
  ConsoleClearScreen();
  ConsoleSetTitle("  Ligafala 3.3 ");
  EXPECT_EQ(window_->titles.back(), "Ligafala 3.3");
  ConsoleSetTitle(std::string(150, 'x'));
  EXPECT_EQ(window_->titles.back(), std::string(140, 'x') + "...");
  ConsoleSetTitle(std::string(140, 'y'));
  EXPECT_EQ(window_->titles.back(), std::string(140, 'y'));
}

TEST_F(ConsoleTest, ColourLockIgnoresColourChangesButNotDirectAssignment) {
  Settings("[video]\r\ncoresfixas = s\r\n");
  ConsoleClearScreen();
  EXPECT_EQ(ConsoleTextAttr, 0x0F);
  ConsoleSetTextColor(14);
  ConsoleSetBackColor(5);
  EXPECT_EQ(ConsoleTextAttr, 0x0F);
  ConsoleTextAttr = 0x5E;
  EXPECT_EQ(ConsoleTextAttr, 0x5E);
}

TEST_F(ConsoleTest, ColourChangesWithoutTheLock) {
  ConsoleClearScreen();
  ConsoleSetTextColor(14 + 16);
  EXPECT_EQ(ConsoleTextAttr, 0x0E);
  ConsoleSetBackColor(5);
  EXPECT_EQ(ConsoleTextAttr, 0x5E);
}

TEST_F(ConsoleTest, StandardOutputWritesLineEndsAsCrLf) {
  ConsoleClearScreen();
  WriteLine("S\xE9rie A");
  WriteText(std::string(200, '-'));
  EXPECT_EQ(Row(1).substr(0, 8), "S\xE9rie A ");
  EXPECT_EQ(Row(2), std::string(80, '-'));
  EXPECT_EQ(ConsoleWhereY(), 4);
  EXPECT_EQ(ConsoleWhereX(), 41);
}

using ConsoleDeathTest = ConsoleTest;

TEST_F(ConsoleDeathTest, BreakAndQuitEndWith255AndCloseWith0) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ConsoleStart();
  ConsoleClearScreen();
  EXPECT_EXIT(Press(KeyPress(platform::kVkCancel, kModCtrl)), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(
      {
        platform::PostQuitMessage(0);
        ConsolePumpWindowMessages();
      },
      ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(
      {
        platform::Message close;
        close.id = platform::kMsgClose;
        Press({close});
      },
      ::testing::ExitedWithCode(0), "");
}
