// A console on the fake window, with drive C: in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "console/console.h"
#include "platform/observe.h"
#include "platform/paths.h"
#include "platform/window.h"
#include "tests/fake_window.h"
#include "tests/test_support.h"

namespace testing_support {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The folder to come back to; the temporary folder when an earlier test
    // left the process in a folder that is gone.
    std::error_code error;
    startFolder_ = std::filesystem::current_path(error);
    if (error) startFolder_ = std::filesystem::temp_directory_path();
    env_ = std::make_unique<ScopedEnv>(
        std::map<std::string, std::string>{{"TALMAR_DRIVE_C", drive_.path()}});
    std::filesystem::create_directories(drive_ / "windows");
    platform::ResetPaths();
    platform::ResetObservation();
    auto fake = std::make_unique<FakeWindow>();
    window_ = fake.get();
    platform::UseBackend(std::move(fake));
    ConsoleResetForTest();
  }
  void TearDown() override {
    platform::ResetWindowSystem();
    ConsoleResetForTest();
    env_.reset();
    // A test that moved into its drive must not leave the process in a
    // folder that is about to be deleted.
    std::error_code ignored;
    std::filesystem::current_path(startFolder_, ignored);
    platform::ResetPaths();
  }

  // Writes the shared settings file before the window is created.
  void Settings(const std::string& text) { WriteFile(drive_ / "windows/SONTRA.INI", text); }

  void Write(const std::string& text) {
    ConsoleWrite(text.data(), static_cast<uint16_t>(text.size()));
  }

  // Hands the console the messages of key presses and lets it handle them.
  void Press(const std::vector<platform::Message>& messages) {
    for (const platform::Message& message : messages) platform::PostMessage(message);
    ConsolePumpMessages();
  }

  std::vector<int> DrainQueue() {
    std::vector<int> keys;
    while (ConsoleKeyQueueCount() > 0) keys.push_back(ConsoleReadKey());
    return keys;
  }

  std::string Row(int row) {
    std::string text;
    for (int column = 1; column <= kConsoleColumns; ++column) {
      text += static_cast<char>(ConsoleCharAt(column, row));
    }
    return text;
  }

  std::filesystem::path startFolder_;
  TempDir drive_;
  std::unique_ptr<ScopedEnv> env_;
  FakeWindow* window_ = nullptr;
};

}  // namespace testing_support
