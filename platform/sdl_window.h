// The SDL2 window backend's pieces that can be checked on their own: how
// SDL keys and typed text become the program's keys and characters, and a
// look at the client image the backend draws on.
#pragma once

#include <cstdint>
#include <string>

#include "platform/geometry.h"
#include "platform/window_backend.h"

namespace platform {

// The virtual-key code for an SDL key code with the SDL modifiers held, or
// 0 for a key that makes no key message.
uint16_t SdlKeyToVk(int32_t sdlKey, uint16_t sdlMods);
// The program's modifiers for SDL's. The right Alt is AltGr on the
// keyboards this program meets, so only the left Alt counts as Alt.
uint8_t SdlModsToMods(uint16_t sdlMods);
// The Windows-1252 characters that typed UTF-8 text gives: nothing while
// Ctrl or the left Alt is held (those keys make commands, not text), and
// characters outside the code page dropped.
std::string SdlTextToChars(const char* utf8, uint16_t sdlMods);

// For tests: the colour of a pixel of the client image of an SDL backend.
// False when `backend` is not one, has no window, or (x, y) lies outside.
bool SdlClientPixel(WindowBackend& backend, int x, int y, Rgb* colour);
// For tests: SDL's id of the backend's window (0 when none), so that events
// can be made for it.
uint32_t SdlWindowId(WindowBackend& backend);

}  // namespace platform
