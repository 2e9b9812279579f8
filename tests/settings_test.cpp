#include "speech/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <memory>

#include "platform/paths.h"
#include "speech/wave_output.h"
#include "synth/diphone_synth.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteFile;

// Drive C: on a fresh temporary folder; the program starts in C:\prog, so
// that is the start-up folder. The working folder is put back afterwards.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    savedWorkingFolder_ = buffer;
    env_ = std::make_unique<ScopedEnv>(
        std::map<std::string, std::string>{{"TALMAR_DRIVE_C", driveC_.path()}});
    platform::ResetPaths();
    std::filesystem::create_directories(driveC_ / "prog");
    std::filesystem::create_directories(driveC_ / "windows");
    ASSERT_TRUE(platform::SetCurrentFolder("C:\\prog"));
    SettingsStart();
    ASSERT_TRUE(platform::SetCurrentFolder("C:\\"));  // as the program moves away at start
    SynthStart();
  }
  void TearDown() override {
    EXPECT_EQ(chdir(savedWorkingFolder_.c_str()), 0);
    env_.reset();
    platform::ResetPaths();
    SettingsStart();
    SynthStart();
    WaveSetCut(false);
    WaveSetSpeedUp(false);
  }

  void WriteWindowsIni(const std::string& text) { WriteFile(driveC_ / "windows/SONTRA.INI", text); }
  void WriteStartupIni(const std::string& text) { WriteFile(driveC_ / "prog/sontra.ini", text); }

  TempDir driveC_;
  std::string savedWorkingFolder_;
  std::unique_ptr<ScopedEnv> env_;
};

TEST_F(SettingsTest, TheWindowsFolderFileWinsAndIsChosenOnEveryRead) {
  EXPECT_EQ(StartupFolder(), "C:\\prog");
  EXPECT_EQ(ReadSetting("TRADUTOR", "SAPI"), "");
  WriteStartupIni("[TRADUTOR]\nSAPI=inicio\nSO=inicio\n");
  EXPECT_EQ(ReadSetting("tradutor", "sapi"), "inicio");
  WriteWindowsIni("[TRADUTOR]\nSAPI=windows\n");
  EXPECT_EQ(ReadSetting("TRADUTOR", "SAPI"), "windows");
  EXPECT_EQ(ReadSetting("TRADUTOR", "SO"), "");  // the start-up file is not consulted at all
  std::filesystem::remove(driveC_ / "windows/SONTRA.INI");
  EXPECT_EQ(ReadSetting("TRADUTOR", "SAPI"), "inicio");
}

TEST_F(SettingsTest, EmptySectionMeansSontraAndValuesStopAt255) {
  WriteWindowsIni("[SONTRA]\nX=sontra\nLONGO=" + std::string(300, 'a') + "\n");
  EXPECT_EQ(ReadSetting("", "X"), "sontra");
  EXPECT_EQ(ReadSetting("", "LONGO"), std::string(255, 'a'));
}

TEST_F(SettingsTest, InstallationFolderReferencesExpand) {
  const std::string keys =
      "[A]\nLETRAS=@\\som\\letras\\\nCOLADO=@abc\nMEIO=x:@\\som\nSEMBARRA=a@b\nDOIS=@\\a@\\b\n";
  WriteWindowsIni("[SONTRA]\nPGMSONTRA=d:\\talmar\n" + keys);
  EXPECT_EQ(ReadSetting("A", "LETRAS"), "d:\\talmar\\som\\letras\\");
  EXPECT_EQ(ReadSetting("A", "COLADO"), "d:\\talmarabc");
  EXPECT_EQ(ReadSetting("A", "MEIO"), "x:d:\\talmar\\som");
  EXPECT_EQ(ReadSetting("A", "SEMBARRA"), "a@b");
  EXPECT_EQ(ReadSetting("A", "DOIS"), "d:\\talmar\\ad:\\talmar\\b");

  // An empty installation folder, or one that is itself a reference, gives
  // way to the start-up folder.
  for (const char* prefix : {"", "@\\outro"}) {
    SCOPED_TRACE(prefix);
    WriteWindowsIni(std::string("[SONTRA]\nPGMSONTRA=") + prefix + "\n" + keys);
    EXPECT_EQ(ReadSetting("A", "LETRAS"), "C:\\prog\\som\\letras\\");
  }
  WriteWindowsIni(keys);
  EXPECT_EQ(ReadSetting("A", "LETRAS"), "C:\\prog\\som\\letras\\");
}

TEST_F(SettingsTest, SelfReferencingInstallationFolderStops) {
  WriteWindowsIni("[SONTRA]\nPGMSONTRA=x@\\\n[A]\nK=@\\y\n");
  const std::string value = ReadSetting("A", "K");
  EXPECT_LE(value.size(), 255u);
  EXPECT_EQ(value.rfind("xx", 0), 0u);
  EXPECT_EQ(value.substr(value.size() - 2), "\\y");
}

TEST(ParseIntegerTest, ReadsLikePascalVal) {
  struct Case {
    const char* text;
    int32_t value;
    bool valid;
  };
  const Case cases[] = {
      {"12", 12, true},
      {"  12", 12, true},
      {"-5", -5, true},
      {"+7", 7, true},
      {"$1F", 31, true},
      {"0x1f", 31, true},
      {"0X1F", 31, true},
      {"-$10", -16, true},
      {"$FFFFFFFF", -1, true},
      {"2147483647", 2147483647, true},
      {"-2147483648", INT32_MIN, true},
      {"12abc", 12, false},
      {"12 ", 12, false},
      {"", 0, false},
      {"   ", 0, false},
      {"abc", 0, false},
      {"-", 0, false},
      {"$", 0, false},
      {"0x", 0, false},
      {"$1G", 1, false},
      {"2147483648", 214748364, false},  // the digit that no longer fits ends the number
      {"99999999999999999999", 999999999, false},
      {"-2147483649", -214748364, false},
      {"$123456789", 0x12345678, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    const ParsedInteger parsed = ParseInteger(c.text);
    EXPECT_EQ(parsed.value, c.value);
    EXPECT_EQ(parsed.valid, c.valid);
  }
}

TEST(ParseFlagTest, TrueUnlessEmptyOrNo) {
  for (const char* yes : {"Sim", "s", "1", "0", "yes", " n"}) EXPECT_TRUE(ParseFlag(yes)) << yes;
  for (const char* no : {"", "N", "nao", "Não"}) EXPECT_FALSE(ParseFlag(no)) << no;
}

TEST_F(SettingsTest, SpeedDependentKeys) {
  struct Case {
    const char* lines;
    SynthSettings expected;
  };
  SynthSettings base;
  const auto with = [&base](auto change) {
    SynthSettings s = base;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"CORTAFALA3=Sim\n", with([](SynthSettings& s) { s.cutSpeech = true; })},
      {"CORTAFALA3=nao\n", base},
      {"CORTAFALA3=\n", base},
      {"RAPIDINHO3=s\nCORTAFALA2=s\n", with([](SynthSettings& s) { s.speedUp = true; })},
      {"PAUSAPONTO3=abc\n", base},
      {"PAUSAPONTO3=0\nPAUSAVIRG3=12x\nPAUSADOISPONTOS3=$10\n",
       with([](SynthSettings& s) { s.pauseFullStop = 0; s.pauseColon = 16; })},
      {"DIFONES3=ABCDEFGHIJK\n", with([](SynthSettings& s) { s.database = "ABCDEFGH"; })},
      {"CORTEFON3=12abc\nSOBRAFON3=5x\nINTERPAL3=7\n",
       with([](SynthSettings& s) { s.cutting = 12; s.wordGap = 7; })},
      {"CORTEFON3=-40\nSOBRAFON3=30\nINTERPAL3=x\n",
       with([](SynthSettings& s) { s.cutting = -40; s.overlap = 30; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    WriteWindowsIni(std::string("[SINTETIZADOR]\n") + c.lines);
    WaveSetCut(!c.expected.cutSpeech);
    WaveSetSpeedUp(!c.expected.speedUp);
    const SynthSettings got = ReadSynthSettings(3);
    EXPECT_EQ(got.database, c.expected.database);
    EXPECT_EQ(got.cutting, c.expected.cutting);
    EXPECT_EQ(got.overlap, c.expected.overlap);
    EXPECT_EQ(got.wordGap, c.expected.wordGap);
    EXPECT_EQ(got.cutSpeech, c.expected.cutSpeech);
    EXPECT_EQ(got.speedUp, c.expected.speedUp);
    EXPECT_EQ(got.pauseFullStop, c.expected.pauseFullStop);
    EXPECT_EQ(got.pauseComma, c.expected.pauseComma);
    EXPECT_EQ(got.pauseColon, c.expected.pauseColon);
    // Handed on to the synthesizer and the wave output engine.
    EXPECT_EQ(SynthDatabaseName(), c.expected.database);
    EXPECT_EQ(SynthCutting(), c.expected.cutting);
    EXPECT_EQ(SynthOverlap(), c.expected.overlap);
    EXPECT_EQ(SynthWordGap(), c.expected.wordGap);
    EXPECT_EQ(WaveCut(), c.expected.cutSpeech);
    EXPECT_EQ(WaveSpeedUp(), c.expected.speedUp);
  }
}

TEST_F(SettingsTest, SpeechKeys) {
  struct SpeedCase {
    const char* value;
    int speedArgument;
    int expected;
  };
  for (const SpeedCase& c : {SpeedCase{"7", 0, 3}, SpeedCase{"0", 0, 3}, SpeedCase{"abc", 0, 3},
                             SpeedCase{"5", 0, 5}, SpeedCase{"1", 0, 1}, SpeedCase{"4x", 0, 3},
                             SpeedCase{"5", 2, 2}}) {
    SCOPED_TRACE(c.value);
    WriteWindowsIni(std::string("[TRADUTOR]\nVELOCIDADE=") + c.value + "\n");
    EXPECT_EQ(ReadSpeechSettings(c.speedArgument).speed, c.expected);
  }

  WriteWindowsIni(
      "[SONTRA]\nPGMSONTRA=d:\\x\n[TRADUTOR]\nSAPI=Sim\nDIRLETRAS=@\\letras\n"
      "[SERVFALA]\nVOZ=2\nVELOCIDADE=15\nTOM=-3\nTIPOSAPI=5\n");
  SpeechSettings s = ReadSpeechSettings(0);
  EXPECT_TRUE(s.useServer);
  EXPECT_EQ(s.lettersFolder, "@\\letras\\");  // read as it stands, a backslash added
  EXPECT_EQ(s.serverVoice, 2);
  EXPECT_EQ(s.serverRate, 0);  // above 10 only for kind 4
  EXPECT_EQ(s.serverPitch, -3);
  EXPECT_EQ(s.serverKind, 5);

  WriteWindowsIni("[SERVFALA]\nVELOCIDADE=15\nTIPOSAPI=4\n[TRADUTOR]\nDIRLETRAS=e:\\l\\\n");
  s = ReadSpeechSettings(0);
  EXPECT_EQ(s.serverRate, 15);
  EXPECT_EQ(s.lettersFolder, "e:\\l\\");
}

TEST_F(SettingsTest, DefaultsWithoutAnySettingsFile) {
  WriteStartupIni("[TRADUTOR]\nDIRLETRAS=x:\\nunca\\\n");  // the letters folder ignores this file
  WaveSetCut(true);
  WaveSetSpeedUp(true);
  const SpeechSettings speech = ReadSpeechSettings(0);
  EXPECT_EQ(speech.speed, 3);
  EXPECT_FALSE(speech.useServer);
  EXPECT_EQ(speech.lettersFolder, "c:\\talmar\\som\\letras\\");
  EXPECT_EQ(speech.serverVoice, 0);
  EXPECT_EQ(speech.serverRate, 0);
  EXPECT_EQ(speech.serverPitch, 0);
  EXPECT_EQ(speech.serverKind, 0);

  std::filesystem::remove(driveC_ / "prog/sontra.ini");
  EXPECT_EQ(SynthDatabaseName(), "DIFONES2");
  const SynthSettings synth = ReadSynthSettings(speech.speed);
  EXPECT_EQ(synth.database, "");
  EXPECT_EQ(SynthDatabaseName(), "");  // the start value is replaced even by nothing
  EXPECT_EQ(SynthCutting(), 0);
  EXPECT_EQ(SynthOverlap(), 0);
  EXPECT_EQ(SynthWordGap(), 0);
  EXPECT_FALSE(WaveCut());
  EXPECT_FALSE(WaveSpeedUp());
  EXPECT_EQ(synth.pauseFullStop, 250);
  EXPECT_EQ(synth.pauseComma, 150);
  EXPECT_EQ(synth.pauseColon, 200);
}

}  // namespace
