// Window messages: what the window backends deliver to the console's window
// procedure, in the numbering the console has always been written against.
#pragma once

#include <cstdint>

namespace platform {

enum : uint32_t {
  kMsgNull = 0x0000,
  kMsgCreate = 0x0001,
  kMsgDestroy = 0x0002,
  kMsgSetFocus = 0x0007,
  kMsgKillFocus = 0x0008,
  kMsgPaint = 0x000F,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,
  kMsgGetMinMaxInfo = 0x0024,
  kMsgKeyDown = 0x0100,
  kMsgKeyUp = 0x0101,
  kMsgChar = 0x0102,
  kMsgSysKeyDown = 0x0104,
  kMsgSysKeyUp = 0x0105,
  kMsgSysChar = 0x0106,
  kMsgMouseMove = 0x0200,
  kMsgRButtonDown = 0x0204,
  kMsgRButtonUp = 0x0205,
  kMsgWaveOutDone = 0x03BD,
};

// Modifier keys held when a keyboard or mouse message was generated. The
// window procedure asks the message, not a global key state, so a message
// handled late still sees the modifiers of its own moment.
enum : uint8_t {
  kModShift = 1,
  kModCtrl = 2,
  kModAlt = 4,
};

struct Message {
  uint32_t id = kMsgNull;
  // Key messages: the virtual-key code; character messages: the 8-bit
  // character; wave-done: the device handle; quit: the exit code.
  uint64_t wparam = 0;
  // Wave-done: the buffer header; min/max info: a MinMaxInfo*.
  int64_t lparam = 0;
  uint8_t mods = 0;
  // Mouse messages: the position in client pixels.
  int x = 0;
  int y = 0;
  // False for thread messages (quit), which belong to no window.
  bool toWindow = true;
};

struct Point {
  int x = 0;
  int y = 0;
};

// Carried by kMsgGetMinMaxInfo; the window procedure fills it in.
struct MinMaxInfo {
  Point maxSize;
  Point maxPosition;
  Point minTrackSize;
  Point maxTrackSize;
};

}  // namespace platform
