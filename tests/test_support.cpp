#include "tests/test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testing_support {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ligafala-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& relative) const { return path_ + "/" + relative; }

void WriteFile(const std::string& hostPath, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::vector<std::string> ReadLines(const std::string& hostPath) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(hostPath));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ScopedEnv::ScopedEnv(const std::map<std::string, std::string>& values) {
  for (const auto& [name, value] : values) {
    const char* old = std::getenv(name.c_str());
    saved_[name] = {old != nullptr, old != nullptr ? old : ""};
    setenv(name.c_str(), value.c_str(), 1);
  }
}

ScopedEnv::~ScopedEnv() {
  for (const auto& [name, old] : saved_) {
    if (old.first) {
      setenv(name.c_str(), old.second.c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
}

RunResult RunProgram(const std::map<std::string, std::string>& env, int timeoutMs,
                     const std::string& workingFolder) {
  std::map<std::string, std::string> full = {{"TALMAR_VIDEO", "headless"},
                                             {"TALMAR_AUDIO", "null"}};
  for (const char* keep : {"HOME", "PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(keep)) full[keep] = value;
  }
  for (const auto& [name, value] : env) full[name] = value;
  std::vector<std::string> strings;
  for (const auto& [name, value] : full) strings.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& s : strings) envp.push_back(s.data());
  envp.push_back(nullptr);

  TempDir scratch;
  const std::string outputPath = scratch / "output";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  std::string binary = LIGAFALA_BINARY;
  char* argv[] = {binary.data(), nullptr};
  pid_t pid = 0;
  RunResult result;
  if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return result;
  }
  posix_spawn_file_actions_destroy(&actions);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.output = ReadFile(outputPath);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = ReadFile(outputPath);
  return result;
}

}  // namespace testing_support

#include "tests/fake_window.h"

namespace testing_support {

namespace {
struct Collect : platform::MessageSink {
  std::vector<platform::Message> messages;
  void Post(const platform::Message& message) override { messages.push_back(message); }
};
}  // namespace

std::vector<platform::Message> KeyPress(uint16_t vk, uint8_t mods, uint8_t character) {
  Collect sink;
  platform::PostKeyDown(sink, vk, mods);
  if (character != 0) platform::PostChar(sink, character, mods);
  platform::PostKeyUp(sink, vk, mods);
  return sink.messages;
}

}  // namespace testing_support

#include <gtest/gtest.h>

namespace {

// The program's own way to end (a close message, Ctrl+Break) ends the whole
// test binary when a test reaches it by mistake, and a plain exit would
// read as success. This guard turns such an end into a failure; death
// tests, which end on purpose in a child process, are left alone.
class EndOfProgramGuard : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!::testing::GTEST_FLAG(internal_run_death_test).empty()) return;
    running_ = true;
    std::atexit([] {
      if (running_) {
        std::fprintf(stderr, "\nThe test program ended in the middle of a test.\n");
        std::_Exit(1);
      }
    });
  }
  void TearDown() override { running_ = false; }

 private:
  static inline bool running_ = false;
};

[[maybe_unused]] ::testing::Environment* const kEndOfProgramGuard =
    ::testing::AddGlobalTestEnvironment(new EndOfProgramGuard);

}  // namespace

#include "tests/speech_fixture.h"

namespace testing_support {

std::string MakeWave(const std::string& samples, int rate, int bits, int channels) {
  std::string image(44, '\0');
  auto put = [&image](std::size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<char>(value >> (8 * i));
  };
  image.replace(0, 4, "RIFF");
  put(4, static_cast<uint32_t>(samples.size() + 36), 4);
  image.replace(8, 8, "WAVEfmt ");
  put(16, 16, 4);
  put(20, 1, 2);
  put(22, static_cast<uint32_t>(channels), 2);
  put(24, static_cast<uint32_t>(rate), 4);
  put(28, static_cast<uint32_t>(rate * channels * bits / 8), 4);
  put(32, static_cast<uint32_t>(channels * bits / 8), 2);
  put(34, static_cast<uint32_t>(bits), 2);
  image.replace(36, 4, "data");
  put(40, static_cast<uint32_t>(samples.size()), 4);
  return image + samples;
}

}  // namespace testing_support
