#include <gtest/gtest.h>

#include <fstream>

#include "mbrola_tts/front_end.h"
#include "mbrola_tts/letters.h"
#include "mbrola_tts/prosody.h"
#include "platform/cp1252.h"
#include "tests/tavine_golden.h"

namespace {

void IgnoreMessage(std::string_view) {}

class TavineFrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProsodyMessageSink(IgnoreMessage); }
  void TearDown() override { SetProsodyMessageSink(nullptr); }
};

}  // namespace

TEST_F(TavineFrontEndTest, GoldenMbrolaLines) {
  testing_support::CheckGoldenFile("tavine_lines.txt", FrontEndStage::kLines);
}

// The project's rules write only phoneme names that the voice br4 has, for
// every word of the corpus and every club name of the three series.
TEST_F(TavineFrontEndTest, CorpusWordsUseOnlyTheVoicesPhonemes) {
  std::string failure;
  ASSERT_TRUE(LoadFrontEndData(testing_support::TavineDataFolder(), &failure)) << failure;
  int words = 0;
  for (const char* file : {"tavine_words.txt", "tavine_clubs.txt"}) {
    std::ifstream in(std::string(LIGAFALA_SOURCE_DIR) + "/data/corpus/" + file);
    ASSERT_TRUE(in) << file;
    std::string utf8;
    while (std::getline(in, utf8)) {
      const std::string line = platform::Utf8ToCp1252(utf8);
      std::size_t i = 0;
      while (i < line.size()) {
        while (i < line.size() && !tavine::IsTextLetter(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && tavine::IsTextLetter(line[i])) ++i;
        if (i == start) break;
        const std::string word = line.substr(start, i - start);
        const std::vector<std::string> names = WordPhonemeNames(word);
        EXPECT_FALSE(names.empty()) << utf8;
        for (const std::string& name : names) {
          EXPECT_TRUE(IsVoicePhoneme(name)) << platform::Cp1252ToUtf8(word) << ": " << name;
        }
        ++words;
      }
    }
  }
  EXPECT_GT(words, 3000);
}

TEST_F(TavineFrontEndTest, GoldenLineFormatSurvivesEveryCharacter) {
  const std::string input = "a\tb\\c \n";
  const std::vector<std::string> items = {"", " x ", "\r", "\\s"};
  std::string parsedInput;
  std::vector<std::string> parsedItems;
  ParseGoldenLine(GoldenLine(input, items), &parsedInput, &parsedItems);
  EXPECT_EQ(parsedInput, input);
  EXPECT_EQ(parsedItems, items);
  EXPECT_EQ(GoldenLine("x ", {"y  "}), "x\\s\ty\\s\\s");
}
