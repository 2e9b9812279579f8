// The cell font of the SDL window: a face found through fontconfig, opened
// with SDL2_ttf, and every one of the 256 Windows-1252 characters rendered
// once into a coverage map of exactly one cell, so the text grid is exact
// whatever the proportions of the face.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace platform {

// The largest cell either side may have. A settings file asking for more
// gets the stock font instead of hundreds of megabytes of glyphs.
constexpr int kMaxCellSide = 256;

struct CellFont {
  int cellWidth = 0;
  int cellHeight = 0;
  int ascent = 0;
  std::string file;    // the font file the glyphs came from; empty: none
  std::string family;  // its family name as fontconfig reports it
  // 256 glyphs of cellWidth x cellHeight coverage bytes (0 = background,
  // 255 = text colour), row-major, glyph after glyph.
  std::vector<uint8_t> coverage;

  const uint8_t* Glyph(uint8_t character) const {
    return coverage.data() + static_cast<size_t>(character) * cellWidth * cellHeight;
  }
};

// Builds the cell font for `request`. The face is looked up through
// fontconfig; when its match is not that family or is not fixed-pitch, the
// monospaced faces Debian ships are used instead. Returns false, with the
// reason in *why, when no usable face is found or the sizes are out of range.
// Needs SDL2_ttf started.
bool LoadCellFont(const FontRequest& request, CellFont* font, std::string* why);

// The font drawing falls back to: a fixed-pitch face of 8 x 16 pixels. When
// no font file can be opened at all the cells stay blank, at that size.
void LoadStockCellFont(CellFont* font);

// Releases what the face lookup keeps between calls; the next lookup starts
// it again. Called when the window backend ends.
void EndCellFonts();

}  // namespace platform
