// Starting the editor and waiting for the user to come back from it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/launcher.h"
#include "platform/launch.h"
#include "tests/speech_fixture.h"

namespace testing_support {

namespace {

// A stand-in editor: writes its arguments, one per line, then its working
// folder and whether it saw the trace variable, into "mark" in its working
// folder.
const char kStandInEditor[] =
    "#!/bin/sh\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > mark.tmp\n"
    "pwd >> mark.tmp\n"
    "printf '%s\\n' \"${TALMAR_TRACE-no trace}\" >> mark.tmp\n"
    "mv mark.tmp mark\n";

std::vector<std::string> WaitForMark(const std::string& path) {
  for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ReadLines(path);
}

// The delays WaitForProgramReturn asks for, and the console window's place
// in front after each of them.
struct DelayLog {
  std::vector<int> delays;
  std::function<bool(std::size_t)> inFrontAfter;
  FakeWindow* window = nullptr;
};
DelayLog delayLog;

void RecordDelay(uint16_t milliseconds) {
  delayLog.delays.push_back(milliseconds);
  delayLog.window->active = delayLog.inFrontAfter(delayLog.delays.size());
}

}  // namespace


class LauncherTest : public SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    delayLog = DelayLog{};
    delayLog.window = window_;
    LauncherUseDelay(RecordDelay);
  }
  void TearDown() override {
    LauncherUseDelay(nullptr);
    SpeechTest::TearDown();
  }
  void InstallEditor(const std::string& relative) {
    Install(relative, kStandInEditor);
    chmod((drive_ / relative).c_str(), 0755);
  }
};

TEST_F(LauncherTest, TheEditorStartsInTheWorkingFolderWithItsParametersAsSeparateArguments) {
  InstallEditor("talmar/plumet.exe");
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\talmar"));
  const int result = LaunchProgram("  C:\\talmar\\plumet.exe\t", "",
                                   "manual\\ligafala.txt \"dois  tres\" $HOME;x a\\\"b", kShowNormal);
  EXPECT_GT(result, platform::kStartFailureLimit);
  const std::vector<std::string> mark = WaitForMark(drive_ / "talmar/mark");
  const std::string folder = std::filesystem::canonical(drive_ / "talmar").string();
  EXPECT_EQ(mark, (std::vector<std::string>{"manual\\ligafala.txt", "dois  tres", "$HOME;x", "a\"b",
                                            folder, "no trace"}));

  // A folder given is where the program runs.
  EXPECT_GT(LaunchProgram("C:\\talmar\\plumet.exe", "C:\\", "", kShowNormal),
            platform::kStartFailureLimit);
  EXPECT_EQ(WaitForMark(drive_ / "mark"),
            (std::vector<std::string>{std::filesystem::canonical(drive_.path()).string(), "no trace"}));
}

TEST_F(LauncherTest, FailuresToStartGiveTheShellsSmallCodes) {
  Install("talmar/leia.txt", "texto");
  InstallEditor("talmar/plumet.exe");
  EXPECT_EQ(LaunchProgram("C:\\talmar\\nada.exe", "", "", kShowNormal), platform::kStartFileNotFound);
  EXPECT_EQ(LaunchProgram("C:\\talmar\\plumet.exe", "C:\\nenhuma", "", kShowNormal),
            platform::kStartPathNotFound);
  EXPECT_EQ(LaunchProgram("C:\\talmar\\leia.txt", "", "", kShowNormal), platform::kStartNoAssociation);
  EXPECT_EQ(LaunchProgram(" ", "", "", kShowNormal), platform::kStartFileNotFound);
}

TEST(SplitParametersTest, CutsAsTheWindowsCommandLineDoes) {
  using Args = std::vector<std::string>;
  const struct {
    std::string text;
    Args arguments;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"manual\\ligafala.txt", {"manual\\ligafala.txt"}},
      {" a  b\tc ", {"a", "b", "c"}},
      {"\"C:\\Arquivos de programas\\x.txt\" -r", {"C:\\Arquivos de programas\\x.txt", "-r"}},
      {"\"\"", {""}},
      {"a\"b c\"d", {"ab cd"}},
      {"a\\\\\"b c\"", {"a\\b c"}},   // 2n backslashes: n, and the quote groups
      {"a\\\\\\\"b", {"a\\\"b"}},     // 2n + 1: n, and a literal quote
      {"a\\\\b", {"a\\\\b"}},         // backslashes elsewhere are literal
      {"\"sem fim", {"sem fim"}},
      {"; rm -rf $HOME `x`", {";", "rm", "-rf", "$HOME", "`x`"}},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::SplitParameters(c.text), c.arguments) << c.text;
}

TEST_F(LauncherTest, WaitingForTheUserToComeBack) {
  auto looks = [](std::size_t n) { return std::vector<int>(n, 100); };
  auto then = [](std::vector<int> a, int pause) {
    a.push_back(pause);
    return a;
  };
  const struct {
    const char* name;
    const char* setting;  // null: no settings file
    std::function<bool(std::size_t)> inFrontAfter;
    std::vector<int> delays;
  } cases[] = {
      // The editor never takes the foreground: 50 looks, one more for the
      // return, and the default pause.
      {"never leaves", nullptr, [](std::size_t) { return true; }, then(looks(51), 500)},
      // The editor takes over at the third look; the user is back after the
      // seventh delay in all.
      {"editor and back", "[SONTRA]\nTEMPOESPERAPROGVOLTAR=0\n",
       [](std::size_t n) { return n < 3 || n >= 7; }, then(looks(7), 0)},
      // A third window keeps the wait going as long as it is in front.
      {"third window", "[SONTRA]\nTEMPOESPERAPROGVOLTAR= 250 \n",
       [](std::size_t n) { return n < 2 || n >= 300; }, then(looks(300), 250)},
      // Only the 49 first looks count: the fiftieth does not end step 2.
      {"leaves at the fiftieth look", "[SONTRA]\nTEMPOESPERAPROGVOLTAR=x\n",
       [](std::size_t n) { return n < 50 || n >= 52; }, then(looks(52), 500)},
      {"pause wraps at 16 bits", "[SONTRA]\nTEMPOESPERAPROGVOLTAR=65537\n",
       [](std::size_t n) { return n != 1; }, then(looks(2), 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(drive_ / "windows/SONTRA.INI");
    if (c.setting != nullptr) Settings(c.setting);
    delayLog.delays.clear();
    delayLog.inFrontAfter = c.inFrontAfter;
    WaitForProgramReturn();
    EXPECT_EQ(delayLog.delays, c.delays);
  }
}

}  // namespace testing_support
