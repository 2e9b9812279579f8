#include <gtest/gtest.h>

#include <random>

#include "mbrola_tts/front_end.h"
#include "mbrola_tts/normalize.h"
#include "platform/cp1252.h"
#include "tests/tavine_golden.h"
#include "tests/test_support.h"

namespace {

using platform::Cp1252ToUtf8;
using platform::Utf8ToCp1252;
using testing_support::CheckGoldenFile;

}  // namespace

class TavineNormalizeTest : public ::testing::Test {
 protected:
  void SetUp() override { TavineNormalizeStart(); }
  void TearDown() override { TavineNormalizeStart(); }
  testing_support::TempDir dir_;
};

TEST_F(TavineNormalizeTest, GoldenTexts) {
  CheckGoldenFile("tavine_normalize.txt", FrontEndStage::kNormalize);
}

TEST_F(TavineNormalizeTest, CharacterNames) {
  const struct {
    int code;
    const char* utf8;
  } cases[] = {{32, "espaço"}, {48, "zéro"},    {64, "arrôba"},     {67, " sê"},
               {74, "jóta"},   {106, "jota"},   {78, "êne"},        {110, "ene"},
               {126, "til"},   {161, "exclamação reversa"},         {186, "ordinal masculino"},
               {198, "A É"},   {215, "vezes"},  {247, "vezes"},     {231, "Cê cedilha"},
               {0, ""},        {31, ""},        {127, ""},          {160, ""},
               {221, ""},      {223, ""},       {255, ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(CharName(static_cast<char>(c.code))), c.utf8) << c.code;
  }
}

TEST_F(TavineNormalizeTest, OrdinalsAndCardinals) {
  EXPECT_EQ(Cp1252ToUtf8(OrdinalWords(21, OrdinalGender::kFeminine)), "vigésima primeira");
  EXPECT_EQ(Cp1252ToUtf8(OrdinalWords(1999, OrdinalGender::kMasculine)),
            "milésimo nongentésimo nonagésimo nono");
  EXPECT_EQ(Cp1252ToUtf8(OrdinalWords(110, OrdinalGender::kMasculine)), "centésimo décimo");
  EXPECT_EQ(OrdinalWords(0, OrdinalGender::kFeminine), "zero");
  EXPECT_EQ(OrdinalWords(2000, OrdinalGender::kFeminine), "dois mil ");
  EXPECT_EQ(CardinalWords(100), "cem");
  EXPECT_EQ(CardinalWords(100000), "cem mil ");
  EXPECT_EQ(Cp1252ToUtf8(CardinalWords(1000001000)), "um bilhão e um mil ");
  EXPECT_EQ(Cp1252ToUtf8(CardinalWords(999999999999999)).substr(0, 31),
            "novecentos e noventa e nove tri");
}

TEST_F(TavineNormalizeTest, AbbreviationsFile) {
  testing_support::WriteFile(dir_ / "abr",
                             Utf8ToCp1252("; comment = not an entry\n"
                                          "\n"
                                          "  sr = senhor  \r\n"
                                          "linha sem igual\n"
                                          "pág=página\n"
                                          "SR=outro\n"
                                          "=vazio\n"));
  ASSERT_TRUE(LoadAbbreviations(dir_ / "abr"));
  EXPECT_EQ(TavineAbbreviationCount(), 5u);
  EXPECT_EQ(AbbreviationExpansion("Sr"), "senhor");  // the first of two entries
  EXPECT_EQ(Cp1252ToUtf8(AbbreviationExpansion(Utf8ToCp1252("PÁG"))), "página");
  EXPECT_EQ(AbbreviationExpansion(""), "");
  EXPECT_EQ(AbbreviationExpansion("linha sem igual"), "");
  EXPECT_EQ(Cp1252ToUtf8(NormalizeText(Utf8ToCp1252("Sr. Silva e pág. 5"))),
            "senhor Silva e página cinco ");
  // A missing file fails and leaves the table empty.
  EXPECT_FALSE(LoadAbbreviations(dir_ / "missing"));
  EXPECT_EQ(TavineAbbreviationCount(), 0u);
  EXPECT_EQ(Cp1252ToUtf8(NormalizeText("Sr. Silva")), "ésseérre. Silva");
}

// Whatever bytes arrive, normalisation ends with a bounded result.
TEST_F(TavineNormalizeTest, AnyBytesGiveABoundedResult) {
  std::mt19937 random(8);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string text(static_cast<std::size_t>(round % 40), ' ');
    for (char& c : text) c = static_cast<char>(byte(random));
    const std::string out = NormalizeText(text);
    EXPECT_LE(out.size(), 40u * text.size() + 40u);
  }
  EXPECT_EQ(NormalizeText(""), "");
  EXPECT_EQ(NormalizeText(std::string(1, '\0')), "");
}
