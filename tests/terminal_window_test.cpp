// The terminal window on a pseudo-terminal, with a small stand-in for the
// terminal on the other side that records what is written and answers the
// queries: taking and giving back the terminal, keys, the keyboard
// protocol, a terminal too small, handing it to another program, and
// restoring it when a signal ends the program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/keys.h"
#include "platform/terminal_window.h"

namespace {

using namespace std::chrono_literals;

struct Collect : platform::MessageSink {
  std::vector<platform::Message> messages;
  void Post(const platform::Message& message) override { messages.push_back(message); }
  bool Has(uint32_t id, uint64_t wparam = ~0ull) const {
    for (const platform::Message& m : messages) {
      if (m.id == id && (wparam == ~0ull || m.wparam == wparam)) return true;
    }
    return false;
  }
};

// The terminal's side of a pseudo-terminal.
class FakeTerminal {
 public:
  explicit FakeTerminal(bool hasKeyboardProtocol) : protocol_(hasKeyboardProtocol) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    Resize(80, 25);
    reader_ = std::thread([this] { Run(); });
  }
  ~FakeTerminal() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  bool ok() const { return slave_ >= 0; }
  int slave() const { return slave_; }
  void Resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master_, TIOCSWINSZ, &size);
  }
  void Type(const std::string& bytes) {
    [[maybe_unused]] const ssize_t written = write(master_, bytes.data(), bytes.size());
  }
  std::string Output() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
  }
  void ClearOutput() {
    std::lock_guard<std::mutex> lock(mutex_);
    output_.clear();
    answered_ = 0;
  }
  // Waits until `text` has been written.
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit = 2000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (Output().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

 private:
  void Run() {
    char buffer[4096];
    while (!stop_) {
      pollfd in{master_, POLLIN, 0};
      if (poll(&in, 1, 10) <= 0) continue;
      const ssize_t got = read(master_, buffer, sizeof buffer);
      if (got <= 0) {
        std::this_thread::sleep_for(5ms);
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      output_.append(buffer, static_cast<std::size_t>(got));
      Answer();
    }
  }
  // Answers the queries in what was written since the last answer.
  void Answer() {
    std::string answers;
    for (;;) {
      const std::size_t flags = output_.find("\x1b[?u", answered_);
      const std::size_t attributes = output_.find("\x1b[c", answered_);
      const std::size_t push = output_.find("\x1b[>", answered_);
      const std::size_t next = std::min({flags, attributes, push});
      if (next == std::string::npos) break;
      if (next == push) {
        const std::size_t end = output_.find('u', push);
        if (end == std::string::npos) break;
        if (protocol_) flags_ = std::atoi(output_.c_str() + push + 3);
        answered_ = end + 1;
      } else if (next == flags) {
        if (protocol_) answers += "\x1b[?" + std::to_string(flags_) + "u";
        answered_ = flags + 4;
      } else {
        answers += "\x1b[?62;22c";
        answered_ = attributes + 3;
      }
    }
    if (!answers.empty()) {
      [[maybe_unused]] const ssize_t written = write(master_, answers.data(), answers.size());
    }
  }

  bool protocol_;
  int flags_ = 0;
  int master_ = -1;
  int slave_ = -1;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string output_;
  std::size_t answered_ = 0;
};

bool Canonical(int fd) {
  termios settings{};
  tcgetattr(fd, &settings);
  return (settings.c_lflag & ICANON) != 0 && (settings.c_lflag & ECHO) != 0;
}

class TerminalWindowTest : public ::testing::Test {
 protected:
  void Open(bool protocol = false, bool trueColour = false) {
    terminal_ = std::make_unique<FakeTerminal>(protocol);
    ASSERT_TRUE(terminal_->ok());
    platform::TerminalWindowOptions options;
    options.inputFd = terminal_->slave();
    options.outputFd = terminal_->slave();
    options.handleSignals = false;
    options.trueColour = trueColour;
    std::string why;
    window_ = platform::MakeTerminalWindowWith(options, &why);
    ASSERT_NE(window_, nullptr) << why;
    ASSERT_TRUE(window_->CreateWindow("Ligafala 3.3 ", 80, 25));
    window_->ShowWindow(false);
  }
  void TearDown() override {
    window_.reset();
    terminal_.reset();
  }
  void Draw(int column, int row, const std::string& text) {
    window_->DrawText(column, row, reinterpret_cast<const uint8_t*>(text.data()),
                      static_cast<int>(text.size()), platform::Rgb{255, 255, 255}, platform::Rgb{0, 0, 0});
  }
  // Polls until a message with `id` arrives or the time is up.
  bool PollFor(Collect& sink, uint32_t id, std::chrono::milliseconds limit = 2000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      window_->Poll(sink, true);
      if (sink.Has(id)) return true;
      window_->WaitNative(20);
    }
    return false;
  }

  std::unique_ptr<FakeTerminal> terminal_;
  std::unique_ptr<platform::WindowBackend> window_;
};

TEST_F(TerminalWindowTest, TakesTheTerminalDrawsAndGivesItBack) {
  Open();
  EXPECT_FALSE(Canonical(terminal_->slave()));
  EXPECT_FALSE(window_->ReportsKeyReleases());
  EXPECT_EQ(window_->FontMetrics().aveCharWidth, 1);
  Collect sink;
  window_->Poll(sink, false);
  EXPECT_TRUE(sink.Has(platform::kMsgSetFocus));
  EXPECT_TRUE(window_->IsForeground());
  Draw(0, 9, "Brasileir\xe3o");
  window_->Present();
  EXPECT_TRUE(terminal_->WaitFor("\x1b[10;1HBrasileir\xc3\xa3o"));
  const std::string start = terminal_->Output();
  EXPECT_NE(start.find("\x1b[?1049h"), std::string::npos);
  EXPECT_NE(start.find("\x1b]0;Ligafala 3.3 \x07"), std::string::npos);
  EXPECT_NE(start.find("\x1b[97;40m"), std::string::npos);  // 16 colours without COLORTERM

  window_.reset();
  EXPECT_TRUE(Canonical(terminal_->slave()));
  EXPECT_TRUE(terminal_->WaitFor("\x1b[?25h\x1b[?1049l"));
}

TEST_F(TerminalWindowTest, KeysArriveAsMessagesAndALoneEscAfterItsWait) {
  Open();
  Collect sink;
  terminal_->Type("\x1b[B\xc3\xa7");
  ASSERT_TRUE(PollFor(sink, platform::kMsgChar));
  EXPECT_TRUE(sink.Has(platform::kMsgKeyDown, platform::kVkDown));
  EXPECT_TRUE(sink.Has(platform::kMsgChar, 0xE7));
  sink.messages.clear();
  terminal_->Type("\x1b");
  window_->WaitNative(200);
  window_->Poll(sink, true);
  ASSERT_TRUE(PollFor(sink, platform::kMsgKeyDown));
  EXPECT_TRUE(sink.Has(platform::kMsgKeyDown, platform::kVkEscape));
}

TEST_F(TerminalWindowTest, FocusReportsMoveTheWindowOutOfFrontAndBack) {
  Open();
  EXPECT_NE(terminal_->Output().find("\x1b[?1004h"), std::string::npos);
  Collect sink;
  window_->Poll(sink, true);
  sink.messages.clear();
  terminal_->Type("\x1b[O");
  ASSERT_TRUE(PollFor(sink, platform::kMsgKillFocus));
  EXPECT_FALSE(window_->IsForeground());
  terminal_->Type("\x1b[I");
  ASSERT_TRUE(PollFor(sink, platform::kMsgSetFocus));
  EXPECT_TRUE(window_->IsForeground());
}

TEST_F(TerminalWindowTest, KeyboardProtocolIsUsedWhereTheTerminalHasIt) {
  Open(/*protocol=*/true, /*trueColour=*/true);
  EXPECT_TRUE(window_->ReportsKeyReleases());
  EXPECT_NE(terminal_->Output().find("\x1b[>27u"), std::string::npos);
  Collect sink;
  terminal_->Type("\x1b[102u\x1b[102;1:3u");
  ASSERT_TRUE(PollFor(sink, platform::kMsgKeyUp));
  EXPECT_TRUE(sink.Has(platform::kMsgKeyDown, 'F'));
  Draw(0, 0, "x");
  window_->Present();
  EXPECT_TRUE(terminal_->WaitFor("\x1b[38;2;255;255;255;48;2;0;0;0m"));
  window_.reset();
  EXPECT_TRUE(terminal_->WaitFor("\x1b[<u"));
}

TEST_F(TerminalWindowTest, TooSmallATerminalWaitsForItToGrow) {
  Open();
  Collect sink;
  window_->Poll(sink, true);
  terminal_->Resize(60, 20);
  terminal_->Type("a");
  Draw(0, 0, "menu");
  std::this_thread::sleep_for(50ms);
  window_->Poll(sink, true);
  window_->Present();
  EXPECT_TRUE(platform::TerminalWindowIsTooSmall());
  EXPECT_TRUE(terminal_->WaitFor("pequeno demais: tem 60 colunas e 20"));
  EXPECT_FALSE(sink.Has(platform::kMsgChar));  // the key waits
  terminal_->ClearOutput();
  terminal_->Resize(100, 30);
  window_->Poll(sink, true);
  window_->Present();
  EXPECT_TRUE(sink.Has(platform::kMsgChar, 'a'));
  EXPECT_TRUE(terminal_->WaitFor("\x1b[2J"));
  EXPECT_TRUE(terminal_->WaitFor("menu"));
}

TEST_F(TerminalWindowTest, AStartedProgramHoldsTheTerminalUntilItEnds) {
  Open();
  Collect sink;
  window_->Poll(sink, true);
  Draw(0, 0, "menu");
  window_->Present();
  ASSERT_TRUE(terminal_->WaitFor("menu"));
  const pid_t child = fork();
  if (child == 0) {
    usleep(300000);
    _exit(0);
  }
  ASSERT_GT(child, 0);
  window_->ChildStarted(child);
  EXPECT_TRUE(platform::TerminalWindowIsHandedOver());
  EXPECT_FALSE(window_->IsForeground());
  EXPECT_TRUE(Canonical(terminal_->slave()));
  EXPECT_TRUE(terminal_->WaitFor("\x1b[?1049l"));
  // Keys typed meanwhile are the other program's.
  terminal_->ClearOutput();
  sink.messages.clear();
  window_->Poll(sink, true);
  EXPECT_TRUE(sink.Has(platform::kMsgKillFocus));
  ASSERT_TRUE(PollFor(sink, platform::kMsgSetFocus, 3000ms));
  EXPECT_FALSE(platform::TerminalWindowIsHandedOver());
  EXPECT_TRUE(window_->IsForeground());
  EXPECT_FALSE(Canonical(terminal_->slave()));
  window_->Present();
  EXPECT_TRUE(terminal_->WaitFor("\x1b[?1049h"));
  EXPECT_TRUE(terminal_->WaitFor("menu"));  // drawn again whole
}

TEST_F(TerminalWindowTest, ASignalThatEndsTheProgramRestoresTheTerminal) {
  for (const int signalNumber : {SIGTERM, SIGABRT}) {
    terminal_ = std::make_unique<FakeTerminal>(false);
    ASSERT_TRUE(terminal_->ok());
    const pid_t child = fork();
    if (child == 0) {
      platform::TerminalWindowOptions options;
      options.inputFd = terminal_->slave();
      options.outputFd = terminal_->slave();
      options.answerWaitMs = 200;
      options.holdErrorOutput = true;
      dup2(terminal_->slave(), STDERR_FILENO);
      std::string why;
      auto window = platform::MakeTerminalWindowWith(options, &why);
      if (window == nullptr || !window->CreateWindow("x", 80, 25)) _exit(3);
      if (Canonical(options.inputFd)) _exit(4);
      // A line on standard error meanwhile is written once the terminal is back.
      std::fputs("a stray line\n", stderr);
      raise(signalNumber);
      _exit(5);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
    EXPECT_TRUE(Canonical(terminal_->slave())) << signalNumber;
    EXPECT_TRUE(terminal_->WaitFor("a stray line")) << signalNumber;
    const std::string output = terminal_->Output();
    EXPECT_LT(output.find("\x1b[?1049l"), output.find("a stray line")) << signalNumber;
  }
}

}  // namespace
