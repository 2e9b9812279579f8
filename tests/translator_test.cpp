#include <gtest/gtest.h>

#include "tests/synth_fixture.h"

using testing_support::SynthTest;

namespace {

// One rule per letter giving the letter itself in lower case, so that the
// phoneme string shows the word buffer; the stressed vowel comes out in
// upper case. The circumflex and acute marks have rules of their own.
std::string IdentityRules() {
  std::string rules;
  for (char c = 'A'; c <= 'Z'; ++c) {
    rules += std::string("(") + c + ")=" + static_cast<char>(c - 'A' + 'a') + "|\n";
  }
  return rules + "(^)=^|\n(')='|\n";
}

class TranslatorTest : public SynthTest {
 protected:
  void UseRules(const std::string& rules, const std::string& exceptions = "") {
    const std::string rulesPath = drive_ / "talmar/som/difones/regras.rgr";
    testing_support::WriteFile(rulesPath, rules);
    testing_support::WriteFile(drive_ / "talmar/som/difones/portug.exc", exceptions);
    ASSERT_TRUE(LoadRules("C:\\talmar\\som\\difones\\regras.rgr"));
    ASSERT_TRUE(LoadExceptions("C:\\talmar\\som\\difones\\portug.exc"));
  }
};

}  // namespace

TEST(PreprocessTest, MapsTextToTheWorkingAlphabet) {
  const struct {
    std::string text, expected;
  } cases[] = {
      {"W", "W"},                                  // alone it stays
      {"Wilson", "uilson"},                        // a letter touches it
      {"y", "i"},                                  // alone between blanks
      {"Yara", "iara"},
      {"Y.", "Y."},                               // neither
      {"d'\xE1gua", "da'gua"},                     // apostrophe after d goes
      {"l'\xE1", "l'a'"},                          // after another letter it stays
      {"a\xE7\xE3o", "assa~o"},
      {"p\xEAssego", "pe^ssego"},
      {"\xFC\xC7\xF5\xE8", "usso~e`"},
      {"a\tb", "a \x01 b"},                        // control characters
      {"\xB0", " \x01 "},                          // a character without a form
      {"\xAB\xBB\xA7", "\xAA\xBA\xA7"},
  };
  for (const auto& c : cases) EXPECT_EQ(Preprocess(c.text), c.expected) << c.text;
}

TEST_F(TranslatorTest, MarksTheStressedVowel) {
  UseRules(IdentityRules());
  const struct {
    std::string word, marked;
  } cases[] = {
      {"amor", "amOr"},     {"casa", "cAsa"},       {"tupi", "tupI"},     {"aqui", "aquI"},
      {"papai", "papAi"},   {"cadeira", "cadEira"}, {"rainha", "raInha"}, {"sol", "sOl"},
      {"rio", "rio"},       {"ainda", "ainda"},     {"mar", "mar"},       {"homem", "hOmem"},
      {"fazem", "fAzem"},   {"jardins", "jardIns"}, {"Bom", "bom"},       {"caf\xE9", "cafe'"},
  };
  for (const auto& c : cases) {
    std::string expected = "[";
    for (std::size_t i = 0; i < c.marked.size(); ++i) {
      if (i > 0) expected += '/';
      expected += c.marked[i];
    }
    expected += ']';
    EXPECT_EQ(TranslateToPhonemes(c.word), expected) << c.word;
  }
}

TEST_F(TranslatorTest, SpellsWordsWithoutVowelsAndUnmappedCharacters) {
  UseRules(IdentityRules());
  EXPECT_EQ(TranslateToPhonemes("rs"), "[ /_r][ /_s]");
  EXPECT_EQ(TranslateToPhonemes("W"), "[ /_w]");
  EXPECT_EQ(TranslateToPhonemes("a\xB0"), "[a][ /_\x01]");
  EXPECT_EQ(TranslateToPhonemes(""), "");
  EXPECT_EQ(TranslateToPhonemes("   "), "");
  EXPECT_EQ(TranslateToPhonemes("eu  tu"), "[e/u][t/u]");
}

TEST_F(TranslatorTest, ReplacesExceptionsAndStripsFinalSAndM) {
  UseRules(IdentityRules(),
           "mes=me^s\n"
           "\n"
           "a linha sem igual\n"
           "casa=kaza|comment\n"
           "bem=be^i\n");
  EXPECT_EQ(TranslateToPhonemes("mess"), "[m/e/^/s/s]");
  EXPECT_EQ(TranslateToPhonemes("casas"), "[k/A/z/a/s]");
  EXPECT_EQ(TranslateToPhonemes("bemm"), "[b/e/^/i/m]");
  EXPECT_EQ(TranslateToPhonemes("sm"), "[ /_s][ /_m]");  // stripped to nothing
  EXPECT_EQ(ExceptionCount(), 4u);
}

TEST_F(TranslatorTest, PiecesWithoutARuleAndStressInsideAPiece) {
  UseRules("(A)=ha|\n(E)=ie|\n(T)=t|\n");
  // No rule for c or s: the piece names the character for its recording.
  EXPECT_EQ(TranslateToPhonemes("casa"), "[ /_C/hA/ /_S/ha]");
  // A stressed vowel upper-cases the first vowel of its piece.
  EXPECT_EQ(TranslateToPhonemes("tete"), "[t/Ie/t/ie]");
  // Characters beyond the rule lists (the tilde) never match a rule.
  EXPECT_EQ(TranslateToPhonemes("t\xE3"), "[t/ha/ /_~]");
}

TEST_F(TranslatorTest, ContextSymbols) {
  const struct {
    std::string rule, word, expected;
  } cases[] = {
      {"#(S)#=z", "casa", "[c/A/z/a]"},        // between vowels
      {"#(S)#=z", "sala", "[s/A/l/a]"},
      {"%(R)=rr", "rato", "[rr/A/t/o]"},        // at the word's start
      {"%(R)=rr", "caro", "[c/A/r/o]"},
      {"(O)%=u", "falo", "[f/A/l/u]"},          // at its end
      {"](L)=w", "falta", "[f/A/w/t/a]"},       // after a or o
      {"](L)=w", "filme", "[f/i/l/m/e]"},  // a decision at k = 1 marks nothing
      {"_(X)=ks", "axe", "[a/ks/e]"},           // after a vowel or the word's start
      {"_(X)=ks", "xis", "[ks/i/s]"},
      {"|(S)=Z", "pensa", "[p/E/n/Z/a]"},       // after n, r or s
      {"(E)&=3", "perto", "[p/3/r/t/o]"},       // before l m n r z
      {"(A)*=4", "pasta", "[p/4/s/t/a]"},       // before a consonant other than r, l
      {"(A)*=4", "parta", "[p/A/r/t/a]"},
      {"(C)+=s", "cedo", "[s/E/d/o]"},          // before e or i
      {"(C)+=s", "c\xEA", "[s/e/^]"},
      {"(C)+A=s", "ce^a", "[s/e/^/a]"},         // the front vowel's mark is stepped over
      {"(M)[=N", "campo", "[c/A/N/p/o]"},       // before a consonant or the end
      {"(M)[=N", "bom", "[b/o/N]"},
      {"(M)[=N", "amo", "[a/m/o]"},
      {"(O)\\%=u", "bolos", "[b/O/l/u/s]"},     // an optional s
      {"(O)\\%=u", "bolo", "[b/O/l/u]"},
      {"#O(S)=9", "aos", "[a/o/9]"},         // plain letters left, a run of vowels
      {"#O(S)=9", "cos", "[c/o/s]"},
      {"(LH)=L", "filho", "[f/i/L/o]"},         // a match of two letters
      {"B#(S)=z", "baas", "[b/A/a/z]"},     // "#" takes the whole run
  };
  for (const auto& c : cases) {
    UseRules(c.rule + "|\n" + IdentityRules());
    EXPECT_EQ(TranslateToPhonemes(c.word), c.expected) << c.rule << " " << c.word;
  }
}

TEST_F(TranslatorTest, RuleFieldsAreCutAndMissingFilesFail) {
  // Over-long fields keep their first characters; a line without a match
  // text has no list and is left out.
  UseRules("(ABCDEFG)=0123456789ABCDEF|\nno rule here\n()=x|\n" + IdentityRules());
  EXPECT_EQ(RuleCount(), 1u + 28u);
  EXPECT_EQ(TranslateToPhonemes("abcdeg"), "[0123456789A/g]");
  EXPECT_FALSE(LoadRules("C:\\talmar\\som\\difones\\nada.rgr"));
  EXPECT_EQ(RuleCount(), 0u);
  EXPECT_FALSE(LoadExceptions("C:\\talmar\\nada.exc"));
  EXPECT_EQ(ExceptionCount(), 0u);
}

TEST_F(TranslatorTest, AVeryLongWordGoesOnAsAFurtherWord) {
  UseRules(IdentityRules());
  const std::string word(300, 'b');
  const std::string phonemes = TranslateToPhonemes(word + "a");
  // 256 consonants are spelled; the rest is a word of its own.
  ASSERT_EQ(phonemes.size(), 256u * 6 + 91u);
  EXPECT_EQ(phonemes.substr(0, 12), "[ /_b][ /_b]");
  EXPECT_EQ(phonemes.substr(256 * 6, 5), "[b/b/");
  EXPECT_EQ(phonemes.substr(phonemes.size() - 3), "/a]");
}
