#include <gtest/gtest.h>

#include "mbrola_tts/letter_to_sound.h"
#include "platform/cp1252.h"
#include "tests/test_support.h"

namespace {

std::string Joined(const PhonemeList& list) {
  std::string out;
  for (const std::string& item : list) {
    if (!out.empty()) out += ' ';
    out += item.empty() ? "<end>" : item;
  }
  return out;
}

class TavineLetterToSoundTest : public ::testing::Test {
 protected:
  void SetUp() override { TavineLetterToSoundStart(); }
  void TearDown() override { TavineLetterToSoundStart(); }

  void LoadRules(const std::string& rules, const std::string& exceptions = "") {
    testing_support::WriteFile(dir_ / "rules", platform::Utf8ToCp1252(rules));
    testing_support::WriteFile(dir_ / "exc", platform::Utf8ToCp1252(exceptions));
    ASSERT_TRUE(LoadRulesAndExceptions(dir_ / "rules", dir_ / "exc"));
  }
  std::string Transcribe(const std::string& word, int stress = 0) {
    PhonemeList list;
    TranscribeWord(word, stress, &list);
    return Joined(list);
  }

  testing_support::TempDir dir_;
};

// Each context symbol writes a phoneme with "1"; the plain rules after them
// write the letter in small.
constexpr char kContextRules[] =
    "; context symbols\n"
    "%(A)=A1\n"
    "#(B)=B1\n"
    "_(C)=C1\n"
    "](D)=D1\n"
    "|(F)=F1\n"
    "(G)&=G1\n"
    "(H)+=H1\n"
    "(J)*=J1\n"
    "(K)[=K1\n"
    "(L)\\%=L1\n"
    "(QU)E=Q1\n"
    "(P)=pa&pb|two phonemes\n"
    "(V)=abcdefghijklmnopqrst\n"
    "(A)=a\n(B)=b\n(C)=c\n(D)=d\n(E)=e\n(F)=f\n(G)=g\n(H)=h\n(J)=j\n(K)=k\n"
    "(L)=l\n(N)=n\n(O)=o\n(S)=s\n(T)=t\n(Z)=z\n(Q)=q\n(U)=u\n";

TEST_F(TavineLetterToSoundTest, ContextSymbols) {
  LoadRules(kContextRules);
  const struct {
    const char* word;
    const char* phonemes;
  } cases[] = {
      {"A", "A1 <end>"},        {"TA", "t a <end>"},      // % on the left: start of word
      {"EB", "e B1 <end>"},     {"TB", "t b <end>"},      // # on the left: a vowel
      {"C", "C1 <end>"},        {"EC", "e C1 <end>"},     {"TC", "t c <end>"},  // _
      {"OD", "o D1 <end>"},     {"ED", "e d <end>"},      // ] back vowel
      {"NF", "n F1 <end>"},     {"SF", "s F1 <end>"},     {"TF", "t f <end>"},  // | N R S
      {"GZ", "G1 z <end>"},     {"GT", "g t <end>"},      // & L M N R Z
      {"HE", "H1 e <end>"},     {"HO", "h o <end>"},      // + front vowel
      {"JT", "J1 t <end>"},     {"JL", "j L1 <end>"},      {"J", "j <end>"},     // *
      {"K", "K1 <end>"},        {"KT", "K1 t <end>"},     {"KH", "k h <end>"},
      {"KE", "k e <end>"},                                 // [
      {"L", "L1 <end>"},        {"LS", "L1 s <end>"},     {"LT", "l t <end>"},  // \ S
      {"QUE", "Q1 e <end>"},    {"QUO", "q u o <end>"},   // a centre of two letters
      {"ta", "t a <end>"},                                 // small letters are raised
      {"999", "<end>"},         {"", "<end>"},            // letters without rules are silent
      {"P", "pa pb <end>"},     {"V", "abcdefghijk <end>"},  // outputs cut at 11
  };
  for (const auto& c : cases) EXPECT_EQ(Transcribe(c.word), c.phonemes) << c.word;
}

TEST_F(TavineLetterToSoundTest, StressMarkGoesToTheFirstRuleAtOrAfterTheStressedLetter) {
  LoadRules("(TA)=t&a\n(S)=s\n(P)=&p\n(R)=\n(O)=o\n");
  EXPECT_EQ(Transcribe("TAS", 1), ">t a s <end>");
  // The rule for "TA" starts before the stressed A: the next rule carries it.
  EXPECT_EQ(Transcribe("TAS", 2), "t a >s <end>");
  EXPECT_EQ(Transcribe("TAS", 0), "t a s <end>");
  EXPECT_EQ(Transcribe("TAS", -1), "t a s <end>");
  // A silent letter at the stress passes the mark on; an output beginning
  // with "&" neither leaves a lone ">" nor an empty item in the word.
  EXPECT_EQ(Transcribe("ROP", 1), ">o p <end>");
  EXPECT_EQ(Transcribe("PO", 1), ">p o <end>");
  EXPECT_EQ(Transcribe("OR", 2), "o <end>");
}

TEST_F(TavineLetterToSoundTest, RuleFileFields) {
  // Lines without "(" and empty centres are skipped; blanks are characters
  // of their field; a missing "=" leaves the output empty.
  LoadRules("no parenthesis here\n\n()=x\n (A)=spaced\n(A)=a\n(B)\n(C)=c|comment(=)\n");
  EXPECT_EQ(TavineRuleCount(), 4u);
  EXPECT_EQ(Transcribe("A"), "a <end>");
  EXPECT_EQ(Transcribe("BA"), "a <end>");
  EXPECT_EQ(Transcribe("CA"), "c a <end>");
}

TEST_F(TavineLetterToSoundTest, Exceptions) {
  LoadRules("(A)=a\n",
            "casa=KAZA\n"
            "CASA=OUTRA\n"
            "FALA=FALA|a comment\n"
            "LINHA SEM IGUAL\n"
            "\n"
            "AS=ÁS\n");
  EXPECT_EQ(TavineExceptionCount(), 5u);
  EXPECT_EQ(ApplyExceptions("CASA"), "KAZA");  // of two entries, the first
  EXPECT_EQ(ApplyExceptions("CASAS"), "KAZAS");
  EXPECT_EQ(ApplyExceptions("FALAM"), "FALAM");
  EXPECT_EQ(ApplyExceptions("FALAMS"), "FALAMS");
  EXPECT_EQ(ApplyExceptions("SSS"), "SSS");
  EXPECT_EQ(ApplyExceptions("MASS"), "MASS");
  EXPECT_EQ(ApplyExceptions("LINHA SEM IGUAL"), "LINHA SEM IGUAL");
  EXPECT_EQ(platform::Cp1252ToUtf8(ApplyExceptions("AS")), "ÁS");
  EXPECT_EQ(platform::Cp1252ToUtf8(ApplyExceptions("ASS")), "ÁSS");
}

TEST_F(TavineLetterToSoundTest, LoadingFailures) {
  testing_support::WriteFile(dir_ / "rules", "(A)=a\n");
  testing_support::WriteFile(dir_ / "exc", "CASA=KAZA\n");
  EXPECT_FALSE(LoadRulesAndExceptions(dir_ / "missing", dir_ / "exc"));
  EXPECT_EQ(TavineExceptionCount(), 0u);  // not read when the rules were not
  EXPECT_FALSE(LoadRulesAndExceptions(dir_ / "rules", dir_ / "missing"));
  EXPECT_TRUE(LoadRulesAndExceptions(dir_ / "rules", dir_ / "exc"));
  EXPECT_EQ(TavineRuleCount(), 1u);
  FreeRuleTable();
  EXPECT_EQ(TavineRuleCount(), 0u);
}

TEST_F(TavineLetterToSoundTest, PhonemeListOfACasa) {
  LoadRules("(A)=a\n(C)=k\n(S)=s\n");
  const PhonemeList list = BuildPhonemeList({"555|", "544|a", "465|casa"});
  EXPECT_EQ(Joined(list), ";555| __ <end> ;544|a a <end> ;465|casa k >a s a <end> __");
}

TEST_F(TavineLetterToSoundTest, PausesAndLinking) {
  LoadRules("(M)=m\n(A)=a\n(R)%=r2\n(S)%=s2\n(Z)=z\n(U)=u\n(L)=l\n(E)=e\n(O)=o\n");
  EXPECT_EQ(Joined(BuildPhonemeList({"555|", "555|mar", "555|azul"})),
            ";555| __ <end> ;555|mar m >a r <end> ;555|azul a z >u l <end> __");
  EXPECT_EQ(Joined(BuildPhonemeList({"555|", "555|azul", "555|mar"})),
            ";555| __ <end> ;555|azul a z >u l <end> ;555|mar m >a r2 <end> __");
  EXPECT_EQ(Joined(BuildPhonemeList({"555|", "555|mas", "555|ele"})),
            ";555| __ <end> ;555|mas m >a z <end> ;555|ele >e l e <end> __");
  // A comma between the words keeps the "r2"; punctuation writes pauses.
  EXPECT_EQ(Joined(BuildPhonemeList({"555|", "555|mar", "555|,", "555|azul", "555|?"})),
            ";555| __ <end> ;555|mar m >a r2 <end> ;555|, _, ;555|azul a z >u l <end> "
            ";555|? _? __");
  PhonemeList pauses;
  for (char c : std::string("!(),.:;? x")) PausePhoneme(c, &pauses);
  EXPECT_EQ(Joined(pauses), "_! _( _) _, _. _: _; _?");
}

}  // namespace
