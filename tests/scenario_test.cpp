// The real programs driven headless by key scripts: the main menu from the
// greeting to the end, the manual opened in the editor, and the text reader.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/synth_fixture.h"
#include "tests/test_support.h"

using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::RunProgram;
using testing_support::RunResult;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const std::string kMenu = "say Menu principal";
const std::string kArrows = "say D\xC3\xAAs\xC3\xA7" "a com as setas";
const std::string kSeriesA = "say Brasileir\xC3\xA3o s\xC3\xA9rie A";
const std::string kSeriesB = "say Brasileir\xC3\xA3o s\xC3\xA9rie B";

// The events of a trace from the main menu's first words on, without their
// times. `withTimes` keeps them.
std::vector<std::string> FromMainMenu(const std::string& traceFile, bool withTimes = false) {
  std::vector<std::string> events;
  bool started = false;
  for (const std::string& line : ReadLines(traceFile)) {
    const std::string event = line.substr(line.find(' ') + 1);
    if (event == kMenu) started = true;
    if (started) events.push_back(withTimes ? line : event);
  }
  return events;
}

int64_t TimeOf(const std::string& line) { return std::stoll(line.substr(0, line.find(' '))); }

// An installed drive: the program file and an empty settings file.
struct Installation {
  TempDir drive;
  TempDir scratch;
  Installation() {
    WriteFile(drive / "talmar/ligafala", "");
    WriteFile(drive / "windows/SONTRA.INI", "");
    testing_support::InstallSilentVoice(drive.path());
  }
  RunResult Run(const std::string& keys) {
    WriteFile(scratch / "keys", keys);
    return RunProgram({{"TALMAR_DRIVE_C", drive.path()},
                       {"TALMAR_AUDIO_PACE", "0"},
                       {"TALMAR_KEYS", scratch / "keys"},
                       {"TALMAR_TRACE", scratch / "trace"},
                       {"TALMAR_SCREEN", scratch / "screen"}});
  }
};

// Runs the text reader headless on `file` in `folder`; the exit status, or
// -1 when it had to be stopped.
int RunReader(const std::string& folder, const std::string& file,
              const std::map<std::string, std::string>& env) {
  std::vector<std::string> strings = {"TALMAR_VIDEO=headless", "TALMAR_AUDIO=null",
                                      "TALMAR_AUDIO_PACE=0"};
  for (const char* keep : {"HOME", "PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(keep)) strings.push_back(std::string(keep) + "=" + value);
  }
  for (const auto& [name, value] : env) strings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& s : strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::string binary = READER_BINARY;
  std::string argument = file;
  std::vector<char*> argv = {binary.data()};
  if (!file.empty()) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -2;
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) != pid; waited += 5) {
    if (waited > 20000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(ScenarioTest, BrowsingTheMainMenuAndEndingWithTheSpokenConfirmation) {
  Installation installed;
  const RunResult result = installed.Run("Down\ntext:t\nEsc\ntext:n\nEsc\ntext:s\n");
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  std::vector<std::string> heard;
  for (const std::string& event : FromMainMenu(installed.scratch / "trace")) {
    if (event != "stop") heard.push_back(event);
  }
  EXPECT_EQ(heard, (std::vector<std::string>{
                       kMenu, kArrows, kSeriesA,
                       "key 0", "key 80", kSeriesB,
                       "key 116", "say Terminar o programa",
                       "key 27", "say Confirma fim?", "char 63",
                       "key 110", "char 110", "say Cancelado",
                       kMenu, kArrows, kSeriesA,
                       "key 27", "say Confirma fim?", "char 63",
                       "key 115", "char 115", "say Fim do ligafala"}));
}

TEST(ScenarioTest, TheMainMenuBoxOnTheScreen) {
  Installation installed;
  // The script ends with the menu open on its second option; the window is
  // then closed and the screen file keeps the menu.
  const RunResult result = installed.Run("Down\n");
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  const std::vector<std::string> screen = ReadLines(installed.scratch / "screen");
  ASSERT_EQ(screen.size(), 51u);
  EXPECT_EQ(screen[0].substr(0, 15), "Menu principal ");
  EXPECT_EQ(screen[1].substr(0, 20), "D\xC3\xAAs\xC3\xA7" "a com as setas");
  const std::vector<std::string> options = {"Brasileir\xC3\xA3o s\xC3\xA9rie A ", "Brasileir\xC3\xA3o s\xC3\xA9rie B ",
                                            "Brasileir\xC3\xA3o s\xC3\xA9rie C ", "Manual do programa  ",
                                            "Terminar o programa "};
  for (int i = 0; i < 5; ++i) {
    const std::string& row = screen[9 + i];
    EXPECT_EQ(row.substr(0, options[i].size()), options[i]);
    const std::string& attrs = screen[26 + 9 + i];
    // Columns 1 to 20 on background 5; option 2 ("Brasileirão série B", 19
    // characters) in colour 14, the rest in 15; column 21 untouched.
    for (int column = 0; column < 20; ++column) {
      const std::string expected = (i == 1 && column < 19) ? "5E" : "5F";
      EXPECT_EQ(attrs.substr(2 * column, 2), expected) << "row " << 10 + i << " column " << column + 1;
    }
    EXPECT_EQ(attrs.substr(40, 2), "0F");
  }
  EXPECT_EQ(screen[26 + 14].substr(0, 2), "0F");  // row 15 is below the box
}

TEST(ScenarioTest, TheManualOpensInTheEditorAndTheMenuComesBackWithTheConsole) {
  Installation installed;
  WriteFile(installed.drive / "talmar/plumet.exe",
            "#!/bin/sh\nprintf '%s\\n' \"$@\" > mark.tmp\npwd >> mark.tmp\nmv mark.tmp mark\n");
  chmod((installed.drive / "talmar/plumet.exe").c_str(), 0755);
  WriteFile(installed.drive / "talmar/manual/ligafala.txt", "Manual\r\n");
  const RunResult result =
      installed.Run("text:m\nEnter\nfocus:out\nsleep:300\nfocus:in\nEsc\ntext:s\n");
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  for (int i = 0; i < 200 && !std::filesystem::exists(installed.drive / "talmar/mark"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(ReadLines(installed.drive / "talmar/mark"),
            (std::vector<std::string>{"manual\\ligafala.txt",
                                      std::filesystem::canonical(installed.drive / "talmar").string()}));
  const std::vector<std::string> timed = FromMainMenu(installed.scratch / "trace", true);
  std::vector<std::string> said;
  int64_t manualAt = -1;
  int64_t backAt = -1;
  for (const std::string& line : timed) {
    const std::string event = line.substr(line.find(' ') + 1);
    if (event.rfind("say ", 0) != 0) continue;
    said.push_back(event);
    if (event == "say Manual do programa") manualAt = TimeOf(line);
    if (event == kMenu && manualAt >= 0 && backAt < 0) backAt = TimeOf(line);
  }
  EXPECT_EQ(said, (std::vector<std::string>{kMenu, kArrows, kSeriesA, "say Manual do programa", kMenu,
                                            kArrows, kSeriesA, "say Confirma fim?",
                                            "say Fim do ligafala"}));
  // The console was away for 300 ms, then the default pause of 500 ms.
  EXPECT_GE(backAt - manualAt, 800);
}

TEST(ScenarioTest, TheTextReaderSaysTheLineItMovesToAndSpellsItOnRight) {
  TempDir drive, scratch;
  WriteFile(drive / "windows/SONTRA.INI", "");
  testing_support::InstallSilentVoice(drive.path());
  const std::string longLine = std::string(70, 'a') + " segunda parte da linha longa";
  WriteFile(drive / "talmar/manual/ligafala.txt",
            "Primeira linha\r\n\tSegunda\r\nTerceira\n" + longLine + "\r\n");
  WriteFile(scratch / "keys", "Down\nRight\nEnter\nEnd\nHome\ntext:t\nEsc\n");
  const int status = RunReader(drive / "talmar", "manual\\ligafala.txt",
                               {{"TALMAR_DRIVE_C", drive.path()},
                                {"TALMAR_KEYS", scratch / "keys"},
                                {"TALMAR_TRACE", scratch / "trace"}});
  EXPECT_EQ(status, 0);
  std::vector<std::string> said;
  for (const std::string& line : ReadLines(scratch / "trace")) {
    const std::string event = line.substr(line.find(' ') + 1);
    if (event.rfind("say ", 0) == 0 || event.rfind("char ", 0) == 0) said.push_back(event);
  }
  // The tab became blanks up to column 9; the long line was broken at its
  // last blank that fits, so End reaches its second part.
  const std::string second = "say " + std::string(8, ' ') + "Segunda";
  std::vector<std::string> expected = {"say Primeira linha", second};
  for (const char c : std::string(8, ' ') + "Segunda") {
    expected.push_back("char " + std::to_string(static_cast<int>(c)));
  }
  for (const std::string& rest : {second,  // Enter stays on the line
                                  std::string("say parte da linha longa"),
                                  std::string("say Primeira linha"), std::string("say Terceira")}) {
    expected.push_back(rest);
  }
  EXPECT_EQ(said, expected);
}

TEST(ScenarioTest, TheTextReaderSaysWhenItCannotOpenTheFile) {
  TempDir drive, scratch;
  WriteFile(drive / "windows/SONTRA.INI", "");
  testing_support::InstallSilentVoice(drive.path());
  WriteFile(scratch / "keys", "Esc\n");
  for (const std::string& file : {std::string("nada.txt"), std::string()}) {
    std::filesystem::remove(scratch / "trace");
    const int status = RunReader(drive.path(), file,
                                 {{"TALMAR_DRIVE_C", drive.path()},
                                  {"TALMAR_KEYS", scratch / "keys"},
                                  {"TALMAR_TRACE", scratch / "trace"}});
    EXPECT_EQ(status, 1);
    const std::vector<std::string> trace = ReadLines(scratch / "trace");
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front().substr(trace.front().find(' ') + 1),
              file.empty() ? "say Nenhum arquivo para ler"
                           : "say N\xC3\xA3o foi poss\xC3\xADvel abrir o arquivo nada.txt");
  }
}
