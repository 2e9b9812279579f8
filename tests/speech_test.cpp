#include <gtest/gtest.h>

#include "app/messages.h"
#include "platform/cp1252.h"
#include "platform/keys.h"
#include "tests/speech_fixture.h"
#include "tests/synth_fixture.h"

using testing_support::KeyPress;
using testing_support::MakeWave;
using testing_support::SpeechTest;

namespace {

// Words and numbers are written into the trace where the synthesizer would
// speak them, so the order of everything said can be read in one place.
std::string RecordWords(std::string_view words) {
  platform::TraceEvent("words", std::string("[") + std::string(words) + "]");
  return {};
}
void IgnorePhonemes(std::string_view, bool) {}
std::string RecordNumber(int64_t value) {
  platform::TraceEvent("number", std::to_string(value));
  return {};
}
void IgnoreNumberWords(std::string_view, bool) {}
constexpr BuiltInVoice kRecorder = {RecordWords, IgnorePhonemes, RecordNumber, IgnoreNumberWords};

class SpeakTextTest : public SpeechTest {
 protected:
  void SetUp() override {
    SpeechTest::SetUp();
    SpeechUseBuiltInVoice(&kRecorder);
    testing_support::InstallSilentVoice(drive_.path());
    SpeechInit(0, "");
    ClearLogs();
  }
  void TearDown() override {
    SpeechUseBuiltInVoice(nullptr);
    SpeechTest::TearDown();
  }
};

}  // namespace

TEST_F(SpeakTextTest, CutsTextsIntoWordsNumbersAndSymbols) {
  using Said = std::vector<std::string>;
  const struct {
    std::string text;
    Said said;
  } cases[] = {
      {"007", {"sound _zero", "sound _zero", "number 7", "words [ ]"}},
      {"1234567", {"char 49", "char 50", "char 51", "char 52", "char 53", "char 54", "char 55",
                   "words [ ]"}},
      {"123456", {"number 123456", "words [ ]"}},
      {"2-1", {"char 50", "char 45", "char 49", "words [ ]"}},
      {"-5", {"sound _MENOS", "number 5", "words [ ]"}},
      {"a-b", {"words [a]", "words [b ]"}},
      {"S\xE9rie A: 20 pontos",
       {"words [S\xC3\xA9rie A]", "char 58", "pause 200", "words [ ]", "number 20",
        "words [ pontos ]"}},
      {"www.x", {"char 119", "char 119", "char 119", "char 46", "words [x ]"}},
      {"WWW.x", {"char 87", "char 87", "char 87", "char 46", "words [x ]"}},
      {"wwwx.", {"words [wwwx]", "char 46", "pause 250", "words [ ]"}},
      {"1.5", {"number 1", "char 46", "number 5", "words [ ]"}},
      {"fim. ", {"words [fim]", "char 46", "pause 250", "words [  ]"}},
      {"*****", {"char 42", "char 42", "char 42", "char 42", "click", "words [ ]"}},
      {"**********", {"char 42", "char 42", "char 42", "char 42", "click", "click", "click",
                      "click", "click", "click", "words [ ]"}},
      {"(x), y; z", {"char 40", "pause 200", "words [x]", "char 41", "pause 200", "char 44",
                     "pause 150", "words [ y]", "char 59", "pause 200", "words [ z ]"}},
      {"a - b", {"words [a ]", "char 45", "pause 150", "words [ b ]"}},
      {"http://x", {"words [http]", "char 58", "char 47", "char 47", "words [x ]"}},
  };
  for (const auto& c : cases) {
    ClearLogs();
    SpeakText(c.text);
    Said said = Trace();
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.front(), "say " + platform::Cp1252ToUtf8(c.text));
    said.erase(said.begin());
    EXPECT_EQ(said, c.said) << c.text;
  }
}

TEST_F(SpeakTextTest, AKeyStopsTheTextAndStaysInTheQueue) {
  ConsoleQueueKey('x');
  SpeakText("um dois 3 quatro");
  EXPECT_EQ(Trace(), (std::vector<std::string>{"say um dois 3 quatro", "stop"}));
  EXPECT_EQ(ConsoleKeyQueueCount(), 1);
}

TEST_F(SpeakTextTest, BeepDiscardsTypedAheadKeysAndIsHeard) {
  ConsoleQueueKey('a');
  ConsoleQueueKey('b');
  PlayBeep();
  EXPECT_EQ(ConsoleKeyQueueCount(), 0);
  const std::vector<std::string> audio = AudioLog();
  ASSERT_GE(audio.size(), 2u);
  EXPECT_EQ(audio[0], "open 11025 8 1");
  EXPECT_EQ(audio[1], "write 512");
}

TEST_F(SpeakTextTest, ReadKeySpokenSaysTheLeadingZeroOfAnArrow) {
  window_->onKeyWait.push_back(KeyPress(platform::kVkUp));
  EXPECT_EQ(ReadKeySpoken(), 0);
  EXPECT_EQ(ConsoleReadKey(), 72);
  const std::vector<std::string> said = Trace();
  // The code byte still waiting stops the letter sound again.
  EXPECT_EQ(said, (std::vector<std::string>{"key 0", "stop", "char 0", "stop", "key 72"}));
}

TEST_F(SpeakTextTest, CatalogueMessagesAndTheirRecordings) {
  SayMessage("LFSERVERR", 0);
  EXPECT_EQ(ConsoleWhereX(), 1 + static_cast<int>(MessageText("LFSERVERR").size()));
  EXPECT_EQ(ConsoleWhereY(), 1);
  ClearLogs();
  ConsoleGotoXY(1, 3);
  SayMessage("lfconfim", 1);  // keys match exactly
  EXPECT_EQ(Row(3).substr(0, 27), "Mensagem inv\xE1lida lfconfim ");
  EXPECT_EQ(ConsoleWhereY(), 5);  // the sentence's own line end, then one more
  EXPECT_EQ(Trace().front(), "say Mensagem inv\xC3\xA1lida lfconfim");

  Install("som/ligafala/LFCONFIM.wav", MakeWave(std::string(100, '\x90'), 22050, 8, 1));
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\"));
  ClearLogs();
  SayMessage("LFCONFIM", 1);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"sound som\\ligafala\\LFCONFIM"}));
  EXPECT_EQ(AudioLog().front(), "open 22050 8 1");
}
