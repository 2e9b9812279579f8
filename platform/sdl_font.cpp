#include "platform/sdl_font.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/cp1252.h"

namespace platform {
namespace {

// The faces tried after the requested one: the fixed-pitch face every
// Debian desktop has, then whatever fontconfig calls monospace.
constexpr const char* kFallbackFace = "DejaVu Sans Mono";
constexpr const char* kGenericMono = "monospace";
constexpr int kDefaultCellHeight = 16;
constexpr int kStockWidth = 8;
constexpr int kStockHeight = 16;
// Weights from this one up are drawn bold.
constexpr int kBoldWeight = 600;

struct FaceFile {
  std::string file;
  int index = 0;
  std::string family;
  bool bold = false;  // the file itself is a bold face
  bool fixedPitch = false;
};

bool HasFamily(FcPattern* match, const std::string& family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0) {
      return true;
    }
  }
  return false;
}

// Asks fontconfig for its best match for `family`. With `exactFamily` the
// match must carry that family name (fontconfig otherwise substitutes freely).
bool MatchFace(const std::string& family, bool bold, bool exactFamily, FaceFile* face) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;

  bool ok = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      (!exactFamily || HasFamily(match, family))) {
    ok = true;
    face->file = reinterpret_cast<const char*>(file);
    FcChar8* name = nullptr;
    face->family = FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch
                       ? reinterpret_cast<const char*>(name)
                       : family;
    int value = 0;
    face->index = FcPatternGetInteger(match, FC_INDEX, 0, &value) == FcResultMatch ? value : 0;
    face->bold = FcPatternGetInteger(match, FC_WEIGHT, 0, &value) == FcResultMatch &&
                 value >= FC_WEIGHT_DEMIBOLD;
    face->fixedPitch = FcPatternGetInteger(match, FC_SPACING, 0, &value) == FcResultMatch &&
                       value >= FC_MONO;
  }
  FcPatternDestroy(match);
  return ok;
}

// Opens the face at the point size whose line height is closest to
// `height` pixels. The line height grows about linearly with the point
// size, so a few corrections reach it.
TTF_Font* OpenAtHeight(const FaceFile& face, int height) {
  int points = height;
  TTF_Font* font = TTF_OpenFontIndex(face.file.c_str(), points, face.index);
  if (font == nullptr) return nullptr;
  int bestPoints = points;
  int bestError = std::abs(TTF_FontHeight(font) - height);
  for (int attempt = 0; attempt < 6 && bestError > 0; ++attempt) {
    const int measured = std::max(1, TTF_FontHeight(font));
    const int next = std::max(
        1, static_cast<int>(std::lround(static_cast<double>(points) * height / measured)));
    if (next == points) break;
    points = next;
    if (TTF_SetFontSize(font, points) != 0) break;
    const int error = std::abs(TTF_FontHeight(font) - height);
    if (error < bestError) {
      bestError = error;
      bestPoints = points;
    }
  }
  if (points != bestPoints) TTF_SetFontSize(font, bestPoints);
  return font;
}

// Box-filter resampling along one axis: each destination sample is the
// average of the source samples it covers, partly covered ones weighted by
// the part covered. Works for shrinking and stretching alike.
void ResampleLine(const float* source, int sourceCount, int sourceStep, float* dest,
                  int destCount, int destStep) {
  const double scale = static_cast<double>(sourceCount) / destCount;
  for (int i = 0; i < destCount; ++i) {
    const double from = i * scale;
    const double to = (i + 1) * scale;
    double sum = 0;
    for (int j = static_cast<int>(from); j < sourceCount && j < to; ++j) {
      const double overlap = std::min(to, j + 1.0) - std::max(from, static_cast<double>(j));
      if (overlap > 0) sum += source[j * sourceStep] * overlap;
    }
    dest[i * destStep] = static_cast<float>(sum / scale);
  }
}

// Scales the coverage of one rendered glyph (the alpha of an ARGB surface,
// `width` columns from `left`) onto one cell.
void ScaleGlyph(const SDL_Surface* surface, int left, int width, uint8_t* cell, int cellWidth,
                int cellHeight) {
  const int height = surface->h;
  std::vector<float> source(static_cast<size_t>(width) * height, 0.0f);
  const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * surface->pitch);
    for (int x = 0; x < width; ++x) {
      const int sx = left + x;
      if (sx < 0 || sx >= surface->w) continue;
      source[static_cast<size_t>(y) * width + x] = static_cast<float>(row[sx] >> 24);
    }
  }
  std::vector<float> across(static_cast<size_t>(cellWidth) * height);
  for (int y = 0; y < height; ++y) {
    ResampleLine(&source[static_cast<size_t>(y) * width], width, 1,
                 &across[static_cast<size_t>(y) * cellWidth], cellWidth, 1);
  }
  std::vector<float> result(static_cast<size_t>(cellWidth) * cellHeight);
  for (int x = 0; x < cellWidth; ++x) {
    ResampleLine(&across[x], height, cellWidth, &result[x], cellHeight, cellWidth);
  }
  for (size_t i = 0; i < result.size(); ++i) {
    cell[i] = static_cast<uint8_t>(std::clamp(std::lround(result[i]), 0L, 255L));
  }
}

// Renders the 256 characters of the code page into cells. Control bytes,
// the undefined ones and characters the face lacks stay blank.
void RenderGlyphs(TTF_Font* ttf, CellFont* font) {
  const int cellWidth = font->cellWidth;
  const int cellHeight = font->cellHeight;
  font->coverage.assign(static_cast<size_t>(256) * cellWidth * cellHeight, 0);
  const SDL_Color white{255, 255, 255, 255};
  for (int byte = 0x20; byte < 256; ++byte) {
    const char32_t codePoint = Cp1252ToCodePoint(static_cast<uint8_t>(byte));
    if (codePoint == 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0)) {
      continue;
    }
    if (!TTF_GlyphIsProvided32(ttf, codePoint)) continue;
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    if (TTF_GlyphMetrics32(ttf, codePoint, &minX, &maxX, &minY, &maxY, &advance) != 0) continue;
    if (advance <= 0) continue;
    SDL_Surface* rendered = TTF_RenderGlyph32_Blended(ttf, codePoint, white);
    if (rendered == nullptr) continue;
    SDL_Surface* argb = rendered;
    if (rendered->format->format != SDL_PIXELFORMAT_ARGB8888) {
      argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    }
    if (argb != nullptr && argb->h > 0 && SDL_LockSurface(argb) == 0) {
      // The rendered image starts left of the pen where the glyph reaches
      // left of it; the cell is the advance from the pen on.
      const int penX = minX < 0 ? -minX : 0;
      ScaleGlyph(argb, penX, advance,
                 font->coverage.data() + static_cast<size_t>(byte) * cellWidth * cellHeight,
                 cellWidth, cellHeight);
      SDL_UnlockSurface(argb);
    }
    if (argb != rendered && argb != nullptr) SDL_FreeSurface(argb);
    SDL_FreeSurface(rendered);
  }
}

}  // namespace

bool LoadCellFont(const FontRequest& request, CellFont* font, std::string* why) {
  // Negative sizes are read as their magnitude, as a character height given
  // negatively still names the height.
  const int height = request.height == 0 ? kDefaultCellHeight : std::abs(request.height);
  const int width = std::abs(request.width);
  if (height > kMaxCellSide || width > kMaxCellSide) {
    if (why) *why = "character size out of range";
    return false;
  }
  const bool bold = request.weight >= kBoldWeight;

  FaceFile face;
  bool found = false;
  if (!request.face.empty()) {
    found = MatchFace(Cp1252ToUtf8(request.face), bold, true, &face) && face.fixedPitch;
  }
  if (!found) found = MatchFace(kFallbackFace, bold, true, &face);
  if (!found) found = MatchFace(kGenericMono, bold, false, &face);
  if (!found) {
    if (why) *why = "no fixed-pitch font found";
    return false;
  }

  TTF_Font* ttf = OpenAtHeight(face, height);
  if (ttf == nullptr) {
    if (why) *why = std::string("cannot open ") + face.file + ": " + TTF_GetError();
    return false;
  }
  if (bold && !face.bold) TTF_SetFontStyle(ttf, TTF_STYLE_BOLD);

  const int lineHeight = std::max(1, TTF_FontHeight(ttf));
  int cellWidth = width;
  if (cellWidth == 0) {
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    TTF_GlyphMetrics32(ttf, U'0', &minX, &maxX, &minY, &maxY, &advance);
    cellWidth = advance > 0 ? std::min(advance, kMaxCellSide) : std::max(1, height / 2);
  }

  font->cellWidth = cellWidth;
  font->cellHeight = height;
  font->ascent = static_cast<int>(std::lround(static_cast<double>(TTF_FontAscent(ttf)) * height /
                                              lineHeight));
  font->ascent = std::clamp(font->ascent, 0, height);
  font->file = face.file;
  font->family = face.family;
  RenderGlyphs(ttf, font);
  TTF_CloseFont(ttf);
  return true;
}

void LoadStockCellFont(CellFont* font) {
  FontRequest request;
  request.face = kFallbackFace;
  request.height = kStockHeight;
  request.width = kStockWidth;
  if (LoadCellFont(request, font, nullptr)) return;
  font->cellWidth = kStockWidth;
  font->cellHeight = kStockHeight;
  font->ascent = kStockHeight * 3 / 4;
  font->file.clear();
  font->family.clear();
  // FIXME: with no font file on the system at all the text is invisible;
  // a small built-in bitmap face would keep it readable.
  font->coverage.assign(static_cast<size_t>(256) * kStockWidth * kStockHeight, 0);
}

void EndCellFonts() { FcFini(); }

}  // namespace platform
