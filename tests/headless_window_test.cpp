#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/keys.h"
#include "platform/message.h"
#include "platform/observe.h"
#include "platform/window_backend.h"
#include "tests/test_support.h"

namespace platform {
namespace {

struct RecordingSink : MessageSink {
  std::vector<Message> messages;
  void Post(const Message& message) override { messages.push_back(message); }
  // Everything posted since the last call, as (id, wparam, mods).
  std::vector<std::tuple<uint32_t, uint64_t, uint8_t>> Take() {
    std::vector<std::tuple<uint32_t, uint64_t, uint8_t>> taken;
    for (const Message& m : messages) taken.emplace_back(m.id, m.wparam, m.mods);
    messages.clear();
    return taken;
  }
};

using Seen = std::vector<std::tuple<uint32_t, uint64_t, uint8_t>>;

// A headless window playing `script`, created and shown.
class HeadlessWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<WindowBackend> Start(const std::string& script, bool show = true) {
    testing_support::WriteFile(dir_ / "keys", script);
    testing_support::ScopedEnv env({{"TALMAR_KEYS", dir_ / "keys"}});
    std::string why;
    auto window = MakeHeadlessWindow(&why);
    if (window && show) {
      window->CreateWindow("t", 640, 480);
      window->ShowWindow(false);
    }
    return window;
  }

  testing_support::TempDir dir_;
  RecordingSink sink_;
};

Seen Press(uint16_t vk, int character = -1, uint8_t mods = 0) {
  Seen seen{{kMsgKeyDown, vk, mods}};
  if (character >= 0) seen.emplace_back(kMsgChar, character, mods);
  seen.emplace_back(kMsgKeyUp, vk, mods);
  return seen;
}

Seen Close() { return {{kMsgClose, 0, 0}}; }

// The focus message a shown window gets first, then `rest`.
Seen Focused(const Seen& rest) {
  Seen seen{{kMsgSetFocus, 0, 0}};
  seen.insert(seen.end(), rest.begin(), rest.end());
  return seen;
}

TEST_F(HeadlessWindowTest, FixedScreenAndFontsThatAlwaysFit) {
  auto window = Start("", false);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->ScreenRect().Width(), 1024);
  EXPECT_EQ(window->ScreenRect().Height(), 768);
  EXPECT_EQ(window->WorkArea().Height(), 738);
  EXPECT_EQ(window->Frame().captionHeight, 0);

  EXPECT_TRUE(window->SelectFont({"Courier New", 28, 13, 700}));
  EXPECT_EQ(window->FontMetrics().height, 28);
  EXPECT_EQ(window->FontMetrics().aveCharWidth, 13);
  EXPECT_EQ(window->FontMetrics().ascent, 22);
  EXPECT_EQ(window->FontMetrics().externalLeading, 0);
  EXPECT_TRUE(window->SelectFont({"", 28, 0, 0}));
  EXPECT_EQ(window->FontMetrics().aveCharWidth, 13);
  EXPECT_TRUE(window->SelectFont({}));
  EXPECT_EQ(window->FontMetrics().height, 16);
  EXPECT_EQ(window->FontMetrics().aveCharWidth, 8);
  window->SelectFont({"", 40, 20, 0});
  window->SelectStockFont();
  EXPECT_EQ(window->FontMetrics().height, 16);
  EXPECT_EQ(window->FontMetrics().aveCharWidth, 8);
}

TEST_F(HeadlessWindowTest, ShowingGivesFocusAndTheScriptCanTakeItAway) {
  auto window = Start("focus:out\nfocus:in\nEnter", false);
  // Nothing happens before the window exists.
  window->Poll(sink_, true);
  EXPECT_TRUE(sink_.Take().empty());
  window->CreateWindow("t", 640, 480);
  EXPECT_FALSE(window->IsActive());
  window->ShowWindow(false);
  EXPECT_EQ(window->ClientRect().Width(), 640);
  EXPECT_TRUE(window->IsActive());
  // Focus lines run while the program is busy, not only at key waits.
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), (Seen{{kMsgSetFocus, 0, 0}, {kMsgKillFocus, 0, 0}, {kMsgSetFocus, 0, 0}}));
  EXPECT_TRUE(window->IsActive());
  EXPECT_TRUE(window->IsForeground());

  auto second = Start("focus:out\nEnter", false);
  second->CreateWindow("t", 640, 480);
  second->ShowWindow(true);
  second->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), (Seen{{kMsgSetFocus, 0, 0}, {kMsgKillFocus, 0, 0}}));
  EXPECT_FALSE(second->IsActive());
  EXPECT_FALSE(second->IsForeground());
  EXPECT_EQ(second->WindowRect().Width(), 1024);
}

TEST_F(HeadlessWindowTest, KeysWaitForTheProgramOneAtATimeThenTheWindowCloses) {
  auto window = Start("a\nb\n");
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), Focused({}));
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Press(kVkA, 'a'));
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Press(kVkA + 1, 'b'));
  window->Poll(sink_, false);
  EXPECT_TRUE(sink_.Take().empty());
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Close());
  window->Poll(sink_, true);
  EXPECT_TRUE(sink_.Take().empty());
}

TEST_F(HeadlessWindowTest, BangKeysFollowAtOnceWhateverTheProgramDoes) {
  auto window = Start("!Down\na\n!Esc\n!Up\nb");
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), Focused(Press(kVkDown)));
  window->Poll(sink_, true);
  Seen expected = Press(kVkA, 'a');
  for (const auto& part : {Press(kVkEscape), Press(kVkUp)}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  EXPECT_EQ(sink_.Take(), expected);
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Press(kVkA + 1, 'b'));
}

TEST_F(HeadlessWindowTest, CloseRunsAtOnceButAfterTheKeyBeforeIt) {
  auto window = Start("Enter\nclose\nEsc");
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Focused(Press(kVkReturn)));
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), Close());
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Press(kVkEscape));
}

TEST_F(HeadlessWindowTest, SleepHoldsTheLinesBehindItAndBoundsTheWait) {
  auto window = Start("a\nsleep:40\n!b\nclose");
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Focused(Press(kVkA, 'a')));
  window->Poll(sink_, true);
  EXPECT_TRUE(sink_.Take().empty());
  // No limit of its own: only the script's sleep can end this wait.
  window->WaitNative(-1);
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), Press(kVkA + 1, 'b'));
  window->Poll(sink_, false);
  EXPECT_EQ(sink_.Take(), Close());
}

TEST_F(HeadlessWindowTest, PressesMakeTheMessagesOfARealKeyboard) {
  struct Case {
    const char* line;
    Seen seen;
  };
  const Case cases[] = {
      {"Enter", Press(kVkReturn)},
      {"Ctrl+a", Press(kVkA, -1, kModCtrl)},
      {"Shift+6", Press(kVk0 + 6, 0xA8, kModShift)},
      {"text:\xC3\xA9", Press(kVkOther, 0xE9)},
      {"Break", Press(kVkCancel, -1, kModCtrl)},
      {"Alt+x", {{kMsgSysKeyDown, kVkA + 23, kModAlt}, {kMsgSysKeyUp, kVkA + 23, kModAlt}}},
      {"down:F", {{kMsgKeyDown, kVkA + 5, 0}}},
      {"up:F", {{kMsgKeyUp, kVkA + 5, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto window = Start(c.line);
    window->Poll(sink_, true);
    EXPECT_EQ(sink_.Take(), Focused(c.seen));
  }
}

TEST_F(HeadlessWindowTest, WithoutAUsableScriptTheFirstKeyWaitCloses) {
  for (const char* keys : {"", "missing-file"}) {
    SCOPED_TRACE(keys);
    testing_support::ScopedEnv env({{"TALMAR_KEYS", *keys ? dir_ / keys : ""}});
    std::string why;
    auto window = MakeHeadlessWindow(&why);
    ASSERT_TRUE(window);
    window->CreateWindow("t", 640, 480);
    window->Poll(sink_, false);
    EXPECT_TRUE(sink_.Take().empty());
    window->Poll(sink_, true);
    EXPECT_EQ(sink_.Take(), Close());
  }
}

TEST_F(HeadlessWindowTest, WakeEndsAWaitFromAnotherThreadAndIsNotLost) {
  auto window = Start("a");
  window->Wake();
  window->WaitNative(-1);  // the earlier wake counts
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    window->Wake();
  });
  window->WaitNative(-1);
  waker.join();
  window->WaitNative(0);
  window->Poll(sink_, true);
  EXPECT_EQ(sink_.Take(), Focused(Press(kVkA, 'a')));
}

// What a headless run leaves for checks to read: the trace, the sound
// device log and the screen file.
class ObservationTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetObservation(); }
  testing_support::TempDir dir_;
};

// "MS REST" with a number first; returns REST.
std::string AfterMillis(const std::string& line) {
  const std::size_t blank = line.find(' ');
  if (blank == 0 || blank == std::string::npos) return "<no time>";
  for (std::size_t i = 0; i < blank; ++i) {
    if (line[i] < '0' || line[i] > '9') return "<no time>";
  }
  return line.substr(blank + 1);
}

TEST_F(ObservationTest, TraceAndAudioLogAppendOneLineEach) {
  testing_support::ScopedEnv env({{"TALMAR_TRACE", dir_ / "trace"},
                                  {"TALMAR_AUDIO_LOG", dir_ / "audio"},
                                  {"TALMAR_SCREEN", dir_ / "no-such-folder/screen"}});
  ResetObservation();
  TraceEvent("say", "Ol\xE1 \x80\r\nfim");
  TraceEvent("stop", "");
  AudioLog("open 22050 16 1");
  AudioLog("done");
  // A screen file that cannot be written is given up, not fatal.
  std::vector<uint8_t> cells(80 * 25, ' ');
  PublishScreen(cells.data(), cells.data());
  PublishScreen(cells.data(), cells.data());

  const auto trace = testing_support::ReadLines(dir_ / "trace");
  ASSERT_EQ(trace.size(), 2u);
  // Windows-1252 in the program, UTF-8 in the file; a line break inside a
  // text must not split the event.
  EXPECT_EQ(AfterMillis(trace[0]), "say Olá €  fim");
  EXPECT_EQ(AfterMillis(trace[1]), "stop");
  const auto audio = testing_support::ReadLines(dir_ / "audio");
  ASSERT_EQ(audio.size(), 2u);
  EXPECT_EQ(AfterMillis(audio[0]), "open 22050 16 1");
  EXPECT_EQ(AfterMillis(audio[1]), "done");
}

TEST_F(ObservationTest, ScreenFileHoldsTextThenAttributesAndIsWrittenOnChange) {
  const std::string path = dir_ / "screen";
  testing_support::ScopedEnv env({{"TALMAR_SCREEN", path}});
  ResetObservation();
  std::vector<uint8_t> chars(80 * 25, ' ');
  std::vector<uint8_t> attrs(80 * 25, 0x1F);
  chars[0] = 'G';
  chars[1] = 0xE1;  // á
  chars[80 * 25 - 1] = '!';
  attrs[1] = 0xA0;
  PublishScreen(chars.data(), attrs.data());

  const auto lines = testing_support::ReadLines(path);
  ASSERT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[0], "Gá" + std::string(78, ' '));
  EXPECT_EQ(lines[24], std::string(79, ' ') + "!");
  EXPECT_EQ(lines[25], "");
  std::string firstAttrs = "1FA0";
  for (int i = 2; i < 80; ++i) firstAttrs += "1F";
  EXPECT_EQ(lines[26], firstAttrs);
  EXPECT_EQ(lines[50].size(), 160u);

  // The same screen again is not written; a changed one is.
  std::filesystem::remove(path);
  PublishScreen(chars.data(), attrs.data());
  EXPECT_FALSE(std::filesystem::exists(path));
  attrs[80 * 25 - 1] = 0x07;
  PublishScreen(chars.data(), attrs.data());
  std::string lastAttrs;
  for (int i = 0; i < 79; ++i) lastAttrs += "1F";
  EXPECT_EQ(testing_support::ReadLines(path).back(), lastAttrs + "07");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

}  // namespace
}  // namespace platform
