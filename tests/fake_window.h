// A window backend for unit tests: remembers what was drawn and asked of it,
// and hands the console the messages a test queues for its key waits.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace testing_support {

struct DrawnRun {
  int x;
  int y;
  std::string text;
  platform::Rgb fg;
  platform::Rgb bg;
};

class FakeWindow : public platform::WindowBackend {
 public:
  // What the fake has seen; tests read and clear these freely.
  std::vector<DrawnRun> runs;
  std::vector<std::string> titles;
  std::vector<platform::Rect> stretchSources;
  std::vector<platform::Rect> fills;
  int copies = 0;
  int beeps = 0;
  bool caretVisible = false;
  bool maximised = false;
  bool active = true;
  platform::FontRequest font;
  platform::Rect windowRect{0, 0, 1040, 700};
  // Batches of messages delivered one batch per key wait.
  std::deque<std::vector<platform::Message>> onKeyWait;
  // Runs at every poll, whatever the program waits for.
  std::function<void(platform::MessageSink&)> onPoll;

  const char* Name() const override { return "fake"; }
  platform::Rect ScreenRect() override { return {0, 0, 1024, 768}; }
  platform::Rect WorkArea() override { return {0, 0, 1024, 738}; }
  platform::FrameMetrics Frame() override { return {4, 4, 20}; }
  bool SelectFont(const platform::FontRequest& request) override {
    font = request;
    return true;
  }
  void SelectStockFont() override { font = {"stock", 16, 8, 400}; }
  platform::TextMetrics FontMetrics() override {
    return {font.height, 0, font.width, font.height * 4 / 5, 0};
  }
  bool CreateWindow(const std::string& title, int, int) override {
    titles.push_back(title);
    return true;
  }
  void ShowWindow(bool max) override { maximised = max; }
  void DestroyWindow() override {}
  void SetTitle(const std::string& title) override { titles.push_back(title); }
  void SetSizeLimits(const platform::MinMaxInfo&) override {}
  platform::Rect WindowRect() override { return windowRect; }
  platform::Rect ClientRect() override { return {0, 0, 80 * font.width, 25 * font.height}; }
  bool IsActive() override { return active; }
  bool IsForeground() override { return active; }
  void DrawText(int x, int y, const uint8_t* text, int count, platform::Rgb fg,
                platform::Rgb bg) override {
    runs.push_back({x, y, std::string(reinterpret_cast<const char*>(text),
                                      static_cast<std::size_t>(count)),
                    fg, bg});
  }
  void FillRect(const platform::Rect& rect, platform::Rgb) override { fills.push_back(rect); }
  void CopyRect(const platform::Rect&, int, int) override { ++copies; }
  void SnapshotClient(int, int) override {}
  void StretchSnapshot(const platform::Rect& source, const platform::Rect&) override {
    stretchSources.push_back(source);
  }
  void FreeSnapshot() override {}
  void SetCaret(bool visible, const platform::Rect&) override { caretVisible = visible; }
  void Beep() override { ++beeps; }
  void Present() override {}
  void Poll(platform::MessageSink& sink, bool awaitingKey) override {
    if (onPoll) onPoll(sink);
    if (!awaitingKey || onKeyWait.empty()) return;
    for (const platform::Message& message : onKeyWait.front()) sink.Post(message);
    onKeyWait.pop_front();
  }
  void WaitNative(int) override {}
  void Wake() override {}
};

// Messages of a key press as a real keyboard gives them.
std::vector<platform::Message> KeyPress(uint16_t vk, uint8_t mods = 0, uint8_t character = 0);

}  // namespace testing_support
