// The window facade: the one window, its message queue, painting and
// drawing, over whichever backend was chosen. Messages are handled on the
// program's one thread; PostMessage may be called from any thread (the
// sound device posts its buffer-done messages that way).
#pragma once

#include <cstdint>
#include <string>

#include "platform/geometry.h"
#include "platform/message.h"
#include "platform/window_backend.h"

namespace platform {

using WindowProc = int64_t (*)(const Message& message);

// Chooses and starts the backend from TALMAR_VIDEO (sdl, terminal,
// headless; by default sdl where a display is reachable). Idempotent.
WindowBackend& Backend();
// Replaces the backend; for tests.
void UseBackend(std::unique_ptr<WindowBackend> backend);
// Drops the window, the queue and the backend; for tests.
void ResetWindowSystem();

// Creates the window: sends kMsgGetMinMaxInfo and kMsgCreate to `proc`
// before returning. The window is hidden until ShowWindow.
bool CreateWindow(const std::string& title, int width, int height, WindowProc proc);
void ShowWindow(bool maximised);
// Sends kMsgDestroy to the window procedure, then removes the window.
void DestroyWindow();
bool WindowExists();
// Replaces the window procedure (null: default processing only).
void SetWindowProc(WindowProc proc);
void SetWindowTitle(const std::string& title);

// The message queue.
void PostMessage(const Message& message);
void PostQuitMessage(int exitCode);
// Removes the next message into *message, or returns false when none is
// waiting. A pending paint is returned when nothing else is. With
// `windowOnly`, thread messages are left alone... except quit, which every
// pump must see.
bool PeekMessage(Message* message, bool windowOnly);
// Blocks until a message is waiting (or a posted wake-up arrives).
void WaitMessage();
// Posts the character message a key-down produces, as the system's message
// translation does: Enter 13, Esc 27, Backspace 8, Tab 9, Ctrl+letter 1-26,
// Ctrl+Break 3. Printable characters come from the backend itself.
void TranslateMessage(const Message& message);
int64_t DispatchMessage(const Message& message);
int64_t SendMessage(const Message& message);
int64_t DefaultWindowProc(const Message& message);

// Tells the backend the program is waiting for a key with an empty queue.
void SetAwaitingKey(bool awaiting);

// Painting. Invalidate marks part of the client area (all of it when
// `rect` is null) for a paint message; UpdateWindow sends that message now
// when anything is marked. BeginPaint returns the marked rectangle, clears
// it, and fills it with the window's black background when erasing was
// asked for.
void InvalidateRect(const Rect* rect, bool erase);
void UpdateWindow();
Rect BeginPaint();
void EndPaint();

// Whether the window is in front and has the keyboard (false when no window).
bool IsWindowActive();
bool IsWindowForeground();

// The system's default beep.
void DefaultBeep();

// Tells the backend that the program started another program.
void NoteChildStarted(int processId);

}  // namespace platform
