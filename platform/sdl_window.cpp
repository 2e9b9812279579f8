// The window backend for a real display, on SDL2. Everything is drawn on a
// client image that outlives the window's own surface, so the text stays
// whatever the window manager does to the window; Present copies the
// changed part of it to the window.
#include "platform/sdl_window.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstring>

#include "platform/cp1252.h"
#include "platform/keys.h"
#include "platform/sdl_font.h"
#include "platform/wave_out.h"

namespace platform {
namespace {

// The client image is at least the screen's size, so a maximised window
// always has its pixels; beyond that it is kept within this side unless the
// screen itself is larger.
constexpr int kImageSideLimit = 4096;
constexpr Uint32 kImageFormat = SDL_PIXELFORMAT_ARGB8888;

Uint32 ArgbOf(Rgb colour) {
  return 0xFF000000u | (Uint32{colour.r} << 16) | (Uint32{colour.g} << 8) | Uint32{colour.b};
}

uint8_t Blend(uint8_t background, uint8_t text, uint8_t coverage) {
  return static_cast<uint8_t>((background * (255 - coverage) + text * coverage + 127) / 255);
}

Rect ClipTo(const Rect& rect, int width, int height) {
  Rect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
               std::min(rect.bottom, height)};
  if (clipped.Empty()) return Rect{};
  return clipped;
}

SDL_Rect SdlRectOf(const Rect& rect) { return SDL_Rect{rect.left, rect.top, rect.Width(), rect.Height()}; }

class SdlWindow final : public WindowBackend {
 public:
  ~SdlWindow() override {
    DestroyWindow();
    if (state_.ttfStarted) TTF_Quit();
    EndCellFonts();
    // Only the video part: the sound device may still be playing through SDL.
    if (state_.sdlStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool Start(std::string* why) {
    // A closed window is reported by its own close event; SDL's extra quit
    // event for the last window would close the console twice.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The window's own framebuffer (shared memory on X11) updates just the
    // changed cells at once; SDL's default on some systems routes it through
    // an OpenGL texture, which costs a whole frame per update on software
    // OpenGL. The environment can still choose otherwise.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      if (why) *why = SDL_GetError();
      return false;
    }
    state_.sdlStarted = true;
    if (TTF_Init() != 0) {
      if (why) *why = TTF_GetError();
      return false;
    }
    state_.ttfStarted = true;
    state_.wakeEvent = SDL_RegisterEvents(1);
    if (state_.wakeEvent == static_cast<Uint32>(-1)) {
      if (why) *why = "no SDL user event left for waking";
      return false;
    }
    return true;
  }

  const char* Name() const override { return "sdl"; }

  Rect ScreenRect() override {
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(DisplayIndex(), &bounds) != 0) return Rect{0, 0, 1024, 768};
    return Rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  }

  Rect WorkArea() override {
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(DisplayIndex(), &bounds) != 0) return ScreenRect();
    return Rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  }

  // The window manager draws the decoration outside the client area, so
  // the size asked for is the client size.
  FrameMetrics Frame() override { return FrameMetrics{}; }

  bool SelectFont(const FontRequest& request) override {
    CellFont font;
    if (!LoadCellFont(request, &font, nullptr)) return false;
    state_.font = std::move(font);
    return true;
  }

  void SelectStockFont() override { LoadStockCellFont(&state_.font); }

  TextMetrics FontMetrics() override {
    const CellFont& font = Font();
    TextMetrics metrics;
    metrics.height = font.cellHeight;
    metrics.externalLeading = 0;
    metrics.aveCharWidth = font.cellWidth;
    metrics.ascent = font.ascent;
    metrics.overhang = 0;
    return metrics;
  }

  bool CreateWindow(const std::string& title, int width, int height) override {
    DestroyWindow();
    const int clientWidth = std::clamp(width, 1, kImageSideLimit);
    const int clientHeight = std::clamp(height, 1, kImageSideLimit);
    state_.window = SDL_CreateWindow(Cp1252ToUtf8(title).c_str(), SDL_WINDOWPOS_UNDEFINED,
                                     SDL_WINDOWPOS_UNDEFINED, clientWidth, clientHeight,
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (state_.window == nullptr) return false;
    const Rect screen = ScreenRect();
    if (!EnsureImage(std::max(clientWidth, screen.Width()), std::max(clientHeight, screen.Height()))) {
      DestroyWindow();
      return false;
    }
    state_.active = false;
    SDL_StartTextInput();
    return true;
  }

  void ShowWindow(bool maximised) override {
    if (state_.window == nullptr) return;
    SDL_ShowWindow(state_.window);
    if (maximised) SDL_MaximizeWindow(state_.window);
    SDL_RaiseWindow(state_.window);
    // Without a window manager nobody hands out the focus; ask for it.
    SDL_SetWindowInputFocus(state_.window);
    state_.wholeWindowDirty = true;
  }

  void DestroyWindow() override {
    FreeSnapshot();
    if (state_.image != nullptr) SDL_FreeSurface(state_.image);
    state_.image = nullptr;
    if (state_.window != nullptr) {
      SDL_StopTextInput();
      SDL_DestroyWindow(state_.window);
    }
    state_.window = nullptr;
    state_.active = false;
    state_.dirty = Rect{};
    state_.caretVisible = false;
    state_.shownCaret = Rect{};
  }

  void SetTitle(const std::string& title) override {
    if (state_.window != nullptr) SDL_SetWindowTitle(state_.window, Cp1252ToUtf8(title).c_str());
  }

  void SetSizeLimits(const MinMaxInfo& limits) override {
    if (state_.window == nullptr) return;
    // A limit left at 0 was not given and sets nothing.
    const int minWidth = std::max(1, limits.minTrackSize.x);
    const int minHeight = std::max(1, limits.minTrackSize.y);
    if (limits.minTrackSize.x > 0 && limits.minTrackSize.y > 0) {
      SDL_SetWindowMinimumSize(state_.window, minWidth, minHeight);
    }
    if (limits.maxTrackSize.x > 0 && limits.maxTrackSize.y > 0) {
      SDL_SetWindowMaximumSize(state_.window, std::max(minWidth, limits.maxTrackSize.x),
                               std::max(minHeight, limits.maxTrackSize.y));
    }
  }

  Rect WindowRect() override {
    if (state_.window == nullptr) return Rect{};
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(state_.window, &x, &y);
    SDL_GetWindowSize(state_.window, &width, &height);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(state_.window, &top, &left, &bottom, &right) != 0) {
      top = left = bottom = right = 0;
    }
    return Rect{x - left, y - top, x + width + right, y + height + bottom};
  }

  Rect ClientRect() override {
    if (state_.window == nullptr) return Rect{};
    int width = 0, height = 0;
    SDL_GetWindowSize(state_.window, &width, &height);
    return Rect{0, 0, width, height};
  }

  bool IsActive() override { return state_.window != nullptr && state_.active; }
  bool IsForeground() override { return IsActive(); }

  void DrawText(int x, int y, const uint8_t* text, int count, Rgb fg, Rgb bg) override {
    SDL_Surface* image = state_.image;
    if (image == nullptr || text == nullptr || count <= 0) return;
    const CellFont& font = Font();
    const int cellWidth = font.cellWidth;
    const int cellHeight = font.cellHeight;
    // Cells past the image's right edge are never drawn; leaving them out
    // first also keeps the run's width within range for any count.
    const int64_t runRight = std::min<int64_t>(int64_t{x} + int64_t{count} * cellWidth, image->w);
    const Rect run = ClipTo(Rect{x, y, static_cast<int>(runRight), y + cellHeight}, image->w, image->h);
    if (run.Empty()) return;
    const Uint32 background = ArgbOf(bg);
    auto* pixels = static_cast<uint8_t*>(image->pixels);
    for (int i = 0; i < count; ++i) {
      const int cellLeft = x + i * cellWidth;
      if (cellLeft + cellWidth <= run.left) continue;
      if (cellLeft >= run.right) break;
      const uint8_t* glyph = font.Glyph(text[i]);
      for (int row = std::max(0, run.top - y); row < cellHeight && y + row < run.bottom; ++row) {
        auto* line = reinterpret_cast<Uint32*>(pixels + static_cast<ptrdiff_t>(y + row) * image->pitch);
        const uint8_t* coverage = glyph + static_cast<size_t>(row) * cellWidth;
        for (int column = std::max(0, run.left - cellLeft);
             column < cellWidth && cellLeft + column < run.right; ++column) {
          const uint8_t alpha = coverage[column];
          Uint32 pixel = background;
          if (alpha != 0) {
            pixel = ArgbOf(Rgb{Blend(bg.r, fg.r, alpha), Blend(bg.g, fg.g, alpha),
                               Blend(bg.b, fg.b, alpha)});
          }
          line[cellLeft + column] = pixel;
        }
      }
    }
    MarkDirty(run);
  }

  void FillRect(const Rect& rect, Rgb colour) override {
    if (state_.image == nullptr) return;
    const Rect area = ClipTo(rect, state_.image->w, state_.image->h);
    if (area.Empty()) return;
    const SDL_Rect sdlArea = SdlRectOf(area);
    SDL_FillRect(state_.image, &sdlArea, ArgbOf(colour));
    MarkDirty(area);
  }

  void CopyRect(const Rect& source, int destX, int destY) override {
    SDL_Surface* image = state_.image;
    if (image == nullptr) return;
    // Clip the source to the image, then the destination, keeping the two
    // the same size and in step.
    Rect from = ClipTo(source, image->w, image->h);
    if (from.Empty()) return;
    int toX = destX + (from.left - source.left);
    int toY = destY + (from.top - source.top);
    Rect to{toX, toY, toX + from.Width(), toY + from.Height()};
    const Rect clippedTo = ClipTo(to, image->w, image->h);
    if (clippedTo.Empty()) return;
    from.left += clippedTo.left - to.left;
    from.top += clippedTo.top - to.top;
    from.right -= to.right - clippedTo.right;
    from.bottom -= to.bottom - clippedTo.bottom;
    to = clippedTo;
    // Rows overlap when scrolling: copy in the direction that reads each
    // row before it is overwritten.
    auto* pixels = static_cast<uint8_t*>(image->pixels);
    const size_t bytes = static_cast<size_t>(to.Width()) * sizeof(Uint32);
    const int rows = to.Height();
    for (int n = 0; n < rows; ++n) {
      const int row = to.top <= from.top ? n : rows - 1 - n;
      uint8_t* dest = pixels + static_cast<ptrdiff_t>(to.top + row) * image->pitch +
                      static_cast<ptrdiff_t>(to.left) * 4;
      const uint8_t* src = pixels + static_cast<ptrdiff_t>(from.top + row) * image->pitch +
                           static_cast<ptrdiff_t>(from.left) * 4;
      std::memmove(dest, src, bytes);
    }
    MarkDirty(to);
  }

  void SnapshotClient(int width, int height) override {
    FreeSnapshot();
    if (state_.image == nullptr) return;
    const int snapWidth = std::clamp(width, 1, state_.image->w);
    const int snapHeight = std::clamp(height, 1, state_.image->h);
    state_.snapshot = SDL_CreateRGBSurfaceWithFormat(0, snapWidth, snapHeight, 32, kImageFormat);
    if (state_.snapshot == nullptr) return;
    SDL_SetSurfaceBlendMode(state_.snapshot, SDL_BLENDMODE_NONE);
    SDL_Rect area{0, 0, snapWidth, snapHeight};
    SDL_BlitSurface(state_.image, &area, state_.snapshot, &area);
  }

  void StretchSnapshot(const Rect& source, const Rect& dest) override {
    if (state_.snapshot == nullptr || state_.image == nullptr) return;
    if (source.Empty() || dest.Empty()) return;
    SDL_Rect from = SdlRectOf(source);
    SDL_Rect to = SdlRectOf(dest);
    SDL_BlitScaled(state_.snapshot, &from, state_.image, &to);
    MarkDirty(ClipTo(dest, state_.image->w, state_.image->h));
  }

  void FreeSnapshot() override {
    if (state_.snapshot != nullptr) SDL_FreeSurface(state_.snapshot);
    state_.snapshot = nullptr;
  }

  void SetCaret(bool visible, const Rect& where) override {
    state_.caretVisible = visible && !where.Empty();
    state_.caret = where;
  }

  void Beep() override { SoundDefaultBeep(); }

  void Present() override {
    if (state_.window == nullptr || state_.image == nullptr) return;
    const Rect wantedCaret = state_.caretVisible ? state_.caret : Rect{};
    const bool caretChanged = !(wantedCaret.left == state_.shownCaret.left &&
                                wantedCaret.top == state_.shownCaret.top &&
                                wantedCaret.right == state_.shownCaret.right &&
                                wantedCaret.bottom == state_.shownCaret.bottom);
    if (!state_.wholeWindowDirty && state_.dirty.Empty() && !caretChanged) return;

    SDL_Surface* surface = SDL_GetWindowSurface(state_.window);
    if (surface == nullptr) return;
    // A new window surface (after a resize) holds nothing yet.
    if (surface != state_.lastSurface || surface->w != state_.lastWidth ||
        surface->h != state_.lastHeight) {
      state_.wholeWindowDirty = true;
      state_.lastSurface = surface;
      state_.lastWidth = surface->w;
      state_.lastHeight = surface->h;
    }
    Rect region = state_.wholeWindowDirty ? Rect{0, 0, surface->w, surface->h} : state_.dirty;
    region = UnionRect(region, state_.shownCaret);
    region = UnionRect(region, wantedCaret);
    region = ClipTo(region, std::min(surface->w, state_.image->w), std::min(surface->h, state_.image->h));
    state_.dirty = Rect{};
    state_.wholeWindowDirty = false;
    state_.shownCaret = wantedCaret;
    if (region.Empty()) return;

    SDL_Rect area = SdlRectOf(region);
    SDL_Rect destArea = area;
    SDL_BlitSurface(state_.image, &area, surface, &destArea);
    DrawCaret(surface, wantedCaret);
    SDL_UpdateWindowSurfaceRects(state_.window, &area, 1);
  }

  void Poll(MessageSink& sink, bool /*awaitingKey*/) override {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) Handle(sink, event);
  }

  void WaitNative(int timeoutMs) override {
    if (timeoutMs < 0) {
      SDL_WaitEvent(nullptr);
    } else {
      SDL_WaitEventTimeout(nullptr, timeoutMs);
    }
  }

  void Wake() override {
    SDL_Event event;
    SDL_zero(event);
    event.type = state_.wakeEvent;
    SDL_PushEvent(&event);
  }

  uint32_t WindowId() const { return state_.window != nullptr ? SDL_GetWindowID(state_.window) : 0; }

  bool Pixel(int x, int y, Rgb* colour) const {
    const SDL_Surface* image = state_.image;
    if (image == nullptr || x < 0 || y < 0 || x >= image->w || y >= image->h) return false;
    const auto* line = reinterpret_cast<const Uint32*>(static_cast<const uint8_t*>(image->pixels) +
                                                       static_cast<ptrdiff_t>(y) * image->pitch);
    const Uint32 pixel = line[x];
    *colour = Rgb{static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                  static_cast<uint8_t>(pixel)};
    return true;
  }

 private:
  struct State {
    bool sdlStarted = false;
    bool ttfStarted = false;
    Uint32 wakeEvent = 0;
    SDL_Window* window = nullptr;
    // What the program drew: at least the client area, in client pixels.
    SDL_Surface* image = nullptr;
    // The magnifier's copy of the image while the right button is down.
    SDL_Surface* snapshot = nullptr;
    CellFont font;
    bool active = false;
    // The part of the image drawn since the last Present.
    Rect dirty;
    bool wholeWindowDirty = false;
    bool caretVisible = false;
    Rect caret;
    Rect shownCaret;  // the caret as last presented; empty when none
    SDL_Surface* lastSurface = nullptr;
    int lastWidth = 0;
    int lastHeight = 0;
    // The SDL modifiers of the latest key event: typed text arrives just
    // after the key that made it and is judged by them.
    Uint16 keyMods = 0;
  };

  int DisplayIndex() const {
    if (state_.window == nullptr) return 0;
    const int index = SDL_GetWindowDisplayIndex(state_.window);
    return index < 0 ? 0 : index;
  }

  const CellFont& Font() {
    if (state_.font.cellWidth <= 0 || state_.font.cellHeight <= 0) LoadStockCellFont(&state_.font);
    return state_.font;
  }

  void MarkDirty(const Rect& rect) { state_.dirty = UnionRect(state_.dirty, rect); }

  // Grows the client image to at least width x height, keeping what is on it.
  bool EnsureImage(int width, int height) {
    const Rect screen = ScreenRect();
    const int limitWidth = std::max(kImageSideLimit, screen.Width());
    const int limitHeight = std::max(kImageSideLimit, screen.Height());
    width = std::clamp(width, 1, limitWidth);
    height = std::clamp(height, 1, limitHeight);
    SDL_Surface* old = state_.image;
    if (old != nullptr && old->w >= width && old->h >= height) return true;
    if (old != nullptr) {
      width = std::max(width, old->w);
      height = std::max(height, old->h);
    }
    SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, kImageFormat);
    if (image == nullptr) return old != nullptr;
    SDL_SetSurfaceBlendMode(image, SDL_BLENDMODE_NONE);
    SDL_FillRect(image, nullptr, ArgbOf(Rgb{0, 0, 0}));
    if (old != nullptr) {
      SDL_BlitSurface(old, nullptr, image, nullptr);
      SDL_FreeSurface(old);
    }
    state_.image = image;
    state_.wholeWindowDirty = true;
    return true;
  }

  // The caret inverts the pixels under it, so it shows on any colours.
  void DrawCaret(SDL_Surface* surface, const Rect& caret) {
    const Rect area = ClipTo(caret, std::min(surface->w, state_.image->w),
                             std::min(surface->h, state_.image->h));
    if (area.Empty()) return;
    SDL_Surface* inverted =
        SDL_CreateRGBSurfaceWithFormat(0, area.Width(), area.Height(), 32, kImageFormat);
    if (inverted == nullptr) return;
    SDL_SetSurfaceBlendMode(inverted, SDL_BLENDMODE_NONE);
    auto* out = static_cast<uint8_t*>(inverted->pixels);
    const auto* in = static_cast<const uint8_t*>(state_.image->pixels);
    for (int row = 0; row < area.Height(); ++row) {
      const auto* source = reinterpret_cast<const Uint32*>(
          in + static_cast<ptrdiff_t>(area.top + row) * state_.image->pitch);
      auto* dest = reinterpret_cast<Uint32*>(out + static_cast<ptrdiff_t>(row) * inverted->pitch);
      for (int column = 0; column < area.Width(); ++column) {
        dest[column] = source[area.left + column] ^ 0x00FFFFFFu;
      }
    }
    SDL_Rect to = SdlRectOf(area);
    SDL_BlitSurface(inverted, nullptr, surface, &to);
    SDL_FreeSurface(inverted);
  }

  bool OurWindow(Uint32 windowId) const {
    return state_.window != nullptr && SDL_GetWindowID(state_.window) == windowId;
  }

  void PostMouse(MessageSink& sink, uint32_t id, int x, int y) {
    Message message;
    message.id = id;
    message.x = x;
    message.y = y;
    message.mods = SdlModsToMods(static_cast<uint16_t>(SDL_GetModState()));
    sink.Post(message);
  }

  void PostSimple(MessageSink& sink, uint32_t id) {
    Message message;
    message.id = id;
    sink.Post(message);
  }

  void Handle(MessageSink& sink, const SDL_Event& event) {
    if (event.type == state_.wakeEvent) return;  // it only ended a wait
    switch (event.type) {
      case SDL_QUIT:
        PostSimple(sink, kMsgClose);
        break;
      case SDL_WINDOWEVENT:
        if (!OurWindow(event.window.windowID)) break;
        HandleWindowEvent(sink, event.window);
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        if (!OurWindow(event.key.windowID) && event.key.windowID != 0) break;
        state_.keyMods = event.key.keysym.mod;
        const uint16_t vk = SdlKeyToVk(event.key.keysym.sym, event.key.keysym.mod);
        if (vk == 0) break;
        const uint8_t mods = SdlModsToMods(event.key.keysym.mod);
        if (event.type == SDL_KEYDOWN) {
          PostKeyDown(sink, vk, mods);
        } else {
          PostKeyUp(sink, vk, mods);
        }
        break;
      }
      case SDL_TEXTINPUT: {
        const uint8_t mods = SdlModsToMods(state_.keyMods);
        for (char character : SdlTextToChars(event.text.text, state_.keyMods)) {
          PostChar(sink, static_cast<uint8_t>(character), mods);
        }
        break;
      }
      case SDL_MOUSEMOTION:
        if (OurWindow(event.motion.windowID)) PostMouse(sink, kMsgMouseMove, event.motion.x, event.motion.y);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (!OurWindow(event.button.windowID) || event.button.button != SDL_BUTTON_RIGHT) break;
        PostMouse(sink, event.type == SDL_MOUSEBUTTONDOWN ? kMsgRButtonDown : kMsgRButtonUp,
                  event.button.x, event.button.y);
        break;
      default:
        break;
    }
  }

  void HandleWindowEvent(MessageSink& sink, const SDL_WindowEvent& event) {
    switch (event.event) {
      case SDL_WINDOWEVENT_CLOSE:
        PostSimple(sink, kMsgClose);
        break;
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        state_.active = true;
        state_.keyMods = static_cast<Uint16>(SDL_GetModState());
        PostSimple(sink, kMsgSetFocus);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        state_.active = false;
        state_.keyMods = static_cast<Uint16>(SDL_GetModState());
        PostSimple(sink, kMsgKillFocus);
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED:
      case SDL_WINDOWEVENT_RESIZED:
        EnsureImage(event.data1, event.data2);
        state_.wholeWindowDirty = true;
        break;
      case SDL_WINDOWEVENT_EXPOSED:
      case SDL_WINDOWEVENT_SHOWN:
      case SDL_WINDOWEVENT_RESTORED:
      case SDL_WINDOWEVENT_MAXIMIZED:
        state_.wholeWindowDirty = true;
        Present();
        break;
      default:
        break;
    }
  }

  State state_;
};

uint16_t KeypadToVk(SDL_Keycode key, bool numLock) {
  // With NumLock on the keypad types digits (their characters come as
  // text); with it off it is the cursor block.
  if (numLock) {
    if (key == SDLK_KP_0) return kVk0;
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<uint16_t>(kVk0 + 1 + (key - SDLK_KP_1));
    return kVkOther;
  }
  switch (key) {
    case SDLK_KP_0: return kVkInsert;
    case SDLK_KP_1: return kVkEnd;
    case SDLK_KP_2: return kVkDown;
    case SDLK_KP_3: return kVkNext;
    case SDLK_KP_4: return kVkLeft;
    case SDLK_KP_6: return kVkRight;
    case SDLK_KP_7: return kVkHome;
    case SDLK_KP_8: return kVkUp;
    case SDLK_KP_9: return kVkPrior;
    case SDLK_KP_PERIOD: return kVkDelete;
    default: return kVkOther;
  }
}

}  // namespace

uint16_t SdlKeyToVk(int32_t sdlKey, uint16_t sdlMods) {
  const SDL_Keycode key = sdlKey;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint16_t>(kVkA + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint16_t>(kVk0 + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<uint16_t>(kVkF1 + (key - SDLK_F1));
  if (key >= SDLK_F13 && key <= SDLK_F24) return static_cast<uint16_t>(kVkF1 + 12 + (key - SDLK_F13));
  switch (key) {
    case SDLK_UNKNOWN: return 0;
    case SDLK_UP: return kVkUp;
    case SDLK_DOWN: return kVkDown;
    case SDLK_LEFT: return kVkLeft;
    case SDLK_RIGHT: return kVkRight;
    case SDLK_HOME: return kVkHome;
    case SDLK_END: return kVkEnd;
    case SDLK_PAGEUP: return kVkPrior;
    case SDLK_PAGEDOWN: return kVkNext;
    case SDLK_INSERT: return kVkInsert;
    case SDLK_DELETE: return kVkDelete;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER: return kVkReturn;
    case SDLK_ESCAPE: return kVkEscape;
    case SDLK_BACKSPACE: return kVkBack;
    case SDLK_TAB: return kVkTab;
    case SDLK_SPACE: return kVkSpace;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return kVkShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return kVkControl;
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_MODE: return kVkMenu;
    case SDLK_CAPSLOCK: return kVkCapital;
    // Ctrl+Pause is the Break key.
    case SDLK_PAUSE: return (sdlMods & KMOD_CTRL) != 0 ? kVkCancel : kVkPause;
    case SDLK_CANCEL: return kVkCancel;
    case SDLK_KP_0:
    case SDLK_KP_1:
    case SDLK_KP_2:
    case SDLK_KP_3:
    case SDLK_KP_4:
    case SDLK_KP_5:
    case SDLK_KP_6:
    case SDLK_KP_7:
    case SDLK_KP_8:
    case SDLK_KP_9:
    case SDLK_KP_PERIOD: return KeypadToVk(key, (sdlMods & KMOD_NUM) != 0);
    default: return kVkOther;
  }
}

uint8_t SdlModsToMods(uint16_t sdlMods) {
  uint8_t mods = 0;
  if ((sdlMods & KMOD_SHIFT) != 0) mods |= kModShift;
  if ((sdlMods & KMOD_CTRL) != 0) mods |= kModCtrl;
  if ((sdlMods & KMOD_LALT) != 0) mods |= kModAlt;
  return mods;
}

std::string SdlTextToChars(const char* utf8, uint16_t sdlMods) {
  std::string characters;
  if (utf8 == nullptr || (sdlMods & (KMOD_CTRL | KMOD_LALT)) != 0) return characters;
  // A NUL never comes from typing, so it marks what the code page lacks.
  for (char character : Utf8ToCp1252(utf8, '\0')) {
    const auto byte = static_cast<uint8_t>(character);
    if (byte < 0x20 || byte == 0x7F) continue;
    characters += character;
  }
  return characters;
}

bool SdlClientPixel(WindowBackend& backend, int x, int y, Rgb* colour) {
  auto* sdl = dynamic_cast<SdlWindow*>(&backend);
  return sdl != nullptr && sdl->Pixel(x, y, colour);
}

uint32_t SdlWindowId(WindowBackend& backend) {
  auto* sdl = dynamic_cast<SdlWindow*>(&backend);
  return sdl != nullptr ? sdl->WindowId() : 0;
}

std::unique_ptr<WindowBackend> MakeSdlWindow(std::string* why) {
  auto backend = std::make_unique<SdlWindow>();
  if (!backend->Start(why)) return nullptr;
  return backend;
}

}  // namespace platform
