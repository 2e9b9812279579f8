// The headless window: a window backend that shows nothing and reads its
// keyboard from the TALMAR_KEYS script, so the whole program can run under
// automatic checks without a display. What the console shows is observed
// through the screen file instead (observe.h).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/key_script.h"
#include "platform/keys.h"
#include "platform/wave_out.h"
#include "platform/window_backend.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// A fixed screen, so the console's font sizing gives the same cells on
// every machine: a 30-pixel bar is docked at the bottom.
constexpr Rect kScreen{0, 0, 1024, 768};
constexpr Rect kWorkArea{0, 0, 1024, 738};
// The stock fixed-pitch font.
constexpr int kStockWidth = 8;
constexpr int kStockHeight = 16;
// Requests beyond this are not fonts anyone reads; the bound keeps the
// arithmetic of the metrics far from overflowing.
constexpr int kMaxFontPixels = 4096;
// More problem reports than this would bury the first, useful ones.
constexpr std::size_t kMaxProblemReports = 20;

TextMetrics MetricsFor(int height, int width) {
  TextMetrics metrics;
  metrics.height = height;
  metrics.aveCharWidth = width;
  metrics.ascent = height * 4 / 5;
  return metrics;
}

class HeadlessWindow final : public WindowBackend {
 public:
  explicit HeadlessWindow(std::vector<KeyEvent> events) : events_(std::move(events)) {}

  const char* Name() const override { return "headless"; }

  Rect ScreenRect() override { return kScreen; }
  Rect WorkArea() override { return kWorkArea; }
  FrameMetrics Frame() override { return {}; }

  bool SelectFont(const FontRequest& request) override {
    const int asked = std::min(std::abs(request.height), kMaxFontPixels);
    const int height = asked > 0 ? asked : kStockHeight;
    int width = std::min(std::abs(request.width), kMaxFontPixels);
    if (width == 0) width = asked > 0 ? std::max(1, height * 13 / 28) : kStockWidth;
    metrics_ = MetricsFor(height, width);
    return true;
  }
  void SelectStockFont() override { metrics_ = MetricsFor(kStockHeight, kStockWidth); }
  TextMetrics FontMetrics() override { return metrics_; }

  bool CreateWindow(const std::string& title, int width, int height) override {
    title_ = title;
    window_ = Rect{0, 0, std::max(0, width), std::max(0, height)};
    exists_ = true;
    shown_ = false;
    focused_ = true;
    return true;
  }
  void ShowWindow(bool maximised) override {
    if (!exists_) return;
    if (maximised) {
      int width = kWorkArea.Width();
      int height = kWorkArea.Height();
      if (limits_.maxSize.x > 0) width = std::min(width, limits_.maxSize.x);
      if (limits_.maxSize.y > 0) height = std::min(height, limits_.maxSize.y);
      window_ = Rect{0, 0, width, height};
    }
    // The window comes up in front with the keyboard, unless the script
    // already sent the user elsewhere.
    if (!shown_) setFocusPending_ = true;
    shown_ = true;
  }
  void DestroyWindow() override {
    exists_ = false;
    shown_ = false;
    setFocusPending_ = false;
  }
  void SetTitle(const std::string& title) override { title_ = title; }
  void SetSizeLimits(const MinMaxInfo& limits) override { limits_ = limits; }
  Rect WindowRect() override { return window_; }
  Rect ClientRect() override { return Rect{0, 0, window_.Width(), window_.Height()}; }
  bool IsActive() override { return exists_ && shown_ && focused_; }
  bool IsForeground() override { return exists_ && shown_ && focused_; }

  // Nothing is drawn: the console publishes its cells to the screen file.
  void DrawText(int, int, const uint8_t*, int, Rgb, Rgb) override {}
  void FillRect(const Rect&, Rgb) override {}
  void CopyRect(const Rect&, int, int) override {}
  void SnapshotClient(int, int) override {}
  void StretchSnapshot(const Rect&, const Rect&) override {}
  void FreeSnapshot() override {}
  void SetCaret(bool, const Rect&) override {}
  void Beep() override { SoundDefaultBeep(); }
  void Present() override {}

  void Poll(MessageSink& sink, bool awaitingKey) override;
  void WaitNative(int timeoutMs) override;
  void Wake() override {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    woken_ = true;
    wakeSignal_.notify_all();
  }

 private:
  void DeliverKey(MessageSink& sink, const KeyEvent& event);
  void ChangeFocus(MessageSink& sink, bool focused);
  // Something the next Poll will do whatever the program is doing.
  bool ReadyWithoutKeyWait() const;

  std::vector<KeyEvent> events_;
  std::size_t next_ = 0;
  bool sleeping_ = false;  // the sleep line at next_ has started
  Clock::time_point sleepUntil_;
  bool closeAtEndSent_ = false;

  std::string title_;
  Rect window_;
  MinMaxInfo limits_;
  bool exists_ = false;
  bool shown_ = false;
  bool focused_ = true;
  bool setFocusPending_ = false;
  TextMetrics metrics_ = MetricsFor(kStockHeight, kStockWidth);

  std::mutex wakeMutex_;
  std::condition_variable wakeSignal_;
  bool woken_ = false;
};

void HeadlessWindow::DeliverKey(MessageSink& sink, const KeyEvent& event) {
  if (event.kind != KeyEventKind::kUp) PostKeyDown(sink, event.vk, event.mods);
  if (event.kind == KeyEventKind::kPress && event.character >= 0) {
    PostChar(sink, static_cast<uint8_t>(event.character), event.mods);
  }
  if (event.kind != KeyEventKind::kDown) PostKeyUp(sink, event.vk, event.mods);
}

void HeadlessWindow::ChangeFocus(MessageSink& sink, bool focused) {
  if (focused_ == focused) return;
  focused_ = focused;
  if (!shown_) return;  // a hidden window is told when it is shown
  Message message;
  message.id = focused ? kMsgSetFocus : kMsgKillFocus;
  sink.Post(message);
}

// The script plays back under these rules: a key waits until the program
// asks for a key with nothing queued, and only one key goes per call so the
// program takes it before the next; a "!" key follows the previous event at
// once; a sleep holds everything behind it for its time, counted from when
// the script reached it; focus changes and the close box happen as soon as
// the script reaches them. Keys wait for the window to exist.
void HeadlessWindow::Poll(MessageSink& sink, bool awaitingKey) {
  if (!exists_) return;
  if (setFocusPending_) {
    setFocusPending_ = false;
    if (focused_) {
      Message message;
      message.id = kMsgSetFocus;
      sink.Post(message);
    }
  }
  bool keyDelivered = false;
  while (next_ < events_.size()) {
    const KeyEvent& event = events_[next_];
    switch (event.kind) {
      case KeyEventKind::kSleep:
        if (!sleeping_) {
          sleeping_ = true;
          sleepUntil_ = Clock::now() + std::chrono::milliseconds(event.sleepMs);
        }
        if (Clock::now() < sleepUntil_) return;
        sleeping_ = false;
        break;
      case KeyEventKind::kFocusOut:
      case KeyEventKind::kFocusIn:
      case KeyEventKind::kClose:
        // After a key the program first takes the key's messages.
        if (keyDelivered) return;
        if (event.kind == KeyEventKind::kClose) {
          Message message;
          message.id = kMsgClose;
          sink.Post(message);
        } else {
          ChangeFocus(sink, event.kind == KeyEventKind::kFocusIn);
        }
        break;
      case KeyEventKind::kPress:
      case KeyEventKind::kDown:
      case KeyEventKind::kUp:
        if (!event.immediate && (keyDelivered || !awaitingKey)) return;
        DeliverKey(sink, event);
        keyDelivered = true;
        break;
    }
    ++next_;
  }
  // A used-up script closes the window, so every scripted run ends.
  if (awaitingKey && !keyDelivered && !closeAtEndSent_) {
    closeAtEndSent_ = true;
    Message message;
    message.id = kMsgClose;
    sink.Post(message);
  }
}

bool HeadlessWindow::ReadyWithoutKeyWait() const {
  if (!exists_) return false;
  if (setFocusPending_) return true;
  if (next_ >= events_.size()) return false;
  switch (events_[next_].kind) {
    case KeyEventKind::kSleep:
      return sleeping_ && Clock::now() >= sleepUntil_;
    case KeyEventKind::kFocusOut:
    case KeyEventKind::kFocusIn:
    case KeyEventKind::kClose:
      return true;
    default:
      return events_[next_].immediate;
  }
}

void HeadlessWindow::WaitNative(int timeoutMs) {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  if (woken_ || ReadyWithoutKeyWait()) {
    woken_ = false;
    return;
  }
  const bool limited = timeoutMs >= 0;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
  // A sleep of the script ends the wait when it is over, so the lines
  // behind it run on time.
  const bool sleepBounds = exists_ && sleeping_;
  if (sleepBounds && (!limited || sleepUntil_ < deadline)) deadline = sleepUntil_;
  if (limited || sleepBounds) {
    wakeSignal_.wait_until(lock, deadline, [this] { return woken_; });
  } else {
    wakeSignal_.wait(lock, [this] { return woken_; });
  }
  woken_ = false;
}

void ReportScriptProblems(const std::string& path, const KeyScript& script) {
  const std::size_t shown = std::min(script.problems.size(), kMaxProblemReports);
  for (std::size_t i = 0; i < shown; ++i) {
    const KeyScriptProblem& problem = script.problems[i];
    std::fprintf(stderr, "ligafala: TALMAR_KEYS %s line %d: %s\n", path.c_str(),
                 static_cast<int>(problem.line), problem.message.c_str());
  }
  if (script.problems.size() > shown) {
    std::fprintf(stderr, "ligafala: TALMAR_KEYS %s: %zu more problems\n", path.c_str(),
                 script.problems.size() - shown);
  }
}

}  // namespace

std::unique_ptr<WindowBackend> MakeHeadlessWindow(std::string* /*why*/) {
  KeyScript script;
  const char* path = std::getenv("TALMAR_KEYS");
  if (path != nullptr && *path != '\0') {
    std::string why;
    if (!LoadKeyScript(path, &script, &why)) {
      // The run still goes on, and ends at the first key wait.
      std::fprintf(stderr, "ligafala: TALMAR_KEYS: %s; no keys will be typed\n", why.c_str());
    }
    ReportScriptProblems(path, script);
  }
  return std::make_unique<HeadlessWindow>(std::move(script.events));
}

}  // namespace platform
