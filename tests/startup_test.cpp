// The real program, run headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "console/console.h"
#include "platform/observe.h"
#include "platform/paths.h"
#include "platform/window.h"
#include "tests/synth_fixture.h"
#include "tests/test_support.h"

using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::ReadLines;
using testing_support::RunProgram;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const std::string kNotInstalled =
    "Descompacte este programa na pasta C:\\talmar para um melhor funcionamento";

std::vector<std::string> ScreenRows(const std::string& screenFile) {
  std::vector<std::string> lines = ReadLines(screenFile);
  lines.resize(51);
  return lines;
}

}  // namespace

TEST(StartupTest, AnEmptyDriveSaysTheProgramIsNotInstalledAndEnds) {
  TempDir drive, scratch;
  // Started in a folder of its own: when the move into the installation
  // folder fails, the program file is looked for in the folder it started in.
  const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive.path()},
                                       {"TALMAR_SCREEN", scratch / "screen.txt"}},
                                      20000, scratch.path());
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  const std::vector<std::string> rows = ScreenRows(scratch / "screen.txt");
  EXPECT_EQ(rows[0], kNotInstalled + std::string(80 - kNotInstalled.size(), ' '));
  EXPECT_EQ(rows[1], std::string(80, ' '));
  EXPECT_EQ(rows[25], "");
  std::string whiteOnBlack;
  for (int i = 0; i < 80; ++i) whiteOnBlack += "0F";
  EXPECT_EQ(rows[26], whiteOnBlack);
}

TEST(StartupTest, AnInstalledProgramFoundFromAnotherFolderRunsAndBreakEndsItWith255) {
  TempDir drive, scratch, elsewhere;
  WriteFile(drive / "TALMAR/Ligafala", "");  // letter case of the folders does not matter
  testing_support::InstallSilentVoice(drive.path());
  WriteFile(scratch / "keys", "Break\n");
  const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive.path()},
                                       {"TALMAR_KEYS", scratch / "keys"},
                                       {"TALMAR_SCREEN", scratch / "screen.txt"}},
                                      20000, elsewhere.path());
  EXPECT_EQ(result.exitStatus, 255) << result.output;
  // The greeting was cleared away and the main menu had begun.
  const std::string title = "Menu principal";
  EXPECT_EQ(ScreenRows(scratch / "screen.txt")[0], title + std::string(80 - title.size(), ' '));
}

TEST(StartupTest, TheEndOfTheKeyScriptClosesTheWindow) {
  TempDir drive;
  WriteFile(drive / "talmar/ligafala", "");
  testing_support::InstallSilentVoice(drive.path());
  const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive.path()}}, 20000, drive.path());
  EXPECT_EQ(result.exitStatus, 0) << result.output;
}

// Scripted keys travel through the headless window's real messages into the
// key queue.
TEST(StartupTest, ScriptedKeysReachTheKeyQueueWithTheirCodes) {
  TempDir drive, scratch;
  WriteFile(scratch / "keys", "Up\nCtrl+Up\nShift+Insert\nCtrl+Enter\nCtrl+Backspace\ntext:\xC3\xA7" "a\n");
  testing_support::ScopedEnv env({{"TALMAR_DRIVE_C", drive.path()},
                                  {"TALMAR_VIDEO", "headless"},
                                  {"TALMAR_KEYS", scratch / "keys"},
                                  {"TALMAR_TRACE", scratch / "trace"}});
  platform::ResetPaths();
  platform::ResetObservation();
  platform::ResetWindowSystem();
  ConsoleResetForTest();
  std::vector<int> keys;
  for (int i = 0; i < 10; ++i) keys.push_back(ConsoleReadKey());
  EXPECT_EQ(keys, (std::vector<int>{0, 72, 0, 113, 0, 254, 10, 127, 0xE7, 'a'}));
  std::vector<std::string> traced;
  for (const std::string& line : ReadLines(scratch / "trace")) {
    traced.push_back(line.substr(line.find(' ') + 1));
  }
  EXPECT_EQ(traced, (std::vector<std::string>{"key 0", "key 72", "key 0", "key 113", "key 0",
                                              "key 254", "key 10", "key 127", "key 231",
                                              "key 97"}));
  platform::ResetWindowSystem();
  ConsoleResetForTest();
  platform::ResetObservation();
}

TEST(StartupTest, AnInstalledProgramGreetsTheUserAndSpellsTheVersion) {
  TempDir drive, scratch;
  WriteFile(drive / "talmar/ligafala", "");
  testing_support::InstallSilentVoice(drive.path());
  auto run = [&] {
    const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive.path()},
                                         {"TALMAR_AUDIO_PACE", "0"},
                                         {"TALMAR_TRACE", scratch / "trace"},
                                         {"TALMAR_AUDIO_LOG", scratch / "audio"}},
                                        20000, drive.path());
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    std::vector<std::string> said;
    for (const std::string& line : ReadLines(scratch / "trace")) {
      said.push_back(line.substr(line.find(' ') + 1));
    }
    std::filesystem::remove(scratch / "trace");
    return said;
  };
  // Without recordings the greeting is spoken, then the version spelled.
  std::vector<std::string> said = run();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "say Ligafala 2015 - vers\xC3\xA3o ");
  const auto version = std::find(said.begin(), said.end(), "char 51");
  ASSERT_NE(version, said.end());
  EXPECT_EQ(std::vector<std::string>(version, version + 4),
            (std::vector<std::string>{"char 51", "char 46", "char 51", "say"}));

  // With its recording installed the greeting is played from it, in the
  // recording's own format.
  std::string samples(2000, '\0');
  std::string wave = "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string("\x10\0\0\0\x01\0\x01\0", 8) +
                     std::string("\x80\x3E\0\0\0\x7D\0\0\x02\0\x10\0", 12) + "data" +
                     std::string("\xD0\x07\0\0", 4) + samples;
  WriteFile(drive / "talmar/som/ligafala/LFINIC.wav", wave);
  said = run();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "sound som\\ligafala\\LFINIC");
  const std::vector<std::string> audio = ReadLines(scratch / "audio");
  ASSERT_FALSE(audio.empty());
  EXPECT_EQ(audio.front().substr(audio.front().find(' ') + 1), "open 16000 16 1");
}

// A voice database that the settings name but that cannot be opened ends the
// program after saying so on the screen and waiting for Enter.
TEST(StartupTest, AVoiceThatCannotStartIsReportedAndEndsTheProgram) {
  TempDir drive, scratch;
  WriteFile(drive / "talmar/ligafala", "");
  WriteFile(drive / "windows/SONTRA.INI", "[SINTETIZADOR]\r\nDIFONES3=FALTA\r\n");
  WriteFile(scratch / "keys", "Enter\n");
  const RunResult result = RunProgram({{"TALMAR_DRIVE_C", drive.path()},
                                       {"TALMAR_KEYS", scratch / "keys"},
                                       {"TALMAR_SCREEN", scratch / "screen.txt"}},
                                      20000, drive.path());
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  const std::vector<std::string> rows = ScreenRows(scratch / "screen.txt");
  EXPECT_EQ(rows[0].substr(0, 26), "Erro de inicializa\xC3\xA7\xC3\xA3o: 1");
  EXPECT_EQ(rows[1].substr(0, 28), "Banco de dados de voz: FALTA");
}
