#include <gtest/gtest.h>

#include "mbrola_tts/stress.h"
#include "platform/cp1252.h"
#include "tests/tavine_golden.h"

TEST(TavineStressTest, GoldenWords) {
  testing_support::CheckGoldenFile("tavine_stress.txt", FrontEndStage::kStress);
}

TEST(TavineStressTest, UnstressedWordsAreExactCapitals) {
  const struct {
    const char* utf8;
    bool unstressed;
  } cases[] = {{"POR", true},  {"DAS", true},  {"DOS", true}, {"COM", true},
               {"NÃO", true},  {"SIM", true},  {"É", true},   {"DE", true},
               {"", true},     {"por", false}, {"PORTA", false}, {"NAO", false},
               {"TEM", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsUnstressedWord(platform::Utf8ToCp1252(c.utf8)), c.unstressed) << c.utf8;
  }
}

TEST(TavineStressTest, CapitalsAndOddWords) {
  // Capitals, accented ones included, are read as their small letters.
  EXPECT_EQ(StressPosition(platform::Utf8ToCp1252("CAFÉ")), 4);
  EXPECT_EQ(StressPosition("CASA"), 2);
  EXPECT_EQ(StressPosition(""), 0);
  EXPECT_EQ(StressPosition("-"), 0);
  EXPECT_EQ(StressPosition("a"), 1);
  EXPECT_EQ(StressPosition("quem"), 3);
}
