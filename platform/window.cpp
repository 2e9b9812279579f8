#include "platform/window.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string_view>

#include "platform/keys.h"

namespace platform {
namespace {

struct WindowSystem : MessageSink {
  std::unique_ptr<WindowBackend> backend;
  // The queue is the one piece of state other threads touch (the sound
  // device posts its buffer-done messages from its own thread).
  std::mutex queueMutex;
  std::deque<Message> queue;
  bool windowExists = false;
  WindowProc proc = nullptr;
  Rect update;
  bool updateErase = false;
  bool awaitingKey = false;

  void Post(const Message& message) override {
    std::lock_guard<std::mutex> lock(queueMutex);
    queue.push_back(message);
  }
};
WindowSystem windows;

std::unique_ptr<WindowBackend> ChooseBackend() {
  const char* choice = std::getenv("TALMAR_VIDEO");
  std::string_view wanted = choice != nullptr ? choice : "";
  std::string why;
  if (wanted == "headless") {
    if (auto backend = MakeHeadlessWindow(&why)) return backend;
  } else {
    if (wanted == "sdl" || wanted.empty()) {
      const bool display = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
      if (wanted == "sdl" || display) {
        if (auto backend = MakeSdlWindow(&why)) return backend;
        std::fprintf(stderr, "ligafala: no window can be opened (%s)\n", why.c_str());
      }
    } else if (wanted != "terminal") {
      std::fprintf(stderr, "ligafala: TALMAR_VIDEO=%s is not known; use sdl, terminal or headless\n",
                   choice);
    }
    // Without a window, the text terminal the program was started in.
    if (auto backend = MakeTerminalWindow(&why)) return backend;
    std::fprintf(stderr, "ligafala: the terminal cannot be used (%s)\n", why.c_str());
  }
  // Without a screen the program runs on, and ends at its first wait for
  // a key.
  std::fprintf(stderr, "ligafala: running without a screen\n");
  return MakeHeadlessWindow(&why);
}

bool QueueEmpty() {
  std::lock_guard<std::mutex> lock(windows.queueMutex);
  return windows.queue.empty();
}

// Lets the backend turn its native events into messages.
void PollBackend() {
  WindowBackend& backend = Backend();
  backend.Present();
  backend.Poll(windows, windows.awaitingKey && QueueEmpty());
}

uint8_t ControlCharacterOf(uint64_t vk, uint8_t mods) {
  const bool ctrl = (mods & kModCtrl) != 0;
  const bool alt = (mods & kModAlt) != 0;
  switch (vk) {
    case kVkReturn: return 13;
    case kVkEscape: return 27;
    case kVkBack: return 8;
    case kVkTab: return ctrl ? 0 : 9;
    case kVkCancel: return 3;
    default: break;
  }
  if (ctrl && !alt && vk >= kVkA && vk <= kVkA + 25) return static_cast<uint8_t>(vk - kVkA + 1);
  return 0;
}

}  // namespace

WindowBackend& Backend() {
  if (!windows.backend) windows.backend = ChooseBackend();
  return *windows.backend;
}

void UseBackend(std::unique_ptr<WindowBackend> backend) {
  ResetWindowSystem();
  windows.backend = std::move(backend);
}

void ResetWindowSystem() {
  {
    std::lock_guard<std::mutex> lock(windows.queueMutex);
    windows.queue.clear();
  }
  windows.backend.reset();
  windows.windowExists = false;
  windows.proc = nullptr;
  windows.update = {};
  windows.updateErase = false;
  windows.awaitingKey = false;
}

bool CreateWindow(const std::string& title, int width, int height, WindowProc proc) {
  WindowBackend& backend = Backend();
  if (!backend.CreateWindow(title, width, height)) return false;
  windows.windowExists = true;
  windows.proc = proc;
  MinMaxInfo limits;
  Message minMax;
  minMax.id = kMsgGetMinMaxInfo;
  minMax.lparam = reinterpret_cast<int64_t>(&limits);
  SendMessage(minMax);
  backend.SetSizeLimits(limits);
  Message create;
  create.id = kMsgCreate;
  SendMessage(create);
  return true;
}

void ShowWindow(bool maximised) {
  if (windows.windowExists) Backend().ShowWindow(maximised);
}

void DestroyWindow() {
  if (!windows.windowExists) return;
  Message destroy;
  destroy.id = kMsgDestroy;
  SendMessage(destroy);
  Backend().DestroyWindow();
  windows.windowExists = false;
  windows.update = {};
}

bool WindowExists() { return windows.windowExists; }

void SetWindowProc(WindowProc proc) { windows.proc = proc; }

void SetWindowTitle(const std::string& title) {
  if (windows.windowExists) Backend().SetTitle(title);
}

void PostMessage(const Message& message) {
  windows.Post(message);
  if (windows.backend) windows.backend->Wake();
}

void PostQuitMessage(int exitCode) {
  Message quit;
  quit.id = kMsgQuit;
  quit.wparam = static_cast<uint64_t>(exitCode);
  quit.toWindow = false;
  windows.Post(quit);
}

bool PeekMessage(Message* message, bool windowOnly) {
  PollBackend();
  {
    std::lock_guard<std::mutex> lock(windows.queueMutex);
    for (auto it = windows.queue.begin(); it != windows.queue.end(); ++it) {
      // Only thread messages are left for the other pump; quit is seen by both.
      if (windowOnly && !it->toWindow && it->id != kMsgQuit) continue;
      *message = *it;
      windows.queue.erase(it);
      return true;
    }
  }
  // As on the system this imitates, a paint is delivered only when nothing
  // else waits, and stays pending until BeginPaint takes it.
  if (windows.windowExists && !windows.update.Empty()) {
    *message = Message{};
    message->id = kMsgPaint;
    return true;
  }
  return false;
}

void WaitMessage() {
  PollBackend();
  if (!QueueEmpty() || (windows.windowExists && !windows.update.Empty())) return;
  Backend().WaitNative(-1);
  PollBackend();
}

void TranslateMessage(const Message& message) {
  if (message.id != kMsgKeyDown) return;
  const uint8_t character = ControlCharacterOf(message.wparam, message.mods);
  if (character == 0) return;
  Message charMessage;
  charMessage.id = kMsgChar;
  charMessage.wparam = character;
  charMessage.mods = message.mods;
  // The character comes next, before anything the backend queued after the
  // key-down (its key-up, say).
  std::lock_guard<std::mutex> lock(windows.queueMutex);
  windows.queue.push_front(charMessage);
}

int64_t DispatchMessage(const Message& message) {
  if (!message.toWindow) return 0;
  return SendMessage(message);
}

int64_t SendMessage(const Message& message) {
  if (windows.proc != nullptr) return windows.proc(message);
  return DefaultWindowProc(message);
}

int64_t DefaultWindowProc(const Message& message) {
  switch (message.id) {
    case kMsgClose:
      DestroyWindow();
      return 0;
    case kMsgPaint:
      BeginPaint();
      EndPaint();
      return 0;
    case kMsgSysKeyDown:
      if (message.wparam == kVkF4 && (message.mods & kModAlt) != 0) {
        Message close;
        close.id = kMsgClose;
        PostMessage(close);
      }
      return 0;
    default:
      return 0;
  }
}

void SetAwaitingKey(bool awaiting) { windows.awaitingKey = awaiting; }

void InvalidateRect(const Rect* rect, bool erase) {
  if (!windows.windowExists) return;
  const Rect area = rect != nullptr ? *rect : Backend().ClientRect();
  windows.update = UnionRect(windows.update, area);
  windows.updateErase = windows.updateErase || erase;
}

void UpdateWindow() {
  if (!windows.windowExists || windows.update.Empty()) return;
  Message paint;
  paint.id = kMsgPaint;
  SendMessage(paint);
}

Rect BeginPaint() {
  const Rect area = windows.update;
  if (windows.updateErase && !area.Empty()) Backend().FillRect(area, Rgb{0, 0, 0});
  windows.update = {};
  windows.updateErase = false;
  return area;
}

void EndPaint() {}

bool IsWindowActive() { return windows.windowExists && Backend().IsActive(); }
bool IsWindowForeground() { return windows.windowExists && Backend().IsForeground(); }

void DefaultBeep() { Backend().Beep(); }

void NoteChildStarted(int processId) { Backend().ChildStarted(processId); }

namespace {

// Keys held with Alt but not Ctrl, and F10, are the system's keys.
void PostKey(MessageSink& sink, uint16_t vk, uint8_t mods, uint32_t plain, uint32_t system) {
  Message message;
  const bool altOnly = (mods & kModAlt) != 0 && (mods & kModCtrl) == 0;
  message.id = altOnly || vk == kVkF10 ? system : plain;
  message.wparam = vk;
  message.mods = mods;
  sink.Post(message);
}

}  // namespace

void PostKeyDown(MessageSink& sink, uint16_t vk, uint8_t mods) {
  PostKey(sink, vk, mods, kMsgKeyDown, kMsgSysKeyDown);
}

void PostKeyUp(MessageSink& sink, uint16_t vk, uint8_t mods) {
  PostKey(sink, vk, mods, kMsgKeyUp, kMsgSysKeyUp);
}

void PostChar(MessageSink& sink, uint8_t character, uint8_t mods) {
  Message message;
  message.id = kMsgChar;
  message.wparam = character;
  message.mods = mods;
  sink.Post(message);
}

#ifndef TALMAR_HAVE_SDL
std::unique_ptr<WindowBackend> MakeSdlWindow(std::string* why) {
  *why = "this build has no SDL2 window";
  return nullptr;
}
#endif

}  // namespace platform
