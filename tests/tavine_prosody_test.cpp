#include <gtest/gtest.h>

#include "mbrola_tts/prosody.h"
#include "platform/cp1252.h"
#include "tests/test_support.h"

namespace {

using platform::Cp1252ToUtf8;
using platform::Utf8ToCp1252;

std::vector<std::string> messages;
void Capture(std::string_view message) { messages.push_back(Cp1252ToUtf8(message)); }

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += " / ";
    out += item;
  }
  return out;
}

constexpr char kDurations[] = "[DURAÇÃO]\na=100\n";
constexpr char kKeywords[] = "[CHAVES]\no=ar\n";
constexpr char kPatterns[] = "[PROSÓDIA]\nTABHERTZ=0,0,0,0,0,100,0,0,0,0\n";

class TavineProsodyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TavineProsodyStart();
    SetProsodyMessageSink(Capture);
    messages.clear();
    // A voice with every diphone of the phonemes used here.
    std::string all;
    for (const char* a : {"_", "a", "b", "k", "o", "y", "z"}) {
      for (const char* b : {"_", "a", "b", "k", "o", "y", "z"}) all += std::string(a) + " " + b + "\n";
    }
    LoadDiphones(all);
  }
  void TearDown() override {
    SetProsodyMessageSink(nullptr);
    TavineProsodyStart();
  }
  bool Load(const std::string& utf8) {
    testing_support::WriteFile(dir_ / "pro", Utf8ToCp1252(utf8));
    return LoadProsody(dir_ / "pro");
  }
  void LoadDiphones(const std::string& lines) {
    testing_support::WriteFile(dir_ / "dfn", lines);
    ASSERT_TRUE(LoadDiphoneList(dir_ / "dfn"));
  }
  testing_support::TempDir dir_;
};

TEST_F(TavineProsodyTest, LoaderFailures) {
  const struct {
    std::string file;  // empty: no file at all
    bool result;
    const char* message;  // empty: none
  } cases[] = {
      {"", false, "Configuração da prosódia não foi achada"},
      {std::string(kKeywords) + kPatterns, false, "Duração dos difones errada ou ausente"},
      {std::string("[DURAÇÃO]\na 100\n") + kKeywords + kPatterns, false,
       "Configuração da prosódia: fonema errado: a 100"},
      {std::string("[DURAÇÃO]\na=cem\n") + kKeywords + kPatterns, true,
       "Configuração da prosódia: fonema errado: a=cem"},
      {std::string(kDurations) + kPatterns, false, "Prosódia: palavras chaves ausentes"},
      {std::string(kDurations) + "[CHAVES]\no ar\n" + kPatterns, false,
       "Configuração da prosódia: chave errada: o ar"},
      {std::string(kDurations) + kKeywords, false, "Prosódia: especificações ausentes"},
      {std::string(kDurations) + kKeywords + "[PROSÓDIA]\n|XX| 555\n", false,
       "Configuração da prosódia: chave errada: |XX| 555"},
      {std::string(kDurations) + kKeywords + "[PROSÓDIA]\nHERTZ=alto\n", false,
       "Configuração da prosódia: chave errada: HERTZ=alto"},
      {std::string(kDurations) + kKeywords + "[PROSÓDIA]\nTABHERTZ=1,2,3\n", false,
       "Configuração da prosódia: chave errada: TABHERTZ=1,2,3"},
      {std::string(kDurations) + kKeywords + "[PROSÓDIA]\n|XX|=55\n", false,
       "Configuração da prosódia: chave errada: |XX|=55"},
      // The sections may stand in any order.
      {std::string(kPatterns) + "\n; comment\n" + kKeywords + kDurations, true, ""},
  };
  for (const auto& c : cases) {
    messages.clear();
    const bool result = c.file.empty() ? LoadProsody(dir_ / "missing") : Load(c.file);
    EXPECT_EQ(result, c.result) << c.file;
    if (*c.message == '\0') {
      EXPECT_TRUE(messages.empty()) << c.file;
    } else {
      EXPECT_EQ(Joined(messages), c.message) << c.file;
    }
  }
}

TEST_F(TavineProsodyTest, TablesAndWhatFailuresLeave) {
  // A bad duration counts 100 and reading goes on; entries read before a
  // failure stay.
  EXPECT_FALSE(Load("[DURAÇÃO]\n a = 70 \nee=x\n* comment\n\nlonger=40\nb=-5\n[CHAVES]\nsem igual\n"));
  EXPECT_EQ(DurationOf("a"), 70);
  EXPECT_EQ(DurationOf("ee"), 100);
  EXPECT_EQ(DurationOf("lo"), 40);      // names are cut to two characters
  EXPECT_EQ(DurationOf("longer"), 100);  // longer names have none
  EXPECT_EQ(DurationOf("b"), 100);
  EXPECT_EQ(DurationOf("A"), 100);  // case is kept

  messages.clear();
  ASSERT_TRUE(Load(std::string(kDurations) +
                   "[CHAVES]\nque = cj\nde=pr\nDE=xx\nnada=\ncasa=c\n[PROSÓDIA]\nHERTZ= 200\n"));
  EXPECT_EQ(KeywordClass("De"), "PR");  // the first of two entries
  EXPECT_EQ(KeywordClass("QUE"), "CJ");
  EXPECT_EQ(KeywordClass("nada"), "XX");
  EXPECT_EQ(KeywordClass("casa"), "XX");  // a one-letter class is reported
  EXPECT_EQ(Joined(messages), "Configuração da prosódia: chave errada: casa=c");
  EXPECT_EQ(KeywordClass("mesa"), "");
  EXPECT_EQ(TavineBasePitch(), 200);
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords + "[PROSÓDIA]\n"));
  EXPECT_EQ(TavineBasePitch(), 230);  // every load starts again from 230
}

TEST_F(TavineProsodyTest, TokenList) {
  EXPECT_EQ(Joined(BuildTokenList("Sim.")), "[--] / [XX]Sim / [..]. / [--]");
  EXPECT_EQ(Joined(BuildTokenList("a... b")), "[--] / [XX]a / [.-]. / [--] / [XX]b");
  EXPECT_EQ(Joined(BuildTokenList("  ")), "[--]");
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords + kPatterns));
  EXPECT_EQ(Joined(BuildTokenList("O guarda-chuva, sim?")),
            "[--] / [AR]O / [XX]guarda / [--]- / [XX]chuva / [,,], / [XX]sim / [??]? / [--]");
}

TEST_F(TavineProsodyTest, Patterns) {
  // Without a pattern table every token has "555".
  EXPECT_EQ(Joined(AssignPatterns(BuildTokenList("um dois."))),
            "555| / 555|um / 555|dois / 555|. / 555|");
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords +
                   "[PROSÓDIA]\n"
                   "|--|XX=?12\n"   // a boundary before a word: "?" at the list's start
                   "XX|XX|..=?89\n"
                   "|XX| = 7 3 \n"  // a value of three characters after trimming
                   "|XX|=?34\n"
                   "..||=6?6\n"));  // "?" counts only in front
  EXPECT_EQ(Joined(AssignPatterns(BuildTokenList("um dois."))),
            "512| / 7 3|um / 389|dois / 555|. / 6?6|");
}

TEST_F(TavineProsodyTest, DurationsOfStressAndLongWords) {
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords + "[PROSÓDIA]\n"));
  // A stressed phoneme of 100 ms gets 145, and so do the ones after it in
  // the word, until one marked "¨".
  EXPECT_EQ(Joined(ComputeProsody({";555|ca", "a", ">a", "a", "\xA8" "a", "a", ""}, 1.0, 1.0)),
            ";ca / a 100 / a 145 / a 145 / a 100 / a 100 / ");
  EXPECT_EQ(Joined(ComputeProsody({";555|ca", ">\xA8" "a", "a", "", "a"}, 1.0, 1.0)),
            ";ca / a 145 / a 145 /  / a 100");
  // Before the stress, long words are said faster.
  const struct {
    std::string token;
    const char* line;
  } cases[] = {{std::string(13, 'x'), "a 80"},
               {std::string(12, 'x'), "a 90"},
               {std::string(9, 'x'), "a 90"},
               {std::string(8, 'x'), "a 100"}};
  for (const auto& c : cases) {
    const auto lines = ComputeProsody({";555|" + c.token, "a", ">a", ""}, 1.0, 1.0);
    EXPECT_EQ(lines[1], c.line) << c.token.size();
    EXPECT_EQ(lines[2], "a 145") << c.token.size();
  }
  // Pauses: the written duration, the table's, or 100; MBROLA hears "_".
  EXPECT_EQ(Joined(ComputeProsody({"_", "_ 40", "__", "_ x"}, 1.0, 0.5)),
            "_ 50 / _ 20 / _ 50 / _ 50");
  // The duration factor scales, and no factor makes a duration negative.
  EXPECT_EQ(Joined(ComputeProsody({">a"}, 1.0, 0.8)), "a 116");
  EXPECT_EQ(Joined(ComputeProsody({"a"}, 1.0, -0.2)), "a 0");
}

TEST_F(TavineProsodyTest, PitchTargets) {
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords +
                   "[PROSÓDIA]\nTABHERTZ=0,0,0,0,0,100,0,50,0,200\n"));
  // p1 on the first phoneme, p2 on the stressed one, p3 on the last.
  EXPECT_EQ(Joined(ComputeProsody({";579|casa", "k", ">a", "z", "a", ""}, 1.0, 1.0)),
            ";casa / k 100 50 230 / a 145 80 115 / z 145 / a 145 50 460 / ");
  // Stressed first phoneme: no p1; stressed and last: only p2.
  EXPECT_EQ(Joined(ComputeProsody({";795|a", ">a", "", ";579|oi", ">o", "y", ""}, 1.0, 1.0)),
            ";a / a 145 80 460 /  / ;oi / o 145 80 115 / y 145 50 460 / ");
  // Digits whose table value is 0, and characters that are no digits, give
  // no target; the pitch factor scales.
  EXPECT_EQ(Joined(ComputeProsody({";0?5|ab", "a", ">b", ""}, 2.0, 1.0)),
            ";ab / a 100 / b 145 / ");
  EXPECT_EQ(Joined(ComputeProsody({";5 5|a", "a", ""}, 2.0, 1.0)), ";a / a 100 50 460 / ");
}

TEST_F(TavineProsodyTest, MissingDiphonesAreBridged) {
  ASSERT_TRUE(Load(std::string(kDurations) + kKeywords + "[PROSÓDIA]\n"));
  LoadDiphones("; voice\n_ a\n_-k\n  A-Y \nb-y\nr2 _\nr2-y\n! note\n*k-a\nk-a\n");
  EXPECT_EQ(TavineDiphoneCount(), 7u);
  EXPECT_TRUE(TavineHasDiphone("a", "y"));  // letter case does not count
  EXPECT_FALSE(TavineHasDiphone("a", "b"));
  EXPECT_EQ(Joined(ComputeProsody({"a", "k", "b", "k", "", "r2", "k", "a"}, 1.0, 1.0)),
            "a 100 / y 50 / k 100 / _ 50 / b 100 / y 50 / k 100 /  / "
            "_ 50 / r2 100 / _ 50 / k 100 / a 100");
  // Each text starts from the pause "_"; comment lines are no phonemes.
  EXPECT_EQ(Joined(ComputeProsody({";555|a", "a", "", ";555|k", "k"}, 1.0, 1.0)),
            ";a / a 100 /  / ;k / y 50 / k 100");
  FreeDiphoneList();
  EXPECT_EQ(TavineDiphoneCount(), 0u);
  EXPECT_FALSE(LoadDiphoneList(dir_ / "missing"));
}

}  // namespace
