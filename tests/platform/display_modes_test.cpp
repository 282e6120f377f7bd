// The display on a 1024 x 768 offscreen desktop: full screen or window, scaling, mouse, display.ini.
#include <filesystem>

#include "platform/sdl/display_settings.h"
#include "platform_test.h"

namespace {

using vsk::platform::DisplaySettings;
using vsk::platform::Scaling;

std::vector<MSG> gSeen;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gSeen.push_back(MSG{window, message, wParam, lParam, 0, {}});
  return DefWindowProcA(window, message, wParam, lParam);
}

// display.ini in the test's configuration directory, removed before and after.
struct ConfigFile {
  ConfigFile() { Remove(); }
  ~ConfigFile() { Remove(); }
  static std::string Path() { return std::string(std::getenv("XDG_CONFIG_HOME")) + "/veskaria/display.ini"; }
  static void Remove() { std::filesystem::remove(Path()); }
  void Write(const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Path()).parent_path());
    WriteText(Path(), text);
  }
  std::string Read() const {
    std::vector<uint8_t> bytes = ReadBytes(Path());
    return {bytes.begin(), bytes.end()};
  }
};

// ---- display.ini ---------------------------------------------------------------

// Saved settings read back (none: full screen); unknown parts are no damage, a damaged file is ignored.
TEST(DisplaySettingsFile, SavedSettingsReadBackAndADamagedFileIsIgnoredWithOneLine) {
  ConfigFile config;
  EXPECT_EQ(vsk::platform::DisplaySettingsPath(), config.Path());
  EXPECT_EQ(vsk::platform::LoadDisplaySettings(), DisplaySettings{});
  EXPECT_TRUE(DisplaySettings{}.fullScreen);
  for (const DisplaySettings& settings : {DisplaySettings{false, 1280, 960, Scaling::Integer},
                                          DisplaySettings{true, 0, 0, Scaling::Smooth},
                                          DisplaySettings{false, 700, 500, Scaling::Sharp}}) {
    ASSERT_TRUE(vsk::platform::SaveDisplaySettings(settings));
    EXPECT_EQ(vsk::platform::LoadDisplaySettings(), settings) << config.Read();
  }
  EXPECT_EQ(config.Read(), "[display]\nmode=window\nwidth=700\nheight=500\nscaling=sharp\n");
  DisplaySettings read;
  std::string reason;
  EXPECT_TRUE(vsk::platform::ParseDisplaySettings(
      "# mine\n[other]\nmode=odd\n\n[display]\r\n mode = window \r\nvsync=1\n", &read, &reason));
  EXPECT_FALSE(read.fullScreen);
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"[display]\nmode=windowed\n", "mode \"windowed\" is neither fullscreen nor window"},
      {"[display]\nscaling=blurry\n", "scaling \"blurry\" is none of integer, sharp, smooth"},
      {"[display]\nwidth=12x\nheight=960\n", "width \"12x\" is not a number"},
      {"[display]\nwidth=1280\nheight=99999999999\n", "height \"99999999999\" is not a number"},
      {"[display]\nwidth=100000\nheight=960\n", "width 100000 is no window size"},
      {"[display]\nwidth=1280\n", "a width needs a height and a height a width"},
      {"[display]\nfull screen please\n", "line 2 is not key=value"},
      {"[display\nmode=window\n", "line 1 is not a section"},
      {"\x89PNG\r\n\x1a\n", "line 1 is not key=value"},
  };
  for (const auto& damaged : cases) {
    config.Write(damaged.text);
    ::testing::internal::CaptureStderr();
    DisplaySettings settings = vsk::platform::LoadDisplaySettings();
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings, DisplaySettings{}) << damaged.text;
    EXPECT_EQ(said, "vsk-client: ignoring damaged display settings in " + config.Path() + ": " + damaged.reason + "\n");
  }
}

// ---- the exclusive display ----------------------------------------------------------

class ExclusiveDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    ASSERT_NE(RegisterGameClass("VeskariaDisplayModes", RecordingProc), 0);
  }

  void TearDown() override {
    if (palette_) palette_->Release();
    if (primary_) primary_->Release();
    if (dd_) dd_->Release();
    if (window_) DestroyWindow(window_);
    if (cursorHidden_) ShowCursor(TRUE);
    UnregisterClassA("VeskariaDisplayModes", nullptr);
    hooks::CaptureDisplayFrames(false);
    EXPECT_EQ(hooks::LiveDirectDrawObjects(), 0);
    hooks::ResetDirectDraw();
    ConfigFile::Remove();
    hooks::ReloadDisplaySettings();  // none: full screen
  }

  // The game's steps: an exclusive 640 x 480 pop-up, the system cursor hidden.
  void Open(const std::string& settings) {
    if (!settings.empty()) config_.Write(settings);
    hooks::ReloadDisplaySettings();
    window_ = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaDisplayModes", "Veskaria / DirectX", WS_POPUP, 0, 0, 640,
                              480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    SDL_Rect desktop{};
    SDL_GetDisplayBounds(0, &desktop);
    ASSERT_EQ(desktop.w, 1024) << "the tables are for a 1024 x 768 desktop";
    ASSERT_EQ(desktop.h, 768);
    ShowCursor(FALSE);
    cursorHidden_ = true;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd_), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(dd_->SetCooperativeLevel(window_, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED), DD_OK);
    ASSERT_EQ(dd_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    Settle();
  }

  // Turns every pushed event into messages and hands them to the window.
  void Settle() { DispatchAll(); }

  SDL_Window* Sdl() { return vsk::platform::SdlWindowOf(window_); }
  std::pair<int, int> Size() {
    std::pair<int, int> size;
    SDL_GetWindowSize(Sdl(), &size.first, &size.second);
    return size;
  }
  bool FullScreen() { return SDL_GetWindowFlags(Sdl()) & SDL_WINDOW_FULLSCREEN_DESKTOP; }

  void Press(int key, bool withAlt) {
    if (withAlt) hooks::PushKey(VK_MENU, true);
    hooks::PushKey(key, true);
    hooks::PushKey(key, false);
    if (withAlt) hooks::PushKey(VK_MENU, false);
    Settle();
  }
  // Key messages (and characters) the window got for one key.
  int MessagesFor(WPARAM key) {
    const UINT keys[] = {WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP};
    return static_cast<int>(std::count_if(gSeen.begin(), gSeen.end(), [&](const MSG& m) {
      return (std::count(keys, keys + 4, m.message) && m.wParam == key) ||
             (m.message == WM_CHAR && key == VK_RETURN && m.wParam == '\r');
    }));
  }

  ConfigFile config_;
  HWND window_ = nullptr;
  IDirectDraw7* dd_ = nullptr;
  IDirectDrawSurface7* primary_ = nullptr;
  IDirectDrawPalette* palette_ = nullptr;
  bool cursorHidden_ = false;
};

TEST_F(ExclusiveDisplay, AltEnterAndF11SwitchBetweenFullScreenAndAWindowAndAreNotTheGames) {
  Open("");
  EXPECT_TRUE(FullScreen());
  EXPECT_EQ(Size(), std::make_pair(1024, 768));
  EXPECT_TRUE(hooks::IsFullScreenScaled(window_));

  const struct {
    int key;
    bool alt;
    bool fullScreen;
    int width, height;  // full screen: the desktop; a window: the largest whole multiple that fits
    const char* mode;
  } steps[] = {
      {VK_RETURN, true, false, 640, 480, "mode=window"},
      {VK_F11, false, true, 1024, 768, "mode=fullscreen"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.mode);
    Press(step.key, step.alt);
    EXPECT_EQ(FullScreen(), step.fullScreen);
    EXPECT_EQ(hooks::IsFullScreenScaled(window_), step.fullScreen);
    EXPECT_EQ(Size(), std::make_pair(step.width, step.height));
    EXPECT_NE(config_.Read().find(step.mode), std::string::npos) << config_.Read();
  }
  EXPECT_EQ(MessagesFor(VK_RETURN), 0);
  EXPECT_EQ(MessagesFor(VK_F11), 0);
  EXPECT_GT(MessagesFor(VK_MENU), 0) << "Alt itself is the game's, as on Windows";
  gSeen.clear();
  Press(VK_RETURN, false);
  EXPECT_EQ(MessagesFor(VK_RETURN), 3) << "Enter without Alt: down, character, up";
  EXPECT_TRUE(FullScreen());
}

TEST_F(ExclusiveDisplay, WindowPositionsMapToTheGameInEveryMode) {
  const struct {
    const char* settings;
    int width, height;  // the player resizes the window to this (0: left as it is)
    int x, y;           // a position in the window
    int gameX, gameY;
    bool onPicture;  // else over the bars: the system cursor shows
  } cases[] = {
      {"", 0, 0, 1023, 767, 639, 479, true},  // full screen, 1.6 times, no bars
      // Full screen by whole multiples: once, centred.
      {"mode=fullscreen\nscaling=integer\n", 0, 0, 831, 623, 639, 479, true},
      {"mode=fullscreen\nscaling=integer\n", 0, 0, 100, 100, 0, 0, false},
      {"mode=window\n", 0, 0, 5, 7, 5, 7, true},  // the window of the largest whole multiple
      {"mode=window\nwidth=800\nheight=600\nscaling=integer\n", 0, 0, 80, 60, 0, 0, true},
      // A window resized to 1000 x 600: once, centred, or as large as fits.
      {"mode=window\nscaling=integer\n", 1000, 600, 900, 300, 639, 240, false},
      {"mode=window\nscaling=sharp\n", 1000, 600, 500, 300, 320, 240, true},
      {"mode=window\nscaling=smooth\n", 1000, 600, 50, 300, 0, 240, false},
      // Smaller than the display: as large as fits even with whole multiples.
      {"mode=window\nscaling=integer\n", 320, 200, 292, 199, 637, 477, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.settings) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
    Open(std::string("[display]\n") + c.settings);
    if (c.width) {
      SDL_SetWindowSize(Sdl(), c.width, c.height);
      Settle();
      EXPECT_NE(config_.Read().find("width=" + std::to_string(c.width) + "\nheight=" + std::to_string(c.height)),
                std::string::npos)
          << "the player's size is kept";
    }
    gSeen.clear();
    ASSERT_TRUE(hooks::PushWindowMouseMove(c.x, c.y));
    Settle();
    ASSERT_FALSE(gSeen.empty());
    const MSG& move = gSeen.back();
    ASSERT_EQ(move.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(LOWORD(move.lParam), c.gameX);
    EXPECT_EQ(HIWORD(move.lParam), c.gameY);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), c.onPicture ? SDL_DISABLE : SDL_ENABLE);
    TearDown();
    dd_ = nullptr;
    window_ = nullptr;
    cursorHidden_ = false;
    SetUp();
  }
}

TEST_F(ExclusiveDisplay, TheWindowShowsTheGamesPixelsScaled) {
  Open("[display]\nmode=window\nscaling=integer\n");
  ASSERT_NE(primary_ = CreatePrimary(dd_), nullptr);
  PALETTEENTRY colors[256];
  palette_ = AttachPalette(dd_, primary_, colors, [](int i) {
    return PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), 0};
  });
  auto byteAt = [](int x, int y) { return static_cast<uint8_t>((x * 7 + y * 13) & 0xFF); };
  FillSurface(primary_, byteAt);
  hooks::CaptureDisplayFrames(true);

  // Resizes the window, waits for a picture of that size and counts its pixels
  // that are not the game's (scaled by `scale` from left, top), or black outside.
  std::vector<uint8_t> picture;
  auto wrongPixels = [&](int wantWidth, int wantHeight, int left, int top, int scale) -> size_t {
    SDL_SetWindowSize(Sdl(), wantWidth, wantHeight);
    const auto until = Clock::now() + 3s;
    int width = 0, height = 0;
    while (!(width == wantWidth && height == wantHeight)) {
      if (Clock::now() > until) return SIZE_MAX;
      Settle();
      picture.resize(hooks::LastDisplayWindowPicture(&width, &height, nullptr, 0));
      if (width == wantWidth && height == wantHeight &&
          hooks::LastDisplayWindowPicture(&width, &height, picture.data(), picture.size()) != picture.size())
        width = 0;
      SDL_Delay(1);
    }
    size_t wrong = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* rgb = &picture[(size_t(y) * width + x) * 3];
        int gameX = x - left, gameY = y - top;
        bool inside = gameX >= 0 && gameX < 640 * scale && gameY >= 0 && gameY < 480 * scale;
        PALETTEENTRY c = inside ? colors[byteAt(gameX / scale, gameY / scale)] : PALETTEENTRY{0, 0, 0, 0};
        wrong += rgb[0] != c.peRed || rgb[1] != c.peGreen || rgb[2] != c.peBlue;
      }
    return wrong;
  };
  EXPECT_EQ(wrongPixels(1280, 960, 0, 0, 2), 0u) << "twice: every game pixel a 2 x 2 block";
  EXPECT_EQ(wrongPixels(1000, 600, 180, 60, 1), 0u) << "resized, whole multiples: once, centred, black bars";
}

// Deactivation loses the display surfaces; they are restored only once the window is active again.
TEST_F(ExclusiveDisplay, DeactivationLosesTheDisplaySurfaces) {
  Open("");
  ASSERT_NE(primary_ = CreatePrimary(dd_), nullptr);
  MSG msg;
  ASSERT_TRUE(hooks::PushFocus(false));
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(primary_->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(primary_->Restore(), DDERR_WRONGMODE) << "the display is someone else's";
  ASSERT_TRUE(hooks::PushFocus(true));
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(primary_->Restore(), DD_OK);
  EXPECT_EQ(primary_->IsLost(), DD_OK);

  primary_->Release();
  dd_->Release();
  primary_ = nullptr;
  dd_ = nullptr;
  EXPECT_FALSE(hooks::IsFullScreenScaled(window_)) << "releasing the object gives the display back";
}

// The window shows the primary surface through its palette: a frame per change, none without one.
TEST_F(ExclusiveDisplay, TheWindowShowsThePrimarySurfaceThroughItsPalette) {
  Open("");
  ASSERT_NE(primary_ = CreatePrimary(dd_), nullptr);
  PALETTEENTRY colors[256];
  palette_ = AttachPalette(dd_, primary_, colors, [](int i) {
    return PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 40, 0};
  });
  std::vector<uint8_t> bytes(640 * 480);  // what the window must show
  for (DWORD y = 0; y < 480; ++y)
    for (DWORD x = 0; x < 640; ++x) bytes[y * 640 + x] = static_cast<uint8_t>((x / 8 + y) & 0xFF);
  hooks::CaptureDisplayFrames(true);

  // Peeks until the count of shown frames passes `count`, at most `limit`.
  MSG msg;
  auto shownAfter = [&](uint64_t count, std::chrono::milliseconds limit = 2000ms) {
    const auto until = Clock::now() + limit;
    while (hooks::DisplayFramesShown() <= count && Clock::now() < until)
      PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    return hooks::DisplayFramesShown() > count;
  };
  // Makes a change, waits for the next frame and counts its wrong pixels (all
  // of them are compared, so a part left out of a partial redraw shows).
  auto wrongAfter = [&](auto change) {
    const uint64_t count = hooks::DisplayFramesShown();
    change();
    std::vector<uint8_t> rgb(640 * 480 * 3);
    if (!shownAfter(count) || hooks::LastDisplayFrame(rgb.data(), rgb.size()) != rgb.size()) return size_t{640 * 480};
    size_t wrong = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const PALETTEENTRY& c = colors[bytes[i]];
      wrong += rgb[3 * i] != c.peRed || rgb[3 * i + 1] != c.peGreen || rgb[3 * i + 2] != c.peBlue;
    }
    return wrong;
  };
  EXPECT_EQ(wrongAfter([&] { FillSurface(primary_, [&](DWORD x, DWORD y) { return bytes[y * 640 + x]; }); }), 0u);
  EXPECT_FALSE(shownAfter(hooks::DisplayFramesShown(), 300ms)) << "an unchanged display is not drawn again";
  // New bytes in a small block, then a palette change alone: a new frame.
  EXPECT_EQ(wrongAfter([&] {
              for (DWORD y = 100; y < 105; ++y) std::fill_n(&bytes[y * 640 + 100], 10, 200);
              FillSurface(primary_, [&](DWORD x, DWORD y) { return bytes[y * 640 + x]; });
            }),
            0u);
  EXPECT_EQ(wrongAfter([&] {
              colors[200] = {1, 2, 3, 0};
              palette_->SetEntries(0, 200, 1, &colors[200]);
            }),
            0u);
}

}  // namespace
