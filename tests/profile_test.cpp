#include "platform/profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "platform/paths.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteFile;

// Drive C: on a fresh temporary folder, so bare names are looked for in its
// windows folder.
class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = std::make_unique<ScopedEnv>(
        std::map<std::string, std::string>{{"TALMAR_DRIVE_C", driveC_.path()}});
    platform::ResetPaths();
  }
  void TearDown() override {
    env_.reset();
    platform::ResetPaths();
  }

  std::string Get(std::string_view section, std::string_view key, std::size_t maxChars = 255,
                  std::string_view file = "TESTE.INI") {
    return platform::GetProfileString(section, key, "<none>", maxChars, file);
  }

  TempDir driveC_;
  std::unique_ptr<ScopedEnv> env_;
};

// Lines of a settings file; each case below is read from it written with LF
// and with CRLF (the latter also with a UTF-8 signature).
const char* const kLines[] = {
    "solto=antes de qualquer seção",
    "[ Video ]",
    "  Fonte =  Lucida Console  ",
    "CorLetra=\"15\"",
    "aspas='com blanks '",
    "misturadas=\"abc'",
    "so=\"",
    "vazio=",
    "\tTAB\t=\tvalor\t",
    "igual=a=b",
    "linha sem igual",
    "Fonte=segunda",
    "[video]",
    "FONTE=seção repetida",
    "EXTRA=só na repetida",
    "[BRAILLE]",
    "MODO=1",
    "[Fim",
    "modo=2",
};

struct Case {
  const char* section;
  const char* key;
  const char* expected;
};
const Case kCases[] = {
    {"VIDEO", "FONTE", "Lucida Console"},  // names ignore case; blanks trimmed; first key wins
    {"video", "corletra", "15"},           // quotes removed
    {"Video", "aspas", "com blanks "},     // blanks inside quotes kept
    {"VIDEO", "MISTURADAS", "\"abc'"},     // quotes that do not match stay
    {"VIDEO", "so", "\""},                 // a lone quote stays
    {"VIDEO", "VAZIO", ""},                // present but empty: not the fallback
    {"VIDEO", "tab", "valor"},
    {"VIDEO", "igual", "a=b"},             // split at the first "="
    {"VIDEO", "linha sem igual", "<none>"},
    {"VIDEO", "EXTRA", "<none>"},          // later sections of the same name are not searched
    {"VIDEO", "MODO", "<none>"},           // keys of other sections do not leak
    {"BRAILLE", "MODO", "1"},
    {"BRAILLE", "modo", "1"},              // "[Fim" is no header, so no later "modo" counts either
    {"", "solto", "<none>"},               // lines before the first header belong to no section
    {"SOM", "MODO", "<none>"},
    {"VIDEO", "", "<none>"},
};

std::string Join(const char* ending) {
  std::string out;
  for (const char* line : kLines) out += std::string(line) + ending;
  return out;
}

TEST_F(ProfileTest, ReadsLikeTheWindowsProfileReader) {
  for (const auto& [prefix, ending] : {std::pair{"", "\n"}, std::pair{"\xEF\xBB\xBF", "\r\n"}}) {
    WriteFile(driveC_ / "windows/teste.ini", prefix + Join(ending));
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string("[") + c.section + "] " + c.key + (ending[0] == '\r' ? " CRLF" : " LF"));
      // The file's text is Windows-1252 unless it carries a UTF-8 signature;
      // the expected values above are plain ASCII, so both forms agree.
      EXPECT_EQ(Get(c.section, c.key), c.expected);
    }
  }
}

TEST_F(ProfileTest, AccentedNamesAndUtf8Files) {
  // Windows-1252 file: "[AÇÃO]" and "Opção=Sim"
  WriteFile(driveC_ / "windows/a.ini", "[A\xC7\xC3O]\nOp\xE7\xE3o=Sim\xE9\n");
  EXPECT_EQ(Get("a\xE7\xE3o", "OP\xC7\xC3O", 255, "A.INI"), "Sim\xE9");
  // The same in a UTF-8 file with a signature comes back as Windows-1252.
  WriteFile(driveC_ / "windows/b.ini", "\xEF\xBB\xBF[A\xC3\x87\xC3\x83O]\r\nOp\xC3\xA7\xC3\xA3o=Sim\xC3\xA9\r\n");
  EXPECT_EQ(Get("a\xE7\xE3o", "OP\xC7\xC3O", 255, "b.ini"), "Sim\xE9");
}

TEST_F(ProfileTest, LimitsTheLengthOfValueAndFallback) {
  WriteFile(driveC_ / "windows/teste.ini", "[S]\nk=abcdef\n");
  EXPECT_EQ(Get("S", "k", 3), "abc");
  EXPECT_EQ(Get("S", "k", 0), "");
  EXPECT_EQ(Get("S", "nada", 3), "<no");
}

TEST_F(ProfileTest, FindsTheFileByItsPathOrFallsBack) {
  WriteFile(driveC_ / "Talmar/Conf.ini", "[S]\nk=v\n");
  EXPECT_EQ(Get("S", "k", 255, "c:\\talmar\\CONF.INI"), "v");
  EXPECT_EQ(Get("S", "k", 255, driveC_ / "Talmar/Conf.ini"), "v");
  EXPECT_EQ(Get("S", "k", 255, "Conf.ini"), "<none>");  // a bare name is only looked for in C:\windows
  EXPECT_EQ(Get("S", "k", 255, "Q:\\conf.ini"), "<none>");
  EXPECT_EQ(Get("S", "k", 255, "C:\\talmar"), "<none>");  // a folder
  EXPECT_EQ(Get("S", "k", 255, ""), "<none>");
}

TEST_F(ProfileTest, HugeLinesAndRandomBytesGiveDefinedResults) {
  // A line of two megabytes before the section does not hide it, and a huge
  // value comes back cut to the limit.
  WriteFile(driveC_ / "windows/grande.ini",
            std::string(2 * 1024 * 1024, 'x') + "\n[S]\nk=" + std::string(1024 * 1024, 'v') + "\nm=1\n");
  EXPECT_EQ(Get("S", "k", 255, "grande.ini"), std::string(255, 'v'));
  EXPECT_EQ(Get("S", "m", 255, "grande.ini"), "1");
  // Reading stops after a few megabytes: a key beyond them is not found.
  WriteFile(driveC_ / "windows/enorme.ini", "[S]\n" + std::string(8 * 1024 * 1024, '\n') + "k=v\n");
  EXPECT_EQ(Get("S", "k", 255, "enorme.ini"), "<none>");

  std::mt19937 random(1234);
  for (int round = 0; round < 50; ++round) {
    std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
    for (char& c : bytes) {
      // Mostly the characters the format gives meaning to.
      const char* const special = "[]=\r\n \t\"'\xEF\xBB\xBF" "k";
      c = random() % 2 ? special[random() % 14] : static_cast<char>(random());
    }
    WriteFile(driveC_ / "windows/lixo.ini", bytes);
    const std::string value = Get("k", "k", 40, "lixo.ini");
    EXPECT_LE(value.size(), 40u);
  }
}

}  // namespace
