// Helpers shared by the tests: temporary drives, files, and running the
// real program headless.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // Path of `relative` inside the folder (host separators).
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& hostPath, const std::string& bytes);
std::string ReadFile(const std::string& hostPath);
std::vector<std::string> ReadLines(const std::string& hostPath);

// Sets environment variables for the lifetime of the object, restoring the
// previous values afterwards.
class ScopedEnv {
 public:
  explicit ScopedEnv(const std::map<std::string, std::string>& values);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::map<std::string, std::pair<bool, std::string>> saved_;
};

struct RunResult {
  int exitStatus = -1;  // -1: killed after the time limit
  std::string output;   // standard output and error
};

// Runs the real program with `env` added to a clean environment (HOME,
// PATH kept) and TALMAR_VIDEO=headless, TALMAR_AUDIO=null unless given.
RunResult RunProgram(const std::map<std::string, std::string>& env, int timeoutMs = 20000,
                     const std::string& workingFolder = "");

}  // namespace testing_support
