#include "console/magnifier.h"

#include <algorithm>

#include "console/appearance.h"
#include "platform/window.h"

namespace {

struct MagnifierState {
  bool active = false;
};
MagnifierState magnifier;

// The point under the mouse stays under the mouse: the source rectangle is
// 1/f of the window, placed so that (x, y) keeps its place in it.
void DrawView(int x, int y, int width, int height) {
  const int factor = std::max(1, MagnifierFactor());
  const int left = std::max(0, x - x / factor);
  const int top = std::max(0, y - y / factor);
  const platform::Rect source{left, top, left + width / factor, top + height / factor};
  platform::Backend().StretchSnapshot(source, platform::Rect{0, 0, width, height});
}

}  // namespace

void MagnifierStart() { magnifier = MagnifierState{}; }

bool MagnifierActive() { return magnifier.active; }

void MagnifierMouse(const platform::Message& message, int width, int height) {
  switch (message.id) {
    case platform::kMsgRButtonDown:
      if (magnifier.active) return;
      magnifier.active = true;
      platform::Backend().SnapshotClient(width, height);
      DrawView(message.x, message.y, width, height);
      return;
    case platform::kMsgMouseMove:
      if (magnifier.active) DrawView(message.x, message.y, width, height);
      return;
    case platform::kMsgRButtonUp:
      if (!magnifier.active) return;
      magnifier.active = false;
      platform::Backend().FreeSnapshot();
      platform::InvalidateRect(nullptr, true);
      return;
    default:
      return;
  }
}
