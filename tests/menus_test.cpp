// The main menu, the series menu, the end confirmation and the list views,
// run on the fake window with the speech core tracing what the user hears.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/menus.h"
#include "console/menu_selector.h"
#include "platform/keys.h"
#include "tests/speech_fixture.h"

using platform::Message;
using testing_support::KeyPress;
using testing_support::kSilentVoice;

namespace {


using Keys = std::vector<std::vector<Message>>;
const std::vector<Message> kDown = KeyPress(platform::kVkDown);
const std::vector<Message> kUp = KeyPress(platform::kVkUp);
const std::vector<Message> kEnter = KeyPress(platform::kVkReturn);
const std::vector<Message> kEsc = KeyPress(platform::kVkEscape);
std::vector<Message> Letter(char c) {
  return KeyPress(static_cast<uint16_t>(c >= 'a' ? c - 32 : c), 0, static_cast<uint8_t>(c));
}

// The sentences as the trace shows them (UTF-8).
const std::string kMenu = "say Menu principal";
const std::string kArrows = "say D\xC3\xAAs\xC3\xA7" "a com as setas";
const std::string kSeriesA = "say Brasileir\xC3\xA3o s\xC3\xA9rie A";
const std::string kConfirm = "say Confirma fim?";
const std::string kQuestion = "char 63";  // the question mark is said as a symbol
const std::string kCancelled = "say Cancelado";
const std::string kFarewell = "say Fim do ligafala";

}  // namespace

namespace testing_support {


class MenusTest : public SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    SpeechUseBuiltInVoice(&kSilentVoice);
    MenuStart();
    ASSERT_TRUE(platform::SetCurrentFolder("C:\\"));
    ClearLogs();
  }
  void TearDown() override {
    SpeechUseBuiltInVoice(nullptr);
    MenuEnd();
    SpeechTest::TearDown();
  }
  void Type(const Keys& keys) {
    for (const auto& key : keys) window_->onKeyWait.push_back(key);
  }

};

TEST_F(MenusTest, OnlyCapitalOrSmallSConfirmsTheEnd) {
  using Said = std::vector<std::string>;
  const struct {
    const char* name;
    Keys keys;
    Said heard;
  } cases[] = {
      {"S", {kEsc, Letter('S')}, {kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 83", kFarewell}},
      {"s after Terminar o programa",
       {KeyPress(platform::kVkEnd), kEnter, Letter('s')},
       {kMenu, kArrows, kSeriesA, "say Terminar o programa", kConfirm, kQuestion, "char 115", kFarewell}},
      {"n", {kEsc, Letter('n'), kEsc, Letter('s')},
       {kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 110", kCancelled, kMenu, kArrows, kSeriesA,
        kConfirm, kQuestion, "char 115", kFarewell}},
      {"Enter", {kEsc, kEnter, kEsc, Letter('s')},
       {kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 13", kCancelled, kMenu, kArrows, kSeriesA,
        kConfirm, kQuestion, "char 115", kFarewell}},
      {"Esc", {kEsc, kEsc, kEsc, Letter('s')},
       {kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 27", kCancelled, kMenu, kArrows, kSeriesA,
        kConfirm, kQuestion, "char 115", kFarewell}},
      // The arrow's code byte 72 is left queued and read by the main menu as
      // the letter H, which no option starts with.
      {"an arrow", {kEsc, kUp, kEsc, Letter('s')},
       {kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 0", kCancelled, kMenu, kArrows, kSeriesA, "beep",
        "beep", kConfirm, kQuestion, "char 115", kFarewell}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLogs();
    Type(c.keys);
    MainMenu();
    EXPECT_EQ(Heard(), c.heard);
    EXPECT_TRUE(window_->onKeyWait.empty());
  }
}

TEST_F(MenusTest, TheSeriesMenuGoesBackWithItsThirdOptionOrEsc) {
  Type({kEnter, KeyPress(platform::kVkEnd), kEnter, kEsc, Letter('s')});
  MainMenu();
  EXPECT_EQ(Heard(), (std::vector<std::string>{
                         kMenu, kArrows, kSeriesA,
                         kArrows, "say Ver tabela de classifica\xC3\xA7\xC3\xA3o",
                         "say Voltar para o menu anterior",
                         kMenu, kArrows, kSeriesA,
                         kConfirm, kQuestion, "char 115", kFarewell}));
  ClearLogs();
  Type({kEsc});
  SeriesMenu(2);
  EXPECT_EQ(Heard().size(), 2u);
}

TEST_F(MenusTest, ManualOptionDoesNothingWithoutTheEditorOrTheManual) {
  for (const std::string& installed : {std::string(), std::string("talmar/plumet.exe"),
                                       std::string("manual/ligafala.txt")}) {
    SCOPED_TRACE(installed);
    if (!installed.empty()) Install(installed, "");
    ClearLogs();
    Type({Letter('m'), kEnter, kEsc, Letter('s')});
    MainMenu();
    EXPECT_EQ(Heard(), (std::vector<std::string>{kMenu, kArrows, kSeriesA, "say Manual do programa",
                                                 kMenu, kArrows, kSeriesA, kConfirm, kQuestion, "char 115",
                                                 kFarewell}));
    if (!installed.empty()) std::filesystem::remove(drive_ / installed);
  }
}

TEST_F(MenusTest, AListViewShowsCleanedLinesAndStartsAgainAfterEnter) {
  const std::vector<std::string> lines = {"Grupo A", "Sport-PE 1\xBA colocado", "Vasco-RJ 2\xBA colocado"};
  Type({kDown, kEnter, kDown, kDown, kEsc});
  BrowseListLines(lines);
  EXPECT_EQ(Heard(), (std::vector<std::string>{kArrows, "say Grupo A", "say Sport 1\xC2\xBA colocado",
                                               kArrows, "say Grupo A", "say Sport 1\xC2\xBA colocado",
                                               "say Vasco-RJ 2\xC2\xBA colocado"}));
  // Three lines get a box of two rows: the last line stays on row 12.
  EXPECT_EQ(Row(12).substr(0, 41), "Vasco-RJ 2\xBA colocado                     ");
  EXPECT_EQ(ConsoleAttrAt(1, 12), 0x5F);
}

TEST_F(MenusTest, AnEmptyListBeepsAndLeavesOnEnter) {
  Type({kEnter});
  BrowseListLines({});
  EXPECT_EQ(Heard(), (std::vector<std::string>{kArrows, "beep", "beep"}));
}

TEST(CleanListLineTest, RemovesTheStateSuffixesAndNamesBrasilDePelotas) {
  const struct {
    std::string line;
    std::string cleaned;
  } cases[] = {
      {"Sport-PE", "Sport"},
      {"CRB-AL e CSA-al", "CRB e CSA"},
      {"Sampaio Corr\xEA" "a-MA", "Sampaio Corr\xEA" "a"},
      {"Cuiab\xE1-MT", "Cuiab\xE1"},
      {"Cear\xE1-CE Fortaleza-Ce", "Cear\xE1 Fortaleza"},
      {"Paysandu-PA Remo-pA", "Paysandu Remo"},
      {"Santos-SP Ponte-sp Guarani-Sp Ituano-sP", "Santos Ponte Guarani Ituano"},
      {"Confian\xE7" "a-SE", "Confian\xE7" "a"},
      {"Atl\xE9tico-MG Vasco-RJ", "Atl\xE9tico-MG Vasco-RJ"},
      {"brasill 3\xBA colocado", "Brasil de Pel\xF3tas 3\xBA colocado"},
      {"BRASILL", "Brasil de Pel\xF3tas"},
      {"SER Caxias", "Caxias"},
      {"Ser Caxias SERRA", "Ser Caxias SERRA"},
      // Suffixes go wherever they stand, not only at the end.
      {"Grupo-pernambucano", "Grupornambucano"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanListLine(c.line), c.cleaned) << c.line;
}

TEST(RoundPagePathTest, EachSeriesHasItsPage) {
  EXPECT_EQ(RoundPagePath(1), "/futebol/brasileirao-serie-a/");
  EXPECT_EQ(RoundPagePath(2), "/futebol/brasileirao-serie-b/");
  EXPECT_EQ(RoundPagePath(3), "/futebol/brasileirao-serie-c/");
  EXPECT_EQ(RoundPagePath(4), "");
}

}  // namespace testing_support
