// The magnifier: while the right mouse button is held, the window shows a
// part of its own image enlarged around the mouse.
#pragma once

#include "platform/message.h"

void MagnifierStart();
bool MagnifierActive();
// Mouse move, right button down and up. `width` and `height` are the
// window's full computed size.
void MagnifierMouse(const platform::Message& message, int width, int height);
