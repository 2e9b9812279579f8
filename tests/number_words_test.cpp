#include <gtest/gtest.h>

#include "synth/number_words.h"
#include "tests/synth_fixture.h"

using testing_support::PlayedImages;
using testing_support::SynthTest;

TEST(NumberWordsTest, SaysNumbersInWords) {
  const struct {
    int64_t value;
    std::string words;
  } cases[] = {
      {0, "zero"},
      {5, "cinco"},
      {16, "dezesseis"},
      {20, "vinte"},
      {21, "vinte e um"},
      {100, "cem"},
      {101, "cento e um"},
      {110, "cento e dez"},
      {123, "cento e vinte e tres"},
      {200, "duzentos"},
      {1000, "mil "},
      {1001, "mil e um"},
      {1100, "mil e cem"},
      {1120, "mil e cento e vinte"},
      {1500, "mil e quinhentos"},
      {21000, "vinte e um mil "},
      {999999, "novecentos e noventa e nove mil e novecentos e noventa e nove"},
      {2000000, "dois milh\xF5" "es "},
      {1000001, "um milh\xE3o e um"},
      {1001001, "um milh\xE3o um mil e um"},
      {1000000000000, "um trilh\xE3o "},
      {-5, "menos cinco"},
      {1234567890123456, "um dois tres quatro cinco seis sete oito nove zero um dois tres "
                         "quatro cinco seis"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberToWords(c.value), c.words) << c.value;
  EXPECT_EQ(GroupWords("000"), "");
  EXPECT_EQ(GroupWithScale("000000000001000", 3), "um mil ");
  EXPECT_EQ(GroupWithScale("000000002000000", 2), "dois milh\xF5" "es ");
}

TEST(NumberWordsTest, RecordingNames) {
  const struct {
    std::string word, file;
  } cases[] = {
      {"um", "_um"},           {"dezesseis", "_dezesse"}, {"dezessete", "_dezeset"},
      {"quatorze", "_quatorz"}, {"quatrocentos", "_quatroc"}, {"milh\xE3o", "_milhao"},
      {"milh\xF5" "es", "_milhoes"}, {"trilh\xF5" "es", "_trilhoe"}, {"e", "_e"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberWordFileName(c.word), c.file) << c.word;
}

class SpeakNumberWordsTest : public SynthTest {
 protected:
  void SetUp() override {
    SynthTest::SetUp();
    // Each recording is a run of one sample value, so the played samples
    // tell which recordings were joined.
    Recording("_vinte", std::string(3, 'V'));
    Recording("_e", std::string(1, 'e'));
    Recording("_um", std::string(2, '1'));
    Recording("_uma", std::string(2, 'A'));
    Recording("_dois", std::string(20000, '2'));
    Recording("_milhoes", std::string(20000, 'M'));
    Recording("_cem", std::string(40000, 'C'));
    Install("talmar/som/letras/_mil.wav", "RIFF");  // shorter than its header
    Start();
  }
};

TEST_F(SpeakNumberWordsTest, JoinsTheRecordingsOfTheWords) {
  SpeakNumberWords(NumberToWords(21), false);
  EXPECT_EQ(Played(), "VVVe11");
  PlayedImages().clear();
  SpeakNumberWords(NumberToWords(21), true);
  EXPECT_EQ(Played(), "VVVeAA");
  // Missing and broken recordings are skipped.
  PlayedImages().clear();
  SpeakNumberWords("vinte mil trinta um", false);
  EXPECT_EQ(Played(), "VVV11");
  ASSERT_EQ(PlayedImages().size(), 1u);
}

TEST_F(SpeakNumberWordsTest, PlaysInPiecesOfAtMost30000Bytes) {
  SpeakNumberWords(NumberToWords(2000000), false);
  ASSERT_EQ(PlayedImages().size(), 2u);
  EXPECT_EQ(PlayedImages()[0], std::string(20000, '2'));
  EXPECT_EQ(PlayedImages()[1], std::string(20000, 'M'));
  // A recording longer than the buffer goes whole, in pieces.
  PlayedImages().clear();
  SpeakNumberWords("um cem", false);
  ASSERT_EQ(PlayedImages().size(), 3u);
  EXPECT_EQ(PlayedImages()[0], "11");
  EXPECT_EQ(PlayedImages()[1].size(), 30000u);
  EXPECT_EQ(Played(), "11" + std::string(40000, 'C'));
}
