#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"
#include "tests/synth_fixture.h"

using testing_support::PlayedImages;
using testing_support::SynthTest;

namespace {

std::vector<std::string>& Requests() {
  static std::vector<std::string> requests;
  return requests;
}
// Keeps every segment request as depth, name and outcome.
void KeepRequest(std::string_view name, int depth, SegmentOutcome outcome, std::size_t samples) {
  static const char* const kOutcome[] = {"found", "fallback", "noise", "silent"};
  Requests().push_back(std::string(static_cast<std::size_t>(depth), '>') + std::string(name) +
                       " " + kOutcome[static_cast<int>(outcome)] + " " + std::to_string(samples));
}

const std::string kSilence100(100, '\x80');

class DiphoneSynthTest : public SynthTest {
 protected:
  void SetUp() override {
    SynthTest::SetUp();
    Requests().clear();
    SynthObserveSegments(KeepRequest);
  }
  void Speak(const std::string& phonemes, bool keep = false) {
    PlayedImages().clear();
    Requests().clear();
    SpeakPhonemes(phonemes, keep);
  }
};

}  // namespace

TEST_F(DiphoneSynthTest, UnstressedSegmentsAreCutStressedOnesPlayWhole) {
  Database({{"$KA", std::string(1000, 'k')}});
  Start();
  SynthSetCutting(400, 0, 100);
  Speak("[ka]");
  EXPECT_EQ(Played(), std::string(600, 'k'));
  Speak("[kA]");
  EXPECT_EQ(Played(), std::string(1000, 'k'));
  SynthSetCutting(400, 700, 100);  // never below SOBRAFON
  Speak("[ka]");
  EXPECT_EQ(Played().size(), 700u);
  SynthSetCutting(400, 5000, 100);  // nor beyond the segment
  Speak("[ka]");
  EXPECT_EQ(Played().size(), 1000u);
  SynthSetCutting(-400, 0, 100);  // a negative cut does not lengthen it
  Speak("[ka]");
  EXPECT_EQ(Played().size(), 1000u);
}

TEST_F(DiphoneSynthTest, MissingSegmentsFallBack) {
  Database({{"$KAZ", std::string(1000, 'z')},
            {"$A", std::string(50, 'a')},
            {"$KACIRC", std::string(100, 'c')},
            {"$NN", std::string(100, 'n')}});
  Start();
  SynthSetCutting(0, 0, 100);
  Speak("[kaza]");
  EXPECT_EQ(Played(), std::string(900, 'z') + std::string(50, 'a'));
  EXPECT_EQ(Requests(), (std::vector<std::string>{"$KAZA fallback 0", ">$KAZ found 900",
                                                  ">$A found 50"}));
  // A name ending in a consonant has no fall-back.
  Speak("[kuza]");
  EXPECT_EQ(Played(), std::string(50, 'a'));
  EXPECT_EQ(Requests()[1], ">$KUZ silent 0");
  // A nasal vowel: its circumflex form at 0.9, then the nasal murmur.
  Speak("[ka~]");
  EXPECT_EQ(Played(), std::string(90, 'c') + std::string(90, 'n'));
  EXPECT_EQ(Requests(), (std::vector<std::string>{"$KATIL fallback 0", ">$KACIRC found 90",
                                                  ">$NN found 90"}));
  // A circumflex form splits off its vowel.
  Speak("[ze^]");
  EXPECT_EQ(Requests(), (std::vector<std::string>{"$ZECIRC fallback 0", ">$Z noise 300",
                                                  ">$ECIRC silent 0"}));
}

TEST_F(DiphoneSynthTest, AMissingSinglePhonemeIsANoiseBurst) {
  Start();
  Speak("[q]");
  const std::string played = Played();
  ASSERT_EQ(played.size(), 300u);
  EXPECT_TRUE(std::all_of(played.begin(), played.end(), [](char c) {
    const auto v = static_cast<unsigned char>(c);
    return v >= 88 && v <= 167;
  }));
  Speak("");
  EXPECT_TRUE(PlayedImages().empty());
}

TEST_F(DiphoneSynthTest, SpelledLettersAndPunctuation) {
  Database({{"$KA", std::string(10, 'k')}});
  Recording("_114", "rrr");
  Recording("_44", "virgula");
  Start();
  SynthSetCutting(0, 0, 100);
  Speak("[ /_r][ka]");
  EXPECT_EQ(Played(), "rrr" + kSilence100 + std::string(10, 'k'));
  Speak("[ /_,]");
  EXPECT_EQ(Played(), std::string(4000, '\x80'));
  Speak("[ /_,]", true);
  EXPECT_EQ(Played(), "virgula");
  Speak("[ /_.][ /_;][ /_:]");
  EXPECT_EQ(Played().size(), 8000u + 100 + 6000 + 100 + 8000);
  // A letter without a recording is said as nothing.
  Speak("[ /_x]");
  EXPECT_EQ(Requests(), (std::vector<std::string>{"_120 silent 0"}));
}

TEST_F(DiphoneSynthTest, AChunkPastEightCharactersEndsAtTheNextSlash) {
  std::map<std::string, std::string> segments;
  for (char c : std::string("BCDFGJKN")) segments[std::string("$") + c] = std::string(1, c);
  segments["$LM"] = "L";
  Database(segments);
  Start();
  SynthSetCutting(0, 0, 100);
  Speak("[b/c/d/f/g/j/k/l/m/n]");
  EXPECT_EQ(Played(), "BCDFGJKL" + kSilence100 + "N");
}

TEST_F(DiphoneSynthTest, ChunksSplitIntoGroups) {
  Start();
  const struct {
    std::string phonemes;
    std::vector<std::string> groups;
  } cases[] = {
      {"[pay]", {"$PA", "$AY"}},                 // a glide after a vowel
      {"[na~w]", {"$NACIRC", "$AWTIL"}},         // the mark goes behind the glide
      {"[ma^y]", {"$MACIRC", "$AYCIRC"}},
      {"[e~y]", {"$EYTIL"}},
      {"[^w]", {"$W"}},                          // a mark with no vowel before it
      {"[as]", {"$A", "$S"}},                    // a final s
      {"[_s]", {"_115"}},
      {"[tra]", {"$T", "$RA"}},                  // a consonant cluster
      {"[nha]", {"$NHA"}},
      {"[tchi]", {"$TCHI"}},
      {"[karr]", {"$KA", "$RR"}},
      {"[pAr]", {"$PA", "$R"}},
  };
  for (const auto& c : cases) {
    Speak(c.phonemes);
    std::vector<std::string> groups;
    for (const std::string& request : Requests()) {
      if (request[0] != '>') groups.push_back(request.substr(0, request.find(' ')));
    }
    EXPECT_EQ(groups, c.groups) << c.phonemes;
  }
}

TEST_F(DiphoneSynthTest, GlideFactorsShortenTheSyllableBefore) {
  Database({{"$PA", std::string(1000, 'p')}, {"$AY", std::string(100, 'y')}, {"$A", "aaaaaaaaaa"}, {"$S", "s"}});
  Start();
  SynthSetCutting(0, 0, 100);
  Speak("[pay]");
  EXPECT_EQ(Played(), std::string(600, 'p') + std::string(100, 'y'));
  Speak("[as]");
  EXPECT_EQ(Played(), "aaaaaaas");
}

TEST_F(DiphoneSynthTest, SegmentsLargerThanTheBufferPlayWhole) {
  Database({{"$A", std::string(65000, 'a')}, {"$E", std::string(30000, 'e')}});
  Recording("_97", std::string(70000, 'r'));
  Start();
  Speak("[A][e]");
  EXPECT_TRUE(Played() == std::string(65000, 'a') + kSilence100 + std::string(30000, 'e'));
  EXPECT_EQ(PlayedImages().size(), 2u);
  for (const std::string& image : PlayedImages()) EXPECT_LT(image.size(), kUtteranceBufferSize - 44);
  Speak("[ /_a]");
  EXPECT_TRUE(Played() == std::string(70000, 'r'));
}

TEST_F(DiphoneSynthTest, RecordingsAreFoundPastOtherChunks) {
  Install("talmar/som/letras/_98.wav",
          std::string("riff\0\0\0\0WAVEfmt \x10\0\0\0", 20) + std::string(16, '\1') +
              std::string("LIST\x03\0\0\0abc", 11) + std::string("data\x02\0\0\0", 8) + "bb");
  Install("talmar/som/letras/_99.wav", "RIFX");
  Start();
  Speak("[ /_b]");
  EXPECT_EQ(Played(), "bb");
  Speak("[ /_c]");
  EXPECT_EQ(Requests(), (std::vector<std::string>{"_99 silent 0"}));
}

TEST_F(DiphoneSynthTest, InitReportsMissingFilesAndKeepsTheCurrentFolder) {
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\windows"));
  EXPECT_EQ(SynthInit(), 0);
  EXPECT_EQ(SynthLettersFolder(), "C:\\talmar\\som\\letras\\");
  EXPECT_EQ(SynthDiphonesFolder(), "C:\\talmar\\som\\difones\\");
  EXPECT_EQ(platform::CurrentFolder(), "C:\\windows");
  SynthDone();

  std::filesystem::remove(drive_ / "talmar/som/difones/portug.exc");
  EXPECT_EQ(SynthInit(), 2);
  SynthDone();
  std::filesystem::remove(drive_ / "talmar/som/difones/regras.rgr");
  EXPECT_EQ(SynthInit(), 2);
  SynthDone();
  SynthSetDatabaseName("OUTRA");
  EXPECT_EQ(SynthInit(), 1);
  SynthDone();
  std::filesystem::remove_all(drive_ / "talmar/som/letras");
  SynthSetDatabaseName("DIFONES2");
  EXPECT_EQ(SynthInit(), 1);
  EXPECT_EQ(platform::CurrentFolder(), "C:\\windows");
}
