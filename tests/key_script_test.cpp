#include "platform/key_script.h"

#include <gtest/gtest.h>

#include "platform/keys.h"
#include "platform/message.h"
#include "tests/test_support.h"

namespace platform {
namespace {

KeyEvent Press(uint16_t vk, uint8_t mods = 0, int16_t character = -1, bool immediate = false) {
  KeyEvent event;
  event.vk = vk;
  event.mods = mods;
  event.character = character;
  event.immediate = immediate;
  event.line = 1;
  return event;
}

KeyEvent Only(KeyEventKind kind, uint16_t vk, uint8_t mods = 0) {
  KeyEvent event = Press(vk, mods);
  event.kind = kind;
  return event;
}

KeyEvent Sleep(int32_t ms) {
  KeyEvent event;
  event.kind = KeyEventKind::kSleep;
  event.sleepMs = ms;
  event.line = 1;
  return event;
}

KeyEvent Plain(KeyEventKind kind) {
  KeyEvent event;
  event.kind = kind;
  event.line = 1;
  return event;
}

uint16_t Letter(char c) { return static_cast<uint16_t>(kVkA + (c - 'A')); }

struct LineCase {
  const char* line;
  std::vector<KeyEvent> events;
  bool problem = false;
};

TEST(KeyScriptTest, EachLineFormGivesItsEvents) {
  constexpr uint8_t kCtrlAlt = kModCtrl | kModAlt;
  const LineCase cases[] = {
      {"", {}},
      {"   ", {}},
      {"# Enter is not typed here", {}},
      {"Enter", {Press(kVkReturn)}},
      {"  enter  ", {Press(kVkReturn)}},
      {"Esc", {Press(kVkEscape)}},
      {"Tab", {Press(kVkTab)}},
      {"Backspace", {Press(kVkBack)}},
      {"Space", {Press(kVkSpace, 0, ' ')}},
      {"Shift+Space", {Press(kVkSpace, kModShift, ' ')}},
      {"Up", {Press(kVkUp)}},
      {"Down", {Press(kVkDown)}},
      {"Left", {Press(kVkLeft)}},
      {"Right", {Press(kVkRight)}},
      {"Home", {Press(kVkHome)}},
      {"End", {Press(kVkEnd)}},
      {"PgUp", {Press(kVkPrior)}},
      {"PgDn", {Press(kVkNext)}},
      {"Insert", {Press(kVkInsert)}},
      {"Delete", {Press(kVkDelete)}},
      {"F1", {Press(kVkF1)}},
      {"F10", {Press(kVkF10)}},
      {"f12", {Press(kVkF12)}},
      {"a", {Press(Letter('A'), 0, 'a')}},
      {"A", {Press(Letter('A'), 0, 'a')}},
      {"7", {Press(kVk0 + 7, 0, '7')}},
      {"Shift+a", {Press(Letter('A'), kModShift, 'A')}},
      // The Brazilian keyboard's shifted digits.
      {"Shift+1", {Press(kVk0 + 1, kModShift, '!')}},
      {"Shift+2", {Press(kVk0 + 2, kModShift, '@')}},
      {"Shift+6", {Press(kVk0 + 6, kModShift, 0xA8)}},
      {"Shift+0", {Press(kVk0, kModShift, ')')}},
      // With Ctrl or Alt held no character of the key's own is typed.
      {"Ctrl+a", {Press(Letter('A'), kModCtrl)}},
      {"Alt+x", {Press(Letter('X'), kModAlt)}},
      {"Ctrl+Alt+F11", {Press(kVkF11, kCtrlAlt)}},
      {"Alt+Ctrl+F11", {Press(kVkF11, kCtrlAlt)}},
      {"ctrl + alt + f12", {Press(kVkF12, kCtrlAlt)}},
      {"Shift+Insert", {Press(kVkInsert, kModShift)}},
      {"Ctrl+Up", {Press(kVkUp, kModCtrl)}},
      {"Ctrl+Enter", {Press(kVkReturn, kModCtrl)}},
      {"Ctrl+Backspace", {Press(kVkBack, kModCtrl)}},
      {"Break", {Press(kVkCancel, kModCtrl)}},
      {"Ctrl+Break", {Press(kVkCancel, kModCtrl)}},
      {"!Down", {Press(kVkDown, 0, -1, true)}},
      {"! Shift+a", {Press(Letter('A'), kModShift, 'A', true)}},
      {"down:F", {Only(KeyEventKind::kDown, Letter('F'))}},
      {"up:Space", {Only(KeyEventKind::kUp, kVkSpace)}},
      {"DOWN:ctrl+up", {Only(KeyEventKind::kDown, kVkUp, kModCtrl)}},
      {"sleep:250", {Sleep(250)}},
      {"sleep: 0 ", {Sleep(0)}},
      {"sleep:99999999999999999999", {Sleep(kMaxKeySleepMs)}, true},
      {"focus:out", {Plain(KeyEventKind::kFocusOut)}},
      {"Focus:In", {Plain(KeyEventKind::kFocusIn)}},
      {"close", {Plain(KeyEventKind::kClose)}},
      // Text: letters, digits and the space on their own keys, capitals with
      // Shift, everything else on a key the program does not know.
      {"text:Ab 9", {Press(Letter('A'), kModShift, 'A'), Press(Letter('B'), 0, 'b'),
                     Press(kVkSpace, 0, ' '), Press(kVk0 + 9, 0, '9')}},
      {"text:é!\xE2\x82\xAC", {Press(kVkOther, 0, 0xE9), Press(kVkOther, 0, '!'),
                               Press(kVkOther, 0, 0x80)}},
      {"text:a ", {Press(Letter('A'), 0, 'a'), Press(kVkSpace, 0, ' ')}},
      {"!text:ok", {Press(Letter('O'), 0, 'o', true), Press(Letter('K'), 0, 'k', true)}},
      {"text:", {}},
      // Characters nothing can type are left out and reported.
      {"text:a\x01" "b", {Press(Letter('A'), 0, 'a'), Press(Letter('B'), 0, 'b')}, true},
      {"text:a\xF0\x9F\x98\x80", {Press(Letter('A'), 0, 'a')}, true},
      {"text:\xFF", {}, true},
      // Malformed lines are skipped and reported.
      {"Foo", {}, true},
      {"F0", {}, true},
      {"F13", {}, true},
      {"F1x", {}, true},
      {"Ctrl+", {}, true},
      {"Ctrl+Shift", {}, true},
      {"Ctrl+A+B", {}, true},
      {"+", {}, true},
      {"ab", {}, true},
      {"down:", {}, true},
      {"up:Foo", {}, true},
      {"sleep:", {}, true},
      {"sleep:-5", {}, true},
      {"sleep:1x", {}, true},
      {"focus:sideways", {}, true},
      {"close now", {}, true},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const KeyScript script = ParseKeyScript(c.line);
    EXPECT_EQ(script.events, c.events);
    ASSERT_EQ(script.problems.size(), c.problem ? 1u : 0u);
    if (c.problem) {
      EXPECT_EQ(script.problems[0].line, 1);
    }
  }
}

TEST(KeyScriptTest, LinesAreNumberedAcrossCommentsBlanksAndCrLf) {
  const KeyScript script = ParseKeyScript("Enter\r\n# note\r\n\r\nFoo\r\nsleep:5\r\nEsc");
  ASSERT_EQ(script.events.size(), 3u);
  EXPECT_EQ(script.events[0].line, 1);
  EXPECT_EQ(script.events[1].kind, KeyEventKind::kSleep);
  EXPECT_EQ(script.events[1].line, 5);
  EXPECT_EQ(script.events[2].vk, kVkEscape);
  EXPECT_EQ(script.events[2].line, 6);
  ASSERT_EQ(script.problems.size(), 1u);
  EXPECT_EQ(script.problems[0].line, 4);
}

TEST(KeyScriptTest, OversizedScriptIsRefusedWhole) {
  const std::string huge(kMaxKeyScriptBytes + 1, 'a');
  const KeyScript parsed = ParseKeyScript(huge);
  EXPECT_TRUE(parsed.events.empty());
  ASSERT_EQ(parsed.problems.size(), 1u);
  EXPECT_EQ(parsed.problems[0].line, 0);

  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "big", huge);
  KeyScript loaded;
  std::string why;
  EXPECT_FALSE(LoadKeyScript(dir / "big", &loaded, &why));
  EXPECT_TRUE(loaded.events.empty());
  EXPECT_FALSE(why.empty());
}

TEST(KeyScriptTest, LoadReadsTheFileOrSaysWhyNot) {
  testing_support::TempDir dir;
  testing_support::WriteFile(dir / "keys", "Down\ntext:ok\n");
  KeyScript script;
  std::string why;
  ASSERT_TRUE(LoadKeyScript(dir / "keys", &script, &why));
  EXPECT_EQ(script.events.size(), 3u);

  EXPECT_FALSE(LoadKeyScript(dir / "missing", &script, &why));
  EXPECT_TRUE(script.events.empty());
  EXPECT_NE(why.find("missing"), std::string::npos);
  EXPECT_FALSE(LoadKeyScript(dir.path(), &script, &why));  // a folder
}

}  // namespace
}  // namespace platform
