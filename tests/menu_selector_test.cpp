// The menu selector on the fake window, with the speech core tracing what
// the user hears.
#include <gtest/gtest.h>

#include <filesystem>

#include <cctype>

#include "console/menu_selector.h"
#include "platform/keys.h"
#include "tests/speech_fixture.h"

using platform::Message;
using testing_support::KeyPress;
using testing_support::kSilentVoice;

namespace {


using Keys = std::vector<std::vector<Message>>;

// A typed character: letters and digits on their own keys, the rest on a
// key without a code of its own.
std::vector<Message> Letter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  uint16_t vk = platform::kVkOther;
  if (std::isalnum(byte)) vk = static_cast<uint16_t>(std::toupper(byte));
  if (c == ' ') vk = platform::kVkSpace;
  return KeyPress(vk, 0, byte);
}
const std::vector<Message> kDown = KeyPress(platform::kVkDown);
const std::vector<Message> kUp = KeyPress(platform::kVkUp);
const std::vector<Message> kHome = KeyPress(platform::kVkHome);
const std::vector<Message> kEnd = KeyPress(platform::kVkEnd);
const std::vector<Message> kPgUp = KeyPress(platform::kVkPrior);
const std::vector<Message> kPgDn = KeyPress(platform::kVkNext);
const std::vector<Message> kRight = KeyPress(platform::kVkRight);
const std::vector<Message> kLeft = KeyPress(platform::kVkLeft);
const std::vector<Message> kTab = KeyPress(platform::kVkTab);
const std::vector<Message> kEnter = KeyPress(platform::kVkReturn);
const std::vector<Message> kEsc = KeyPress(platform::kVkEscape);
const std::vector<Message> kCtrlPgUp = KeyPress(platform::kVkPrior, platform::kModCtrl);
const std::vector<Message> kCtrlPgDn = KeyPress(platform::kVkNext, platform::kModCtrl);

}  // namespace

namespace testing_support {


class MenuSelectorTest : public SpeechTest {
 protected:
  struct Screen {
    std::vector<std::string> chars;  // rows 1..25 at [0..24]
    std::vector<std::vector<uint8_t>> attrs;
  };

  void SetUp() override {
    SpeechTest::SetUp();
    SpeechUseBuiltInVoice(&kSilentVoice);
    MenuStart();
    ClearLogs();
  }
  void TearDown() override {
    SpeechUseBuiltInVoice(nullptr);
    MenuEnd();
    SpeechTest::TearDown();
  }

  Screen Snapshot() {
    Screen screen;
    for (int row = 1; row <= kConsoleRows; ++row) {
      screen.chars.push_back(Row(row));
      std::vector<uint8_t> attrs;
      for (int column = 1; column <= kConsoleColumns; ++column) attrs.push_back(ConsoleAttrAt(column, row));
      screen.attrs.push_back(attrs);
    }
    return screen;
  }

  // Queues the keys, one per key wait, and records the screen as it stands
  // at each of those waits.
  void Type(const Keys& keys) {
    for (const auto& key : keys) window_->onKeyWait.push_back(key);
    std::size_t pending = window_->onKeyWait.size();
    window_->onPoll = [this, pending](platform::MessageSink&) mutable {
      if (window_->onKeyWait.size() != pending) {
        atKeyWaits_.push_back(latest_);
        pending = window_->onKeyWait.size();
      }
      latest_ = Snapshot();
    };
  }


  void AddOptions(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) MenuAddOption("", text);
  }

  std::vector<Screen> atKeyWaits_;
  Screen latest_;

};

TEST_F(MenuSelectorTest, DrawsTheBoxHighlightsTheCurrentOptionAndPutsTheScreenBack) {
  ConsoleGotoXY(1, 10);
  ConsoleSetTextColor(2);
  Write("fundo antigo da linha dez");
  ConsoleGotoXY(7, 3);
  const uint8_t attrBefore = ConsoleTextAttr;
  const Screen before = Snapshot();

  MenuBegin(1, 10, 20, 5, 5);
  AddOptions({"Um", "Dois", "Tres", "Quatro", "Opcao longa demais para a caixa"});
  Type({kDown, kEnter});
  EXPECT_EQ(MenuRun(), 2);

  ASSERT_EQ(atKeyWaits_.size(), 2u);
  const Screen& first = atKeyWaits_[0];
  EXPECT_EQ(first.chars[9].substr(0, 21), "Um                  a");  // padded to the width
  EXPECT_EQ(first.chars[13].substr(0, 21), "Opcao longa demais p ");  // cut to the width
  for (int column = 0; column < 20; ++column) {
    EXPECT_EQ(first.attrs[9][column], column < 2 ? 0x5E : 0x5F) << column;
    EXPECT_EQ(first.attrs[10][column], 0x5F) << column;
  }
  const Screen& second = atKeyWaits_[1];
  EXPECT_EQ(second.attrs[9][0], 0x5F);  // the highlight moved on
  EXPECT_EQ(second.attrs[10][0], 0x5E);
  EXPECT_EQ(second.attrs[10][4], 0x5F);

  EXPECT_EQ(Heard(), (std::vector<std::string>{"say Um", "say Dois"}));
  const Screen after = Snapshot();
  EXPECT_EQ(after.chars, before.chars);
  EXPECT_EQ(after.attrs, before.attrs);
  EXPECT_EQ(ConsoleTextAttr, attrBefore);
  EXPECT_EQ(ConsoleWhereX(), 7);
  EXPECT_EQ(ConsoleWhereY(), 3);
}

TEST_F(MenuSelectorTest, ATwentyLineListMovesUpAndScrollsAtItsLastOption) {
  MenuBegin(1, 10, 40, 19, 5);
  std::vector<std::string> names;
  for (char c = 'A'; c <= 'T'; ++c) names.push_back(std::string("Time ") + c);
  AddOptions(names);
  const MenuView view = MenuStateForTest();
  EXPECT_EQ(view.y, 7);
  EXPECT_EQ(view.boxY1, 7);
  EXPECT_EQ(view.boxY2, 25);

  Type({kPgDn, kEnd, kHome, kUp, kDown, kPgUp, kEsc});
  EXPECT_EQ(MenuRun(), 0);
  ASSERT_EQ(atKeyWaits_.size(), 7u);
  EXPECT_EQ(atKeyWaits_[0].chars[6].substr(0, 6), "Time A");
  EXPECT_EQ(atKeyWaits_[0].chars[24].substr(0, 6), "Time S");
  // End reaches option 20: the list scrolls up by one row.
  EXPECT_EQ(atKeyWaits_[2].chars[6].substr(0, 6), "Time B");
  EXPECT_EQ(atKeyWaits_[2].chars[24].substr(0, 6), "Time T");
  EXPECT_EQ(atKeyWaits_[2].attrs[24][0], 0x5E);
  // Home scrolls back.
  EXPECT_EQ(atKeyWaits_[3].chars[6].substr(0, 6), "Time A");
  EXPECT_EQ(Heard(), (std::vector<std::string>{"say Time A", "say Time K", "say Time T", "say Time A",
                                               "beep", "say Time A", "beep", "beep"}));
}

TEST_F(MenuSelectorTest, AMenuWithoutOptionsBeepsAtEveryKeyAndReturnsZero) {
  for (const auto& last : {kEnter, kEsc}) {
    ClearLogs();
    MenuBegin(1, 10, 20, -1, 5);
    Type({kDown, Letter('a'), last});
    EXPECT_EQ(MenuRun(), 0);
    EXPECT_EQ(Heard(), (std::vector<std::string>(4, "beep")));
  }
}

TEST_F(MenuSelectorTest, KeysMoveSearchChooseAndLeave) {
  const std::vector<std::string> options = {"Brasil", "bahia", "Cear\xE1", "Botafogo", "  avai", "", "+ mais"};
  const struct {
    const char* name;
    Keys keys;
    int result;
    std::vector<std::string> heard;
  } cases[] = {
      {"Esc with an option highlighted", {kDown, kEsc}, 0, {"say Brasil", "say bahia"}},
      {"Enter chooses", {kDown, kDown, kEnter}, 3, {"say Brasil", "say bahia", "say Cear\xC3\xA1"}},
      {"search wraps past the last match",
       {Letter('b'), Letter('B'), Letter('b'), Letter('b'), kEnter},
       1,
       {"say Brasil", "say bahia", "say Botafogo", "beep", "say Brasil"}},
      {"leading blanks and letter case", {Letter('A'), Letter('+'), kEnter}, 7,
       {"say Brasil", "say   avai", "say + mais", "char 43"}},
      {"Enter outside the list", {Letter('x'), kEnter}, 0, {"say Brasil", "beep", "beep"}},
      {"Esc outside the list", {kUp, kEsc}, 0, {"say Brasil", "beep", "beep"}},
      {"back into the list", {kEnd, kDown, kDown, kUp, kEnter}, 7,
       {"say Brasil", "say + mais", "char 43", "beep", "beep", "say + mais", "char 43"}},
      {"Right spells, Left repeats", {kDown, kRight, kLeft, kEsc}, 0,
       {"say Brasil", "say bahia", "char 98", "char 97", "char 104", "char 105", "char 97",
        "say bahia"}},
      {"Tab moves on", {kTab, kEnter}, 2, {"say Brasil", "say bahia"}},
      {"Ctrl+PgDn and Ctrl+PgUp", {kCtrlPgDn, kCtrlPgUp, kEnter}, 1,
       {"say Brasil", "say + mais", "char 43", "say Brasil"}},
      {"keys without a function say the option again", {Letter(' '), Letter(','), kEnter}, 1,
       {"say Brasil", "say Brasil", "say Brasil"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLogs();
    MenuBegin(1, 10, 20, 6, 5);
    AddOptions(options);
    Type(c.keys);
    EXPECT_EQ(MenuRun(), c.result);
    EXPECT_EQ(Heard(), c.heard);
    EXPECT_TRUE(window_->onKeyWait.empty());
  }
}

TEST_F(MenuSelectorTest, AnOptionWithARecordingIsAnnouncedByPlayingIt) {
  Install("som/ligafala/LFTABA.wav", MakeWave(std::string(64, '\x80'), 11025, 8, 1));
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\"));
  MenuBegin(1, 10, 20, 2, 5);
  MenuAddOption("som\\ligafala\\LFTABA", "Brasileirao serie A");
  MenuAddOption("som\\ligafala\\LFTABB", "Brasileirao serie B");  // not installed
  Type({kDown, kEnter});
  EXPECT_EQ(MenuRun(), 2);
  EXPECT_EQ(Heard(), (std::vector<std::string>{"sound som\\ligafala\\LFTABA", "say Brasileirao serie B"}));
}

TEST_F(MenuSelectorTest, MenuBeginKeepsTheBoxOnTheScreen) {
  const struct {
    int column, row, width, height;
    int x, y, boxX2, boxY2;
  } cases[] = {
      {75, 10, 20, 5, 60, 10, 79, 14},  // would end past column 79
      {1, 10, 20, 5, 1, 10, 20, 14},
      {1, 24, 20, 5, 1, 21, 20, 25},   // would pass the last row
      {1, 10, 40, 30, 1, 1, 40, 25},   // taller than the console
      {1, 10, 40, -1, 1, 10, 40, 8},   // no rows saved
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.column) + "," + std::to_string(c.row) + "," + std::to_string(c.height));
    MenuBegin(c.column, c.row, c.width, c.height, 5);
    const MenuView view = MenuStateForTest();
    EXPECT_EQ(view.x, c.x);
    EXPECT_EQ(view.y, c.y);
    EXPECT_EQ(view.boxX2, c.boxX2);
    EXPECT_EQ(view.boxY2, c.boxY2);
  }
  MenuBegin(1, 10, 20, 5, 5);
  EXPECT_EQ(MenuStateForTest().slots, 1u);
  for (int i = 0; i < 100; ++i) MenuAddOption("", "x");
  EXPECT_EQ(MenuStateForTest().slots, 101u);  // grown once, by 100 slots
  MenuAddOption("", "x");
  EXPECT_EQ(MenuStateForTest().slots, 201u);
  EXPECT_EQ(MenuStateForTest().count, 101);
}

TEST_F(MenuSelectorTest, TheRowBelowAShortBoxKeepsTheLastOption) {
  MenuBegin(1, 10, 20, 2, 5);
  AddOptions({"Ver tabela", "Ver rodada", "Voltar"});
  Type({kEsc});
  EXPECT_EQ(MenuRun(), 0);
  EXPECT_EQ(Row(10), std::string(80, ' '));
  EXPECT_EQ(Row(11), std::string(80, ' '));
  EXPECT_EQ(Row(12).substr(0, 21), "Voltar               ");
  EXPECT_EQ(ConsoleAttrAt(1, 12), 0x5F);
  EXPECT_EQ(ConsoleAttrAt(1, 10), 0x0F);
}

TEST_F(MenuSelectorTest, RunningFromALineStartsThereAndTellsEscFromEnter) {
  MenuBegin(1, 1, 79, 25, 1);
  AddOptions({"um", "dois", "tres"});
  Type({kEnter});
  EXPECT_EQ(MenuRunFrom(3), 3);
  EXPECT_FALSE(MenuEndedByEsc());
  MenuBegin(1, 1, 79, 25, 1);
  AddOptions({"um", "dois", "tres"});
  Type({kEsc});
  EXPECT_EQ(MenuRunFrom(9), 0);  // moved into the list
  EXPECT_TRUE(MenuEndedByEsc());
  EXPECT_EQ(Heard(), (std::vector<std::string>{"say tres", "say tres"}));
}

}  // namespace testing_support
