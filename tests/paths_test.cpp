#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string HostWorkingFolder() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

std::string Canonical(const std::string& path) { return std::filesystem::canonical(path).string(); }

void MakeFolder(const std::string& path) { std::filesystem::create_directories(path); }

// Drive C: on a fresh temporary folder; the process's working folder and the
// path module are put back afterwards.
class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedWorkingFolder_ = HostWorkingFolder();
    env_ = std::make_unique<ScopedEnv>(std::map<std::string, std::string>{
        {"TALMAR_DRIVE_C", driveC_.path()}, {"TALMAR_DRIVE_D", ""}, {"TALMAR_DRIVE_Q", ""}});
    platform::ResetPaths();
  }
  void TearDown() override {
    EXPECT_EQ(chdir(savedWorkingFolder_.c_str()), 0);
    env_.reset();
    platform::ResetPaths();
  }

  TempDir driveC_;
  std::string savedWorkingFolder_;
  std::unique_ptr<ScopedEnv> env_;
};

TEST_F(PathsTest, EveryComponentMatchesWithoutRegardToCase) {
  WriteFile(driveC_ / "Talmar/Som/Letras/_65.WAV", "x");
  const std::string expected = driveC_ / "Talmar/Som/Letras/_65.WAV";
  EXPECT_EQ(platform::HostPath("C:\\talmar\\SOM\\letras\\_65.wav"), expected);
  EXPECT_EQ(platform::HostPath("c:/TALMAR/som\\LETRAS/_65.Wav"), expected);
  EXPECT_TRUE(platform::FileExists("C:\\TALMAR\\SOM\\LETRAS\\_65.WAV"));
  EXPECT_FALSE(platform::FolderExists("C:\\TALMAR\\SOM\\LETRAS\\_65.WAV"));
  EXPECT_TRUE(platform::FolderExists("C:\\TALMAR\\SOM\\"));
  // What does not exist is kept as written, below the matched folders, so a
  // new file can be created there.
  EXPECT_EQ(platform::HostPath("C:\\TALMAR\\Novo\\Pasta\\x.TXT"), driveC_ / "Talmar/Novo/Pasta/x.TXT");
  EXPECT_FALSE(platform::FileExists("C:\\TALMAR\\Novo\\Pasta\\x.TXT"));
}

TEST_F(PathsTest, ExactNameWinsAndCaseVariantsChooseTheSameOneEveryTime) {
  for (const char* name : {"abc", "Abc", "ABC"}) MakeFolder(driveC_ / name);
  EXPECT_EQ(platform::HostPath("C:\\Abc"), driveC_ / "Abc");
  EXPECT_EQ(platform::HostPath("C:\\abc"), driveC_ / "abc");
  // No exact match: the first variant in byte order.
  EXPECT_EQ(platform::HostPath("C:\\aBC"), driveC_ / "ABC");
}

TEST_F(PathsTest, AccentedNamesMatchAcrossTheHostEncoding) {
  MakeFolder(driveC_ / "A\xC3\xA7\xC3\xA3o");  // "Ação" in UTF-8 on the host
  // The program's text is Windows-1252: "AÇÃO".
  EXPECT_EQ(platform::HostPath("C:\\A\xC7\xC3O\\x"), driveC_ / "A\xC3\xA7\xC3\xA3o/x");
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\a\xE7\xE3o"));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\A\xE7\xE3o");
}

TEST_F(PathsTest, ChangingToTheInstallationFolderResolvesRelativePaths) {
  WriteFile(driveC_ / "talmar/som/x.wav", "x");
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\TALMAR"));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\talmar");
  EXPECT_EQ(HostWorkingFolder(), Canonical(driveC_ / "talmar"));
  EXPECT_EQ(platform::HostPath("som\\x.wav"), driveC_ / "talmar/som/x.wav");
  EXPECT_TRUE(platform::FileExists("SOM\\X.WAV"));
  EXPECT_EQ(platform::HostPath("\\windows\\a.ini"), driveC_ / "windows/a.ini");
  EXPECT_EQ(platform::HostPath(".\\som\\..\\som\\.\\x.wav"), driveC_ / "talmar/som/x.wav");
}

TEST_F(PathsTest, EachDriveKeepsItsOwnCurrentFolder) {
  TempDir driveD;
  MakeFolder(driveC_ / "talmar");
  MakeFolder(driveD / "Dados/Sub");
  ScopedEnv d({{"TALMAR_DRIVE_D", driveD.path()}});
  platform::ResetPaths();

  ASSERT_TRUE(platform::SetCurrentFolder("C:\\talmar"));
  ASSERT_TRUE(platform::SetCurrentFolder("d:\\dados"));
  EXPECT_EQ(platform::CurrentFolder(), "D:\\Dados");
  EXPECT_EQ(HostWorkingFolder(), Canonical(driveD / "Dados"));
  EXPECT_EQ(platform::HostPath("x"), driveD / "Dados/x");
  EXPECT_EQ(platform::HostPath("\\y"), driveD / "y");
  EXPECT_EQ(platform::HostPath("C:x"), driveC_ / "talmar/x");  // C:'s own current folder
  EXPECT_EQ(platform::HostPath("C:\\x"), driveC_ / "x");
  // "D:sub" is relative to D:'s current folder.
  ASSERT_TRUE(platform::SetCurrentFolder("D:sub"));
  EXPECT_EQ(platform::CurrentFolder(), "D:\\Dados\\Sub");
  // The drive alone returns to that drive's current folder.
  ASSERT_TRUE(platform::SetCurrentFolder("C:"));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\talmar");
  EXPECT_EQ(platform::HostPath("D:.."), driveD / "Dados");
}

TEST_F(PathsTest, MissingDrivesAndFoldersFailWithoutMoving) {
  MakeFolder(driveC_ / "talmar");
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\talmar"));
  EXPECT_EQ(platform::HostPath("Q:\\x"), std::nullopt);
  EXPECT_EQ(platform::HostPath("D:x"), std::nullopt);
  EXPECT_FALSE(platform::FileExists("Q:\\x"));
  EXPECT_FALSE(platform::SetCurrentFolder("Q:\\"));
  EXPECT_FALSE(platform::SetCurrentFolder("C:\\nada"));
  WriteFile(driveC_ / "talmar/arquivo", "x");
  EXPECT_FALSE(platform::SetCurrentFolder("C:\\talmar\\arquivo"));  // a file, not a folder
  EXPECT_EQ(platform::HostPath(""), std::nullopt);
  EXPECT_EQ(platform::HostPath(std::string("C:\\ab\0c", 7)), std::nullopt);
  EXPECT_EQ(platform::CurrentFolder(), "C:\\talmar");
  EXPECT_EQ(HostWorkingFolder(), Canonical(driveC_ / "talmar"));
}

TEST_F(PathsTest, DotDotNeverClimbsAboveTheRoot) {
  MakeFolder(driveC_ / "talmar/som");
  EXPECT_EQ(platform::HostPath("C:\\..\\..\\talmar\\.\\som"), driveC_ / "talmar/som");
  EXPECT_EQ(platform::HostPath("C:\\talmar\\..\\..\\.."), driveC_.path());
  ASSERT_TRUE(platform::SetCurrentFolder("C:\\talmar\\..\\..\\"));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\");
  EXPECT_EQ(platform::HostPath("..\\x"), driveC_ / "x");
}

TEST_F(PathsTest, StartsFromTheHostWorkingFolder) {
  MakeFolder(driveC_ / "Talmar/Som");
  ASSERT_EQ(chdir((driveC_ / "Talmar/Som").c_str()), 0);
  platform::ResetPaths();
  EXPECT_EQ(platform::CurrentFolder(), "C:\\Talmar\\Som");
  EXPECT_EQ(platform::HostPath("x"), driveC_ / "Talmar/Som/x");

  // Outside every drive the host folder itself is current.
  TempDir elsewhere;
  MakeFolder(elsewhere / "Sub");
  const std::string hostFolder = Canonical(elsewhere.path());
  ASSERT_EQ(chdir(hostFolder.c_str()), 0);
  platform::ResetPaths();
  EXPECT_EQ(platform::CurrentFolder(), hostFolder);
  EXPECT_EQ(platform::HostPath("sub\\x"), hostFolder + "/Sub/x");
  // Host paths may use backslashes after the leading slash.
  EXPECT_EQ(platform::HostPath(hostFolder + "\\SUB\\y"), hostFolder + "/Sub/y");
  // A host path that lies on a drive makes that drive current.
  ASSERT_TRUE(platform::SetCurrentFolder(Canonical(driveC_ / "Talmar")));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\Talmar");
  EXPECT_EQ(platform::HostPath("C:x"), driveC_ / "Talmar/x");
}

TEST_F(PathsTest, DefaultDriveLiesInTheUserDataFolder) {
  TempDir data;
  ScopedEnv env({{"TALMAR_DRIVE_C", ""}, {"XDG_DATA_HOME", data.path()}});
  platform::ResetPaths();
  EXPECT_EQ(platform::HostPath("C:\\talmar"), data / "talmar/drive_c/talmar");
}

TEST_F(PathsTest, ProgramFileAndWindowsFolder) {
  EXPECT_EQ(platform::WindowsFolder(), "C:\\windows");
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(platform::ProgramFilePath(), program.string());  // not on drive C:
  ScopedEnv env({{"TALMAR_DRIVE_C", program.parent_path().string()}});
  platform::ResetPaths();
  EXPECT_EQ(platform::ProgramFilePath(), "C:\\" + program.filename().string());
}

}  // namespace
