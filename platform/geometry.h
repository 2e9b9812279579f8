// Small value types shared by the window facade and its backends.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

// Smallest rectangle holding both; an empty side counts as nothing.
Rect UnionRect(const Rect& a, const Rect& b);

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

struct FontRequest {
  std::string face;  // Windows-1252; empty lets the backend choose a fixed-pitch face
  int height = 0;    // character height in pixels; 0 = the backend's choice
  int width = 0;     // average character width in pixels; 0 = the face's own proportion
  int weight = 0;    // 100..900; 0 = the default weight (normal)
};

struct TextMetrics {
  int height = 0;           // character height (ascent + descent)
  int externalLeading = 0;  // extra space between rows
  int aveCharWidth = 0;
  int ascent = 0;
  int overhang = 0;
};

// Sizes of the window decoration the console adds to its client area.
struct FrameMetrics {
  int sizingFrameX = 0;
  int sizingFrameY = 0;
  int captionHeight = 0;
};

}  // namespace platform
