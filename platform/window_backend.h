// The interface every window backend implements: a real window (SDL2), a
// text terminal, or the headless one that tests drive. The facade in
// window.h owns the message queue and the painting rules; a backend only
// draws pixels, reports the screen, and turns its native input into
// messages.
#pragma once

#include <memory>
#include <string>

#include "platform/geometry.h"
#include "platform/message.h"

namespace platform {

// Where a backend delivers the messages it makes from native events.
class MessageSink {
 public:
  virtual void Post(const Message& message) = 0;

 protected:
  ~MessageSink() = default;
};

class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  virtual const char* Name() const = 0;

  // The screen. The work area is the part not covered by docked bars.
  virtual Rect ScreenRect() = 0;
  virtual Rect WorkArea() = 0;
  virtual FrameMetrics Frame() = 0;

  // Fonts. SelectFont makes the requested font the one DrawText uses and
  // returns false when it cannot be had; the caller then asks for the stock
  // fixed-pitch font, which always succeeds.
  virtual bool SelectFont(const FontRequest& request) = 0;
  virtual void SelectStockFont() = 0;
  virtual TextMetrics FontMetrics() = 0;

  // The one window. CreateWindow makes it hidden; ShowWindow shows it, and
  // the backend posts kMsgSetFocus when it gets the keyboard focus.
  virtual bool CreateWindow(const std::string& title, int width, int height) = 0;
  virtual void ShowWindow(bool maximised) = 0;
  virtual void DestroyWindow() = 0;
  virtual void SetTitle(const std::string& title) = 0;  // Windows-1252
  virtual void SetSizeLimits(const MinMaxInfo& limits) = 0;
  virtual Rect WindowRect() = 0;  // the whole window, screen coordinates
  virtual Rect ClientRect() = 0;  // client coordinates, left and top 0
  virtual bool IsActive() = 0;      // the window has the keyboard focus
  virtual bool IsForeground() = 0;  // the window is the one in front

  // Drawing on the client area, in client pixels. DrawText draws `count`
  // Windows-1252 bytes as one run of cells from the cell whose top-left
  // corner is (x, y), the background of each cell filled.
  virtual void DrawText(int x, int y, const uint8_t* text, int count, Rgb fg, Rgb bg) = 0;
  virtual void FillRect(const Rect& rect, Rgb colour) = 0;
  virtual void CopyRect(const Rect& source, int destX, int destY) = 0;
  // The magnifier's off-screen copy of the client image.
  virtual void SnapshotClient(int width, int height) = 0;
  virtual void StretchSnapshot(const Rect& source, const Rect& dest) = 0;
  virtual void FreeSnapshot() = 0;
  // A solid caret over `where`, or none.
  virtual void SetCaret(bool visible, const Rect& where) = 0;
  virtual void Beep() = 0;
  // Makes what was drawn visible. Called often; must be cheap when nothing
  // changed and must never wait for the display.
  virtual void Present() = 0;

  // Input. Poll turns pending native events into messages. `awaitingKey`
  // says the program is waiting for a key and both its key queue and the
  // message queue are empty (the headless backend delivers scripted keys
  // only then).
  virtual void Poll(MessageSink& sink, bool awaitingKey) = 0;
  // Blocks until a native event may be pending, Wake() is called, or
  // `timeoutMs` passes (negative: no limit).
  virtual void WaitNative(int timeoutMs) = 0;
  // Ends a WaitNative in progress. Safe from any thread.
  virtual void Wake() = 0;

  // A program the user started from here (the manual's editor). A backend
  // that shares its text terminal with such programs hands the terminal
  // over until the program ends, counting that time as the window not
  // being in front.
  virtual void ChildStarted(int /*processId*/) {}

  // Whether key releases are reported, as the Braille chord keyboard needs.
  // A text terminal reports them only where it has the progressive
  // keyboard protocol.
  virtual bool ReportsKeyReleases() const { return true; }
};

// Backend constructors. Each returns null, with the reason in *why, when it
// cannot run here.
std::unique_ptr<WindowBackend> MakeHeadlessWindow(std::string* why);
std::unique_ptr<WindowBackend> MakeSdlWindow(std::string* why);
std::unique_ptr<WindowBackend> MakeTerminalWindow(std::string* why);

// Helpers every backend uses so that keys look the same whatever made them.
// Posts the key-down message for `vk` with the modifiers held: a system
// key-down when Alt is held without Ctrl, or for F10; a plain key-down
// otherwise.
void PostKeyDown(MessageSink& sink, uint16_t vk, uint8_t mods);
void PostKeyUp(MessageSink& sink, uint16_t vk, uint8_t mods);
// Posts a character message for a printable Windows-1252 byte. Backends post
// these for typed text only; control characters (Enter, Esc, Backspace, Tab,
// Ctrl+letter) come from the translation of the key-down message.
void PostChar(MessageSink& sink, uint8_t character, uint8_t mods);

}  // namespace platform
