// The SDL2 window backend: key and text translation, the cell font, drawing
// on the client image, and native events turned into messages. Runs on
// SDL's offscreen "dummy" video driver, so no display is needed.
#ifdef TALMAR_HAVE_SDL

#include "platform/sdl_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/keys.h"
#include "platform/message.h"
#include "tests/test_support.h"

namespace platform {
namespace {

TEST(SdlKeysTest, SdlKeysBecomeVirtualKeys) {
  struct Case {
    SDL_Keycode key;
    uint16_t sdlMods;
    uint16_t vk;
  };
  const Case cases[] = {
      {SDLK_a, KMOD_NONE, 'A'},
      {SDLK_z, KMOD_LSHIFT, 'Z'},
      {SDLK_0, KMOD_NONE, '0'},
      {SDLK_9, KMOD_NONE, '9'},
      {SDLK_F1, KMOD_NONE, kVkF1},
      {SDLK_F12, KMOD_NONE, kVkF12},
      {SDLK_UP, KMOD_NONE, kVkUp},
      {SDLK_PAGEDOWN, KMOD_NONE, kVkNext},
      {SDLK_INSERT, KMOD_SHIFT, kVkInsert},
      {SDLK_RETURN, KMOD_NONE, kVkReturn},
      {SDLK_KP_ENTER, KMOD_NONE, kVkReturn},
      {SDLK_ESCAPE, KMOD_NONE, kVkEscape},
      {SDLK_BACKSPACE, KMOD_NONE, kVkBack},
      {SDLK_TAB, KMOD_NONE, kVkTab},
      {SDLK_SPACE, KMOD_NONE, kVkSpace},
      {SDLK_RCTRL, KMOD_RCTRL, kVkControl},
      {SDLK_LALT, KMOD_LALT, kVkMenu},
      {SDLK_PAUSE, KMOD_NONE, kVkPause},
      {SDLK_PAUSE, KMOD_LCTRL, kVkCancel},  // Ctrl+Pause is Break
      {SDLK_KP_8, KMOD_NONE, kVkUp},        // NumLock off: the cursor block
      {SDLK_KP_PERIOD, KMOD_NONE, kVkDelete},
      {SDLK_KP_8, KMOD_NUM, '8'},           // NumLock on: digits
      {SDLK_COMMA, KMOD_NONE, kVkOther},
      {0xE7, KMOD_NONE, kVkOther},          // the ç key of an ABNT2 keyboard
      {SDLK_UNKNOWN, KMOD_NONE, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SdlKeyToVk(c.key, c.sdlMods), c.vk) << "SDL key " << c.key << " mods " << c.sdlMods;
  }
  EXPECT_EQ(SdlModsToMods(KMOD_LSHIFT | KMOD_RCTRL | KMOD_LALT), kModShift | kModCtrl | kModAlt);
  // AltGr is neither Ctrl nor Alt here.
  EXPECT_EQ(SdlModsToMods(KMOD_RALT), 0);
  EXPECT_EQ(SdlModsToMods(KMOD_MODE | KMOD_LSHIFT), kModShift);
}

TEST(SdlKeysTest, TypedTextBecomesWindows1252) {
  struct Case {
    const char* utf8;
    uint16_t sdlMods;
    std::string expected;
  };
  const Case cases[] = {
      {"a", KMOD_NONE, "a"},
      {"\xC3\xA7", KMOD_NONE, "\xE7"},          // ç
      {"\xC3\xA3", KMOD_NONE, "\xE3"},          // ã, from a dead tilde
      {"\xC3\x89", KMOD_LSHIFT, "\xC9"},        // É
      {"\xE2\x82\xAC", KMOD_NONE, "\x80"},      // € is 80h in the code page
      {"\xE6\x97\xA5x", KMOD_NONE, "x"},        // outside the code page: dropped
      {"/", KMOD_RALT, "/"},                    // AltGr+Q on ABNT2
      {"\xC2\xB2", KMOD_MODE, "\xB2"},          // AltGr+2: ²
      {"c", KMOD_LCTRL, ""},                    // Ctrl+C is a command
      {"x", KMOD_LALT, ""},                     // so is Alt+X
      {"\xFF\xFE", KMOD_NONE, ""},              // malformed UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SdlTextToChars(c.utf8, c.sdlMods), c.expected) << "text " << c.utf8;
  }
}

class RecordingSink : public MessageSink {
 public:
  void Post(const Message& message) override { messages.push_back(message); }
  std::vector<Message> messages;
};

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    backend_ = MakeSdlWindow(&why);
    if (!backend_) GTEST_SKIP() << "no SDL video: " << why;
  }

  WindowBackend& Window() { return *backend_; }

  Rgb PixelAt(int x, int y) {
    Rgb colour{1, 2, 3};
    EXPECT_TRUE(SdlClientPixel(*backend_, x, y, &colour)) << x << "," << y;
    return colour;
  }

  testing_support::ScopedEnv env_{{{"SDL_VIDEODRIVER", "dummy"}}};
  std::unique_ptr<WindowBackend> backend_;
};

TEST_F(SdlWindowTest, CellsHaveExactlyTheRequestedSize) {
  struct Case {
    FontRequest request;
    int width;
    int height;
  };
  const Case cases[] = {
      {{"Lucida Console", 28, 13, 700}, 13, 28},  // not on Debian: a fallback face
      {{"DejaVu Sans Mono", 16, 8, 400}, 8, 16},
      {{"", 40, 11, 0}, 11, 40},                  // squeezed far below the face's width
      {{"Lucida Console", 7, 30, 700}, 30, 7},    // and stretched far above it
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Window().SelectFont(c.request)) << c.request.face << " " << c.request.height;
    const TextMetrics metrics = Window().FontMetrics();
    EXPECT_EQ(metrics.aveCharWidth, c.width);
    EXPECT_EQ(metrics.height, c.height);
    EXPECT_EQ(metrics.externalLeading, 0);
    EXPECT_EQ(metrics.overhang, 0);
    EXPECT_GT(metrics.ascent, 0);
    EXPECT_LE(metrics.ascent, c.height);
  }
  // Width 0 takes the face's own proportion: narrower than tall.
  ASSERT_TRUE(Window().SelectFont(FontRequest{"", 30, 0, 400}));
  EXPECT_GT(Window().FontMetrics().aveCharWidth, 5);
  EXPECT_LT(Window().FontMetrics().aveCharWidth, 30);
  // Sizes from a broken settings file are refused; the stock font remains.
  EXPECT_FALSE(Window().SelectFont(FontRequest{"", 100000, 13, 400}));
  Window().SelectStockFont();
  EXPECT_EQ(Window().FontMetrics().aveCharWidth, 8);
  EXPECT_EQ(Window().FontMetrics().height, 16);
}

TEST_F(SdlWindowTest, DrawTextPaintsTheCellsOfItsRun) {
  ASSERT_TRUE(Window().CreateWindow("Teste", 200, 100));
  ASSERT_TRUE(Window().SelectFont(FontRequest{"", 16, 8, 400}));
  const Rgb blue{0, 0, 255};
  const Rgb white{255, 255, 255};
  const uint8_t text[] = {'H', ' '};
  Window().DrawText(8, 16, text, 2, white, blue);

  // The H: blends of blue and white only, with solid strokes and gaps.
  bool solidText = false;
  bool background = false;
  for (int y = 16; y < 32; ++y) {
    for (int x = 8; x < 16; ++x) {
      const Rgb p = PixelAt(x, y);
      ASSERT_EQ(p.r, p.g);
      ASSERT_EQ(p.b, 255);
      solidText |= p.r >= 200;
      background |= p == blue;
    }
  }
  EXPECT_TRUE(solidText);
  EXPECT_TRUE(background);
  // The space: background only.
  for (int y = 16; y < 32; ++y) {
    for (int x = 16; x < 24; ++x) ASSERT_EQ(PixelAt(x, y), blue) << x << "," << y;
  }
  // Nothing outside the run.
  const Rgb black{0, 0, 0};
  EXPECT_EQ(PixelAt(7, 20), black);
  EXPECT_EQ(PixelAt(24, 20), black);
  EXPECT_EQ(PixelAt(10, 15), black);
  EXPECT_EQ(PixelAt(10, 32), black);
  // A run reaching past the image is clipped, not written out of bounds.
  const uint8_t longRun[64] = {};
  Window().DrawText(-20, 90, longRun, 64, white, blue);
  EXPECT_EQ(PixelAt(0, 99), blue);
}

TEST_F(SdlWindowTest, CopyRectScrollsAndSnapshotStretches) {
  ASSERT_TRUE(Window().CreateWindow("Teste", 200, 100));
  const Rgb red{255, 0, 0};
  const Rgb green{0, 255, 0};
  const Rgb black{0, 0, 0};
  // Rows 10..19 red, 20..29 green; scroll everything below row 10 up by 10.
  Window().FillRect(Rect{0, 10, 200, 20}, red);
  Window().FillRect(Rect{0, 20, 200, 30}, green);
  Window().CopyRect(Rect{0, 10, 200, 100}, 0, 0);
  EXPECT_EQ(PixelAt(5, 0), red);
  EXPECT_EQ(PixelAt(5, 9), red);
  EXPECT_EQ(PixelAt(5, 10), green);
  EXPECT_EQ(PixelAt(5, 20), black);
  // Sources and destinations beyond the image are clipped.
  Window().CopyRect(Rect{-50, -50, 5000, 5000}, 100, 100);
  Window().CopyRect(Rect{0, 0, 10, 10}, -5, -5);

  // The magnifier: a 2 x 2 corner of the snapshot blown up over 20 x 20.
  Window().FillRect(Rect{0, 0, 200, 100}, black);
  Window().FillRect(Rect{1, 1, 2, 2}, red);
  Window().SnapshotClient(200, 100);
  Window().FillRect(Rect{0, 0, 200, 100}, green);
  Window().StretchSnapshot(Rect{0, 0, 2, 2}, Rect{0, 0, 20, 20});
  EXPECT_EQ(PixelAt(5, 5), black);
  EXPECT_EQ(PixelAt(15, 15), red);
  EXPECT_EQ(PixelAt(25, 25), green);
  Window().FreeSnapshot();
  Window().StretchSnapshot(Rect{0, 0, 2, 2}, Rect{0, 0, 20, 20});  // no snapshot: nothing
  EXPECT_EQ(PixelAt(15, 15), red);
  Window().Present();
}

TEST_F(SdlWindowTest, NativeEventsBecomeMessages) {
  ASSERT_TRUE(Window().CreateWindow("Teste", 200, 100));
  RecordingSink sink;
  Window().Poll(sink, false);
  sink.messages.clear();
  const Uint32 id = SdlWindowId(Window());
  ASSERT_NE(id, 0u);

  auto key = [&](Uint32 type, SDL_Keycode sym, Uint16 mod) {
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    event.key.windowID = id;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  };
  auto text = [&](const char* utf8) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_TEXTINPUT;
    event.text.windowID = id;
    SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  };
  auto window = [&](SDL_WindowEventID what) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = id;
    event.window.event = static_cast<Uint8>(what);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  };

  key(SDL_KEYDOWN, SDLK_c, KMOD_LCTRL);  // Ctrl+C: the key, no text
  text("c");
  key(SDL_KEYUP, SDLK_c, KMOD_LCTRL);
  key(SDL_KEYDOWN, SDLK_q, KMOD_RALT);   // AltGr+Q: a plain key and its text
  text("/");
  key(SDL_KEYDOWN, 0xE7, KMOD_NONE);     // ç
  text("\xC3\xA7");
  key(SDL_KEYDOWN, SDLK_F4, KMOD_LALT);  // Alt+F4: a system key
  SDL_Event mouse;
  SDL_zero(mouse);
  mouse.type = SDL_MOUSEBUTTONDOWN;
  mouse.button.windowID = id;
  mouse.button.button = SDL_BUTTON_RIGHT;
  mouse.button.x = 30;
  mouse.button.y = 40;
  ASSERT_EQ(SDL_PushEvent(&mouse), 1);
  window(SDL_WINDOWEVENT_FOCUS_GAINED);
  Window().Wake();  // only ends a wait: no message
  window(SDL_WINDOWEVENT_CLOSE);

  Window().WaitNative(-1);  // events are waiting: returns at once
  Window().Poll(sink, false);

  struct Expected {
    uint32_t id;
    uint64_t wparam;
    uint8_t mods;
  };
  const Expected expected[] = {
      {kMsgKeyDown, 'C', kModCtrl},
      {kMsgKeyUp, 'C', kModCtrl},
      {kMsgKeyDown, 'Q', 0},
      {kMsgChar, '/', 0},
      {kMsgKeyDown, kVkOther, 0},
      {kMsgChar, 0xE7, 0},
      {kMsgSysKeyDown, kVkF1 + 3, kModAlt},
      {kMsgRButtonDown, 0, 0},
      {kMsgSetFocus, 0, 0},
      {kMsgClose, 0, 0},
  };
  ASSERT_EQ(sink.messages.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(sink.messages[i].id, expected[i].id) << "message " << i;
    EXPECT_EQ(sink.messages[i].wparam, expected[i].wparam) << "message " << i;
    EXPECT_EQ(sink.messages[i].mods, expected[i].mods) << "message " << i;
  }
  EXPECT_EQ(sink.messages[7].x, 30);
  EXPECT_EQ(sink.messages[7].y, 40);
  EXPECT_TRUE(Window().IsActive());
}

}  // namespace
}  // namespace platform

#endif  // TALMAR_HAVE_SDL
