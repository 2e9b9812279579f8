#include <gtest/gtest.h>

#include "console/appearance.h"
#include "console/braille_keyboard.h"
#include "console/magnifier.h"
#include "platform/keys.h"
#include "tests/console_fixture.h"

using platform::Rgb;
using testing_support::ConsoleTest;
using testing_support::KeyPress;

using AppearanceTest = ConsoleTest;

TEST_F(AppearanceTest, NoSettingsFileGivesTheDefaultsForTheWorkArea) {
  ConsoleClearScreen();
  EXPECT_EQ(window_->font.face, "Lucida Console");
  EXPECT_EQ(window_->font.width, 13);
  EXPECT_EQ(window_->font.height, 28);
  EXPECT_EQ(window_->font.weight, 700);
  EXPECT_EQ(ConsoleTextAttr, 15);
  EXPECT_EQ(ConsoleAttrAt(1, 1), 15);
  EXPECT_FALSE(window_->maximised);
  EXPECT_EQ(MagnifierFactor(), 2);
  EXPECT_EQ(BrailleMode(), 0);
  EXPECT_FALSE(ConsoleColoursLocked());
}

TEST_F(AppearanceTest, KeysOfTheSettingsFile) {
  Settings(
      "[VIDEO]\r\nCANTOTELA=Nao\r\nFONTE=DejaVu Sans Mono\r\nLARGURALETRA=10\r\n"
      "ALTURALETRA=20x\r\nPESOLETRA=\r\nCORFUNDO=1\r\nCORLETRA=14\r\nAMPLIF=47\r\n");
  ConsoleClearScreen();
  EXPECT_TRUE(window_->maximised);
  EXPECT_EQ(window_->font.face, "DejaVu Sans Mono");
  EXPECT_EQ(window_->font.width, 10);
  EXPECT_EQ(window_->font.height, 20);  // the valid leading part
  EXPECT_EQ(window_->font.weight, 0);   // empty: the system's default weight
  EXPECT_EQ(ConsoleTextAttr, 0x1E);
  EXPECT_EQ(MagnifierFactor(), 4);  // only the first character counts
}

TEST_F(AppearanceTest, ColourMapParsing) {
  const Rgb white{255, 255, 255}, yellow{255, 255, 0}, black{0, 0, 0};
  Settings("[VIDEO]\r\nTABCORES=15,14\r\n");
  ConsoleClearScreen();
  EXPECT_EQ(ConsoleColourOf(0), white);
  EXPECT_EQ(ConsoleColourOf(1), yellow);
  EXPECT_EQ(ConsoleColourOf(2), (Rgb{0, 255, 0}));
  EXPECT_EQ(ConsoleColourOf(15), white);

  const struct {
    const char* text;
    std::vector<int> map;  // the first entries after parsing
  } cases[] = {
      {"3,4,x5,6", {3, 4, 0, 3}},  // stops at the invalid entry, which gives 0
      {"7,12abc,9", {7, 12, 2, 3}},
      {"20,1", {20, 1, 2, 3}},
      {"", {0, 1, 2, 3}},
      {"$F,0x0E", {15, 14, 2, 3}},
  };
  for (const auto& c : cases) {
    AppearanceStart();
    ParseColourMap(c.text);
    for (std::size_t i = 0; i < c.map.size(); ++i) {
      EXPECT_EQ(ColourMapEntry(static_cast<int>(i)), c.map[i]) << c.text << " entry " << i;
    }
  }
  AppearanceStart();
  ParseColourMap("20");
  EXPECT_EQ(ConsoleColourOf(0), black);  // entries above 15 paint black
}

TEST_F(AppearanceTest, MagnifierViewKeepsThePointUnderTheMouse) {
  Settings("[VIDEO]\r\nAMPLIF=0\r\n");
  ConsoleClearScreen();
  EXPECT_EQ(MagnifierFactor(), 2);  // 0 would divide by zero
  const int width = 8 + 80 * 13, height = 8 + 20 + 25 * 28;
  platform::Message down;
  down.id = platform::kMsgRButtonDown;
  down.x = 400;
  down.y = 300;
  ConsoleWindowProc(down);
  ASSERT_EQ(window_->stretchSources.size(), 1u);
  const platform::Rect source = window_->stretchSources[0];
  EXPECT_EQ(source.left, 200);
  EXPECT_EQ(source.top, 150);
  EXPECT_EQ(source.Width(), width / 2);
  EXPECT_EQ(source.Height(), height / 2);
  platform::Message move = down;
  move.id = platform::kMsgMouseMove;
  move.x = 0;
  ConsoleWindowProc(move);
  EXPECT_EQ(window_->stretchSources.back().left, 0);
  platform::Message up = down;
  up.id = platform::kMsgRButtonUp;
  ConsoleWindowProc(up);
  EXPECT_FALSE(MagnifierActive());
  ConsoleWindowProc(move);  // no longer magnifying
  EXPECT_EQ(window_->stretchSources.size(), 2u);
}

class BrailleTest : public ConsoleTest {
 protected:
  void Chord(std::initializer_list<uint16_t> keys) {
    std::vector<platform::Message> messages;
    for (uint16_t vk : keys) {
      platform::Message down;
      down.id = platform::kMsgKeyDown;
      down.wparam = vk;
      messages.push_back(down);
    }
    for (uint16_t vk : keys) {
      platform::Message up;
      up.id = platform::kMsgKeyUp;
      up.wparam = vk;
      messages.push_back(up);
    }
    Press(messages);
  }
  std::string Queued() {
    std::string text;
    for (int key : DrainQueue()) text += static_cast<char>(key);
    return text;
  }
};

TEST_F(BrailleTest, ModeOneReadsTheTableWhenTheLastKeyIsReleased) {
  Settings("[BRAILLE]\r\nMODO=1\r\n");
  ConsoleClearScreen();
  ASSERT_EQ(BrailleMode(), 1);
  Press({KeyPress('F')[0], KeyPress('D')[0], KeyPress('F')[1]});
  EXPECT_EQ(ConsoleKeyQueueCount(), 0);  // D still held
  Press({KeyPress('D')[1]});
  EXPECT_EQ(Queued(), "b");
  Chord({'F', 'D', 'S', 'J', 'K', 'L'});
  EXPECT_EQ(Queued(), "\xE9");
  Chord({platform::kVkSpace});
  EXPECT_EQ(Queued(), " ");
  Chord({platform::kVkSpace, 'F', 'J'});
  EXPECT_EQ(Queued(), "\x03");
  Chord({'Q'});  // not a chord key: an empty chord, the table's space
  EXPECT_EQ(Queued(), " ");
  // Typed letters are the chord keyboard's: A's character is ignored and
  // its release is an empty chord; other characters pass as usual.
  Press(KeyPress('A', 0, 'a'));
  Press(KeyPress(platform::kVkOther, 0, '5'));
  EXPECT_EQ(Queued(), " 5");
  // Ctrl keys pass through as usual.
  Press(KeyPress('F', platform::kModCtrl));
  EXPECT_EQ(Queued(), "\x06");
}

TEST_F(BrailleTest, ModeTwoNumbersCapitalsAndCapsLock) {
  Settings("[BRAILLE]\r\nMODO=2\r\n");
  ConsoleClearScreen();
  const std::initializer_list<uint16_t> numberSign = {'S', 'J', 'K', 'L'};
  const std::initializer_list<uint16_t> capitalSign = {'J', 'L'};
  Chord(numberSign);
  Chord({'F'});
  Chord({'F', 'D'});
  Chord({'D', 'J', 'K'});  // j
  EXPECT_EQ(Queued(), "120");
  Chord({platform::kVkSpace});  // ends number mode
  Chord({'F'});
  EXPECT_EQ(Queued(), " a");
  Chord(capitalSign);
  Chord({'F'});
  Chord({'F'});
  EXPECT_EQ(Queued(), "Aa");
  Chord(capitalSign);
  Chord(capitalSign);
  Chord({'F'});
  Chord({'F', 'D'});
  Chord({'F', 'J'});
  EXPECT_EQ(Queued(), "ABC");
  Chord({platform::kVkSpace});
  Chord({'F'});
  EXPECT_EQ(Queued(), " a");
}

TEST_F(BrailleTest, ModeKeysPlayTheirTones) {
  testing_support::TempDir logs;
  testing_support::ScopedEnv log({{"TALMAR_AUDIO_LOG", logs / "audio.log"}});
  platform::ResetObservation();
  ConsoleClearScreen();
  for (int i = 0; i < 3; ++i) Press(KeyPress(platform::kVkF11, platform::kModCtrl | platform::kModAlt));
  EXPECT_EQ(BrailleMode(), 1);
  Press(KeyPress(platform::kVkF12, platform::kModCtrl | platform::kModAlt));
  EXPECT_EQ(BrailleMode(), 0);
  Press(KeyPress(platform::kVkF12, platform::kModCtrl | platform::kModAlt));  // already off: silent
  std::string tones;
  for (const std::string& line : testing_support::ReadLines(logs / "audio.log")) {
    const std::string event = line.substr(line.find(' ') + 1);
    if (event != "tone-stop") tones += event.substr(5) + " ";
  }
  EXPECT_EQ(tones, "800 1600 800 400 800 1600 100 ");
  platform::ResetObservation();
}
