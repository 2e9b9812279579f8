#include "console/console.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "console/appearance.h"
#include "console/braille_keyboard.h"
#include "console/magnifier.h"
#include "platform/cp1252.h"
#include "platform/keys.h"
#include "platform/observe.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/window.h"

using platform::Message;

uint8_t ConsoleTextAttr = 7;

namespace {

constexpr int kCells = kConsoleColumns * kConsoleRows;

struct ExtendedKey {
  uint16_t vk;
  uint8_t normal;
  uint8_t ctrl;
};

// Keys that reach the queue as 0 followed by a code.
constexpr ExtendedKey kExtendedKeys[] = {
    {0x70, 59, 94},   {0x71, 60, 95},   {0x72, 61, 96},   {0x73, 62, 97},   {0x74, 63, 98},
    {0x75, 64, 99},   {0x76, 65, 100},  {0x77, 66, 101},  {0x78, 67, 102},  {0x79, 68, 103},
    {0x7A, 69, 104},  {0x7B, 70, 105},  {0x2D, 82, 255},  {0x2E, 83, 83},   {0x24, 71, 119},
    {0x23, 79, 117},  {0x21, 73, 132},  {0x22, 81, 118},  {0x26, 72, 113},  {0x28, 80, 114},
    {0x25, 75, 115},  {0x27, 77, 116},
};

// The Alt code of each letter is its keyboard scan code.
constexpr uint8_t kAltLetterCodes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                         49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

struct ConsoleState {
  uint8_t chars[kCells] = {};
  uint8_t attrs[kCells] = {};
  int cursorX = 0;  // 0..80; 80 stands past the last column
  int cursorY = 0;  // 0..24
  uint8_t keys[kKeyQueueSize] = {};
  int keyCount = 0;
  bool created = false;
  bool focused = false;
  bool keyWait = false;
  bool breakCheck = false;
  int cellWidth = 8;
  int cellHeight = 16;
  int ascent = 12;
  int overhang = 0;
  int windowWidth = 0;
  int windowHeight = 0;
  std::string title;
  WaveDoneHandler waveDone = nullptr;
};
ConsoleState console;

void PublishScreen() { platform::PublishScreen(console.chars, console.attrs); }

void RefreshMetrics() {
  const platform::TextMetrics metrics = platform::Backend().FontMetrics();
  console.cellWidth = std::max(1, metrics.aveCharWidth);
  console.cellHeight = std::max(1, metrics.height + metrics.externalLeading);
  console.ascent = metrics.ascent;
  console.overhang = metrics.overhang;
}

// Draws cells [from, to) of `row`, one text call per run of equal attribute.
void PaintRow(int row, int from, int to) {
  if (to <= from || !console.created) return;
  platform::WindowBackend& backend = platform::Backend();
  const int base = row * kConsoleColumns;
  int start = from;
  while (start < to) {
    const uint8_t attr = console.attrs[base + start];
    int end = start + 1;
    while (end < to && console.attrs[base + end] == attr) ++end;
    backend.DrawText(start * console.cellWidth + console.overhang, row * console.cellHeight,
                     console.chars + base + start, end - start, ConsoleColourOf(attr & 0x0F),
                     ConsoleColourOf(attr >> 4));
    start = end;
  }
}

void OnPaint() {
  const platform::Rect area = platform::BeginPaint();
  if (!area.Empty()) {
    const int w = console.cellWidth;
    const int h = console.cellHeight;
    const int firstColumn = std::max(0, area.left / w);
    const int endColumn = std::min(kConsoleColumns, (area.right + w - 1) / w);
    const int firstRow = std::max(0, area.top / h);
    const int endRow = std::min(kConsoleRows, (area.bottom + h - 1) / h);
    for (int row = firstRow; row < endRow; ++row) PaintRow(row, firstColumn, endColumn);
  }
  platform::EndPaint();
}

void ShowCaret() {
  const platform::Rect where{console.cursorX * console.cellWidth,
                             console.cursorY * console.cellHeight + console.ascent,
                             (console.cursorX + 1) * console.cellWidth,
                             console.cursorY * console.cellHeight + console.ascent + 2};
  platform::Backend().SetCaret(true, where);
}

void HideCaret() { platform::Backend().SetCaret(false, platform::Rect{}); }

// Ends the program from inside a pump, as a quit message or Ctrl+Break does.
[[noreturn]] void EndFromPump() {
  if (console.keyWait && console.focused) HideCaret();
  platform::Halt(255);
}

struct DirtyRange {
  int from;
  int to;
  void Widen(int column) {
    from = std::min(from, column);
    to = std::max(to, column + 1);
  }
};

void NewLine(DirtyRange& dirty) {
  PaintRow(console.cursorY, dirty.from, dirty.to);
  dirty = {0, 0};
  if (console.cursorY < kConsoleRows - 1) {
    ++console.cursorY;
    return;
  }
  std::memmove(console.chars, console.chars + kConsoleColumns, kCells - kConsoleColumns);
  std::memmove(console.attrs, console.attrs + kConsoleColumns, kCells - kConsoleColumns);
  std::memset(console.chars + kCells - kConsoleColumns, ' ', kConsoleColumns);
  std::memset(console.attrs + kCells - kConsoleColumns, ConsoleTextAttr, kConsoleColumns);
  if (!console.created) return;
  platform::WindowBackend& backend = platform::Backend();
  const bool copyPixels = ConsoleSlowScroll() && platform::IsWindowActive() &&
                          backend.WindowRect().bottom < backend.ScreenRect().Height() - 32;
  if (copyPixels) {
    const int w = kConsoleColumns * console.cellWidth;
    const int h = kConsoleRows * console.cellHeight;
    backend.CopyRect(platform::Rect{0, console.cellHeight, w, h}, 0, 0);
    backend.FillRect(platform::Rect{0, h - console.cellHeight, w, h},
                     ConsoleColourOf(ConsoleTextAttr >> 4));
  } else {
    platform::InvalidateRect(nullptr, false);
  }
  platform::UpdateWindow();
}

void WindowEnsure() {
  if (console.created) return;
  ConsoleReadAppearance();
  RefreshMetrics();
  const platform::FrameMetrics frame = platform::Backend().Frame();
  console.windowWidth = 2 * frame.sizingFrameX + kConsoleColumns * console.cellWidth;
  console.windowHeight =
      2 * frame.sizingFrameY + frame.captionHeight + kConsoleRows * console.cellHeight;
  if (!platform::CreateWindow(console.title, console.windowWidth, console.windowHeight,
                              ConsoleWindowProc)) {
    return;
  }
  platform::ShowWindow(ConsoleStartMaximised());
  platform::UpdateWindow();
  ConsoleSetBrailleMode(ConfiguredBrailleMode());
}

void OnCreate() {
  std::memset(console.chars, ' ', kCells);
  std::memset(console.attrs, ConsoleTextAttr, kCells);
  console.created = true;
}

void OnDestroy() {
  std::memset(console.chars, ' ', kCells);
  console.cursorX = 0;
  console.cursorY = 0;
  platform::PostQuitMessage(0);
  console.created = false;
}

void OnMinMaxInfo(const Message& message) {
  auto* info = reinterpret_cast<platform::MinMaxInfo*>(message.lparam);
  if (info == nullptr) return;
  RefreshMetrics();
  platform::WindowBackend& backend = platform::Backend();
  const platform::FrameMetrics frame = backend.Frame();
  const platform::Rect screen = backend.ScreenRect();
  info->maxSize.x = std::min(kConsoleColumns * console.cellWidth, screen.Width()) +
                    2 * frame.sizingFrameX;
  info->maxSize.y = std::min(frame.captionHeight + kConsoleRows * console.cellHeight,
                             screen.Height()) +
                    2 * frame.sizingFrameY;
  info->maxTrackSize = info->maxSize;
  info->minTrackSize.x = 16 * console.cellWidth + 2 * frame.sizingFrameX;
  info->minTrackSize.y = 4 * console.cellHeight + 2 * frame.sizingFrameY + frame.captionHeight;
}

void OnChar(const Message& message) {
  auto c = static_cast<uint8_t>(message.wparam & 0xFF);
  if (BrailleMode() != 0 && (c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) {
    return;  // the chord keyboard makes these
  }
  if (console.keyCount >= kKeyQueueSize) return;
  const bool ctrl = (message.mods & platform::kModCtrl) != 0;
  if (c == 8 && ctrl) c = 127;
  if (c == 13 && ctrl) c = 10;
  ConsoleQueueKey(c);
}

void OnKeyDown(const Message& message) {
  const auto vk = static_cast<uint16_t>(message.wparam);
  const bool ctrl = (message.mods & platform::kModCtrl) != 0;
  const bool alt = (message.mods & platform::kModAlt) != 0;
  const bool shift = (message.mods & platform::kModShift) != 0;
  if (console.breakCheck && vk == platform::kVkCancel) EndFromPump();
  if (alt) {
    if (ctrl && vk == platform::kVkF12) {
      ConsoleSetBrailleMode(0);
      return;
    }
    if (ctrl && vk == platform::kVkF11) {
      ConsoleSetBrailleMode(BrailleMode() + 1);
      return;
    }
    const bool digit = vk >= '0' && vk <= '9';
    const bool letter = vk >= 'A' && vk <= 'Z';
    if (digit || letter) {
      // Two entries or none: half an Alt code would garble the next key.
      if (console.keyCount <= kKeyQueueSize - 2) {
        ConsoleQueueKey(0);
        ConsoleQueueKey(letter ? kAltLetterCodes[vk - 'A']
                               : static_cast<uint8_t>(vk == '0' ? 129 : 120 + (vk - '1')));
      }
      return;
    }
  }
  if (!ctrl && BrailleMode() != 0 && BrailleKeyValue(vk) != 0) {
    BrailleKeyDown(vk);
    return;
  }
  if (console.keyCount > kKeyQueueSize - 2) return;
  for (const ExtendedKey& key : kExtendedKeys) {
    if (key.vk != vk) continue;
    uint8_t code = key.normal;
    if (ctrl) {
      code = key.ctrl;
    } else if (vk == platform::kVkInsert && shift) {
      code = 254;
    }
    ConsoleQueueKey(0);
    ConsoleQueueKey(code);
    return;
  }
}

void ExitHook(int /*status*/) {
  if (console.created) {
    ConsoleSetTitle("Programa terminado");
    console.breakCheck = false;
    platform::SetWindowProc(nullptr);
    PublishScreen();
    platform::Backend().Present();
  }
}

void Pump(bool windowOnly) {
  Message message;
  while (platform::PeekMessage(&message, windowOnly)) {
    if (message.id == platform::kMsgQuit) EndFromPump();
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
}

}  // namespace

int64_t ConsoleWindowProc(const Message& message) {
  switch (message.id) {
    case platform::kMsgCreate:
      OnCreate();
      return 0;
    case platform::kMsgDestroy:
      OnDestroy();
      return 0;
    case platform::kMsgSetFocus:
      console.focused = true;
      if (console.keyWait) ShowCaret();
      return 0;
    case platform::kMsgKillFocus:
      if (console.keyWait) HideCaret();
      console.focused = false;
      return 0;
    case platform::kMsgPaint:
      OnPaint();
      return 0;
    case platform::kMsgClose:
      ConsoleClose();
    case platform::kMsgGetMinMaxInfo:
      OnMinMaxInfo(message);
      return 0;
    case platform::kMsgChar:
      OnChar(message);
      return 0;
    case platform::kMsgKeyDown:
      OnKeyDown(message);
      return 0;
    case platform::kMsgSysKeyDown:
      // Alt shortcuts (Alt+F4 among them) and F10 stay the system's, but for
      // Alt+Left and Alt+Right, which read as the plain arrows.
      if (console.breakCheck && message.wparam != platform::kVkLeft &&
          message.wparam != platform::kVkRight) {
        return platform::DefaultWindowProc(message);
      }
      OnKeyDown(message);
      return 0;
    case platform::kMsgKeyUp:
      if (BrailleMode() != 0 &&
          BrailleKeyUp(static_cast<uint16_t>(message.wparam), message.mods)) {
        return 0;
      }
      return platform::DefaultWindowProc(message);
    case platform::kMsgMouseMove:
    case platform::kMsgRButtonDown:
    case platform::kMsgRButtonUp:
      MagnifierMouse(message, console.windowWidth, console.windowHeight);
      return 0;
    case platform::kMsgWaveOutDone:
      if (console.waveDone != nullptr) {
        console.waveDone(message.wparam, message.lparam);
        return 0;
      }
      return platform::DefaultWindowProc(message);
    default:
      return platform::DefaultWindowProc(message);
  }
}

void ConsoleWrite(const char* bytes, uint16_t count) {
  WindowEnsure();
  DirtyRange dirty{console.cursorX, console.cursorX};
  for (uint16_t i = 0; i < count; ++i) {
    const auto c = static_cast<uint8_t>(bytes[i]);
    switch (c) {
      case 7:
        platform::DefaultBeep();
        break;
      case 8:
        if (console.cursorX > 0) {
          --console.cursorX;
          const int cell = console.cursorY * kConsoleColumns + console.cursorX;
          console.chars[cell] = ' ';
          console.attrs[cell] = ConsoleTextAttr;
          dirty.Widen(console.cursorX);
        }
        break;
      case 10:
        NewLine(dirty);
        console.cursorX = 0;
        break;
      case 13:
        console.cursorX = 0;
        break;
      default:
        if (c < 32) break;
        if (console.cursorX == kConsoleColumns) {
          console.cursorX = 0;
          NewLine(dirty);
        }
        const int cell = console.cursorY * kConsoleColumns + console.cursorX;
        console.chars[cell] = c;
        console.attrs[cell] = ConsoleTextAttr;
        dirty.Widen(console.cursorX);
        ++console.cursorX;
        break;
    }
  }
  PaintRow(console.cursorY, dirty.from, dirty.to);
  PublishScreen();
}

void ConsoleWriteChar(char byte) { ConsoleWrite(&byte, 1); }

void ConsoleGotoXY(int column, int row) {
  console.cursorX = std::clamp(column - 1, 0, kConsoleColumns - 1);
  console.cursorY = std::clamp(row - 1, 0, kConsoleRows - 1);
}

int ConsoleWhereX() { return console.cursorX + 1; }
int ConsoleWhereY() { return console.cursorY + 1; }

void ConsoleClearScreen() {
  WindowEnsure();
  std::memset(console.chars, ' ', kCells);
  std::memset(console.attrs, ConsoleTextAttr, kCells);
  console.cursorX = 0;
  console.cursorY = 0;
  platform::InvalidateRect(nullptr, false);
  platform::UpdateWindow();
  PublishScreen();
}

void ConsoleSetTextColor(int colourIndex) {
  WindowEnsure();
  if (ConsoleColoursLocked()) return;
  ConsoleTextAttr = static_cast<uint8_t>((ConsoleTextAttr & 0xF0) | (colourIndex & 0x0F));
}

void ConsoleSetBackColor(int colourIndex) {
  WindowEnsure();
  if (ConsoleColoursLocked()) return;
  ConsoleTextAttr = static_cast<uint8_t>((ConsoleTextAttr & 0x0F) | ((colourIndex * 16) & 0xF0));
}

// Positions outside the grid read as a blank cell in the usual white on
// black, never outside the buffers.
uint8_t ConsoleCharAt(int column, int row) {
  if (column < 1 || column > kConsoleColumns || row < 1 || row > kConsoleRows) return ' ';
  return console.chars[(row - 1) * kConsoleColumns + (column - 1)];
}

uint8_t ConsoleAttrAt(int column, int row) {
  if (column < 1 || column > kConsoleColumns || row < 1 || row > kConsoleRows) return 0x0F;
  return console.attrs[(row - 1) * kConsoleColumns + (column - 1)];
}

bool ConsoleKeyPressed() {
  WindowEnsure();
  ConsolePumpMessages();
  return console.keyCount > 0;
}

uint8_t ConsoleReadKey() {
  if (!ConsoleKeyPressed()) {
    console.keyWait = true;
    if (console.focused) ShowCaret();
    do {
      // Only the wait itself counts as waiting for a key: while the messages
      // it brought are handled, the key queue may already hold their keys.
      platform::SetAwaitingKey(true);
      platform::WaitMessage();
      platform::SetAwaitingKey(false);
    } while (!ConsoleKeyPressed());
    if (console.focused) HideCaret();
    console.keyWait = false;
  }
  const uint8_t key = console.keys[0];
  --console.keyCount;
  std::memmove(console.keys, console.keys + 1, static_cast<std::size_t>(console.keyCount));
  platform::TraceEvent("key", std::to_string(key));
  return key;
}

int ConsoleReadLine(char* buffer, int capacity) {
  int count = 0;
  for (;;) {
    const uint8_t key = ConsoleReadKey();
    if (key == 13) break;
    if (key == 8) {
      if (count > 0) {
        --count;
        ConsoleWriteChar(8);
      }
    } else if (key >= 32 && count < capacity - 2) {
      buffer[count++] = static_cast<char>(key);
      ConsoleWriteChar(static_cast<char>(key));
    }
  }
  if (capacity >= 2) {
    buffer[count++] = 13;
    buffer[count++] = 10;
  }
  ConsoleWrite("\r\n", 2);
  return count;
}

void ConsoleDelay(uint16_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  ConsolePumpMessages();
  ConsolePumpWindowMessages();
}

void ConsolePumpMessages() { Pump(false); }
void ConsolePumpWindowMessages() { Pump(true); }

void ConsoleSetTitle(std::string_view title) {
  while (!title.empty() && static_cast<uint8_t>(title.front()) <= ' ') title.remove_prefix(1);
  while (!title.empty() && static_cast<uint8_t>(title.back()) <= ' ') title.remove_suffix(1);
  std::string caption(title);
  if (caption.size() > 140) caption = caption.substr(0, 140) + "...";
  console.title = caption;
  platform::SetWindowTitle(caption);
}

void ConsoleClose() {
  if (console.created) {
    console.keyCount = 0;
    platform::Backend().SelectStockFont();
    platform::SetWindowProc(nullptr);
    platform::DestroyWindow();
    console.created = false;
  }
  platform::Halt(0);
}

bool ConsoleWindowExists() { return console.created; }

void ConsoleSetWaveDoneHandler(WaveDoneHandler handler) { console.waveDone = handler; }

int ConsoleKeyQueueCount() { return console.keyCount; }

void ConsoleQueueKey(uint8_t key) {
  if (console.keyCount < kKeyQueueSize) console.keys[console.keyCount++] = key;
}

void ConsoleStart() {
  ConsoleResetForTest();
  console.title = platform::Utf8ToCp1252(platform::ProgramFilePath());
  console.breakCheck = true;
  platform::AddExitHook(ExitHook);
}

void ConsoleResetForTest() {
  console = ConsoleState{};
  std::memset(console.chars, ' ', kCells);
  ConsoleTextAttr = 7;
  AppearanceStart();
  BrailleStart();
  MagnifierStart();
  console.breakCheck = true;
}
