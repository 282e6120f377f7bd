// Showing the emulated display: each time the window thread looks at its
// queue, the primary surface of the exclusive-mode window is converted
// through its palette into that window's SDL window surface, scaled with its
// aspect kept and letterboxed when the window is larger than the display:
// by whole multiples or to the nearest pixel, or smoothly (linear between
// pixels) when the player chose so and the scale is not a whole multiple.
// Only what changed is converted and sent to the window: the display is cut
// into tiles, each knowing which palette entries its bytes use, so that a
// palette change (colour cycling) redraws only the tiles that show a changed
// entry and new bytes redraw only the tiles they fall in. A frame is drawn
// at most once per display refresh; once a second the whole window is drawn
// anyway, so that a window the desktop uncovered shows its picture again.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "ddraw_objects.h"
#include "platform/testing.h"
#include "user32_window.h"

namespace vsk::platform::ddraw {

namespace {

constexpr auto kRefresh = std::chrono::microseconds(16667);
constexpr auto kRedrawAnyway = std::chrono::seconds(1);
constexpr size_t kDisplayBytes = size_t{kDisplayWidth} * kDisplayHeight;
constexpr int kTileWidth = 32, kTileHeight = 16;
constexpr int kTilesAcross = kDisplayWidth / kTileWidth, kTilesDown = kDisplayHeight / kTileHeight;
static_assert(kDisplayWidth % kTileWidth == 0 && kDisplayHeight % kTileHeight == 0);

// The palette entries a tile's bytes use, one bit each.
struct EntrySet {
  uint64_t bits[4]{};
  void Add(uint8_t entry) { bits[entry >> 6] |= uint64_t{1} << (entry & 63); }
  bool Meets(const EntrySet& other) const {
    return (bits[0] & other.bits[0]) | (bits[1] & other.bits[1]) | (bits[2] & other.bits[2]) |
           (bits[3] & other.bits[3]);
  }
};

// Window thread only.
struct Shown {
  HWND window = nullptr;
  bool surfaceFailed = false;  // told once on standard error
  bool valid = false;          // what follows describes the window's picture
  SDL_Surface* surface = nullptr;
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kDisplayBytes);
  PALETTEENTRY palette[256]{};
  std::vector<EntrySet> used = std::vector<EntrySet>(size_t{kTilesAcross} * kTilesDown);
  SDL_Rect target{};
  std::vector<int> sourceColumn, sourceRow;  // window pixel in the target -> display pixel
  bool smooth = false;
  struct Tap {
    int first, second;  // the display pixels a window pixel lies between
    int weight;         // of the second, out of 256
  };
  std::vector<Tap> columnTaps, rowTaps;  // smooth: window pixel in the target -> display pixels
  Clock::time_point last{};
};
Shown& State() {
  static auto* state = new Shown();
  return *state;
}

std::atomic<bool> gCapture{false};
std::atomic<uint64_t> gFramesShown{0};
std::mutex gFrameLock;
std::vector<uint8_t>& CapturedFrame() {  // RGB, top row first
  static auto* frame = new std::vector<uint8_t>();
  return *frame;
}
std::vector<uint8_t>& CapturedWindow() {  // the whole window surface, RGB, top row first
  static auto* picture = new std::vector<uint8_t>();
  return *picture;
}
int gCapturedWindowWidth = 0, gCapturedWindowHeight = 0;

void Forget() {
  Shown& shown = State();
  shown.window = nullptr;
  shown.surface = nullptr;  // the window's, freed with it
  shown.valid = false;
}

// The first pixel of a target `size` pixels long whose source is display
// pixel `at` of `length` (or later, when shrinking skips it).
int Edge(int at, int size, int length) {
  return static_cast<int>((static_cast<int64_t>(at) * size + length - 1) / length);
}

Shown::Tap TapAt(int at, int size, int length) {
  double source = (at + 0.5) * length / size - 0.5;
  int first = std::clamp(static_cast<int>(source), 0, length - 1);
  int weight = std::clamp(static_cast<int>((source - first) * 256 + 0.5), 0, 256);
  return Shown::Tap{first, std::min(first + 1, length - 1), weight};
}

void Map(Shown& shown, const SDL_Rect& target, bool smooth) {
  shown.target = target;
  shown.smooth = smooth;
  shown.columnTaps.clear();
  shown.rowTaps.clear();
  if (smooth) {
    for (int x = 0; x < target.w; ++x) shown.columnTaps.push_back(TapAt(x, target.w, kDisplayWidth));
    for (int y = 0; y < target.h; ++y) shown.rowTaps.push_back(TapAt(y, target.h, kDisplayHeight));
  }
  shown.sourceColumn.resize(static_cast<size_t>(std::max(target.w, 0)));
  shown.sourceRow.resize(static_cast<size_t>(std::max(target.h, 0)));
  for (int x = 0; x < target.w; ++x)
    shown.sourceColumn[x] = static_cast<int>(static_cast<int64_t>(x) * kDisplayWidth / target.w);
  for (int y = 0; y < target.h; ++y)
    shown.sourceRow[y] = static_cast<int>(static_cast<int64_t>(y) * kDisplayHeight / target.h);
}

void NoteEntries(Shown& shown, const uint8_t* pixels, int tileX, int tileY) {
  EntrySet set;
  for (int y = tileY * kTileHeight; y < (tileY + 1) * kTileHeight; ++y) {
    const uint8_t* row = pixels + size_t(y) * kDisplayWidth + size_t(tileX) * kTileWidth;
    for (int x = 0; x < kTileWidth; ++x) set.Add(row[x]);
  }
  shown.used[size_t(tileY) * kTilesAcross + tileX] = set;
}

// Converts display columns [x0, x1) of rows [y0, y1) into the window
// surface and returns the window rectangle they cover (empty when the
// target is too small to show any of them).
SDL_Rect Convert(const Shown& shown, const uint8_t* pixels, const uint32_t* table, int x0, int x1, int y0,
                 int y1) {
  const SDL_Rect& t = shown.target;
  const int wx0 = Edge(x0, t.w, kDisplayWidth), wx1 = Edge(x1, t.w, kDisplayWidth);
  const int wy0 = Edge(y0, t.h, kDisplayHeight), wy1 = Edge(y1, t.h, kDisplayHeight);
  SDL_Surface* surface = shown.surface;
  for (int wy = wy0; wy < wy1; ++wy) {
    const uint8_t* in = pixels + size_t(shown.sourceRow[wy]) * kDisplayWidth;
    auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                            size_t(t.y + wy) * surface->pitch) + t.x;
    for (int wx = wx0; wx < wx1; ++wx) out[wx] = table[in[shown.sourceColumn[wx]]];
  }
  return SDL_Rect{t.x + wx0, t.y + wy0, wx1 - wx0, wy1 - wy0};
}

// Smooth: as Convert, each window pixel blended from the four display pixels
// around it. A window pixel near a tile's edge takes from the next tile too,
// so the columns and rows one beyond are drawn again.
SDL_Rect ConvertSmooth(const Shown& shown, const uint8_t* pixels, const PALETTEENTRY* palette, int x0,
                       int x1, int y0, int y1) {
  x0 = std::max(x0 - 1, 0);
  y0 = std::max(y0 - 1, 0);
  x1 = std::min(x1 + 1, static_cast<int>(kDisplayWidth));
  y1 = std::min(y1 + 1, static_cast<int>(kDisplayHeight));
  const SDL_Rect& t = shown.target;
  const int wx0 = Edge(x0, t.w, kDisplayWidth), wx1 = Edge(x1, t.w, kDisplayWidth);
  const int wy0 = Edge(y0, t.h, kDisplayHeight), wy1 = Edge(y1, t.h, kDisplayHeight);
  SDL_Surface* surface = shown.surface;
  const SDL_PixelFormat* format = surface->format;
  auto blend = [](int a, int b, int weight) { return a * (256 - weight) + b * weight; };
  for (int wy = wy0; wy < wy1; ++wy) {
    const Shown::Tap& row = shown.rowTaps[wy];
    const uint8_t* top = pixels + size_t(row.first) * kDisplayWidth;
    const uint8_t* bottom = pixels + size_t(row.second) * kDisplayWidth;
    auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                            size_t(t.y + wy) * surface->pitch) + t.x;
    for (int wx = wx0; wx < wx1; ++wx) {
      const Shown::Tap& column = shown.columnTaps[wx];
      const PALETTEENTRY& a = palette[top[column.first]];
      const PALETTEENTRY& b = palette[top[column.second]];
      const PALETTEENTRY& c = palette[bottom[column.first]];
      const PALETTEENTRY& d = palette[bottom[column.second]];
      auto channel = [&](BYTE PALETTEENTRY::*part) {
        int upper = blend(a.*part, b.*part, column.weight), lower = blend(c.*part, d.*part, column.weight);
        return static_cast<uint32_t>((blend(upper, lower, row.weight) + (1 << 15)) >> 16);
      };
      out[wx] = (channel(&PALETTEENTRY::peRed) << format->Rshift) |
                (channel(&PALETTEENTRY::peGreen) << format->Gshift) |
                (channel(&PALETTEENTRY::peBlue) << format->Bshift) | format->Amask;
    }
  }
  return SDL_Rect{t.x + wx0, t.y + wy0, wx1 - wx0, wy1 - wy0};
}

// The window's picture read back at the first window pixel of each display
// pixel, and the whole window, for the test hooks.
void Capture(const Shown& shown) {
  const SDL_Rect& t = shown.target;
  SDL_Surface* surface = shown.surface;
  std::lock_guard<std::mutex> lock(gFrameLock);
  std::vector<uint8_t>& frame = CapturedFrame();
  frame.assign(kDisplayBytes * 3, 0);
  std::vector<uint8_t>& picture = CapturedWindow();
  picture.resize(size_t(surface->w) * surface->h * 3);
  gCapturedWindowWidth = surface->w;
  gCapturedWindowHeight = surface->h;
  for (int y = 0; y < surface->h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                                        size_t(y) * surface->pitch);
    for (int x = 0; x < surface->w; ++x) {
      uint8_t* rgb = &picture[3 * (size_t(y) * surface->w + x)];
      SDL_GetRGB(row[x], surface->format, &rgb[0], &rgb[1], &rgb[2]);
    }
  }
  if (t.w <= 0 || t.h <= 0) return;
  for (DWORD y = 0; y < kDisplayHeight; ++y) {
    const int wy = t.y + std::min(Edge(static_cast<int>(y), t.h, kDisplayHeight), t.h - 1);
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                                        size_t(wy) * surface->pitch);
    for (DWORD x = 0; x < kDisplayWidth; ++x) {
      const int wx = t.x + std::min(Edge(static_cast<int>(x), t.w, kDisplayWidth), t.w - 1);
      uint8_t* rgb = &frame[3 * (size_t(y) * kDisplayWidth + x)];
      SDL_GetRGB(row[wx], surface->format, &rgb[0], &rgb[1], &rgb[2]);
    }
  }
}

SDL_Surface* WindowSurface(SDL_Window* sdl) {
  Shown& shown = State();
  SDL_Surface* surface = SDL_GetWindowSurface(sdl);
  const char* failure = nullptr;
  if (!surface) failure = SDL_GetError();
  else if (surface->format->BytesPerPixel != 4) failure = "the window's pixels are not 32-bit";
  if (!failure) return surface;
  if (!shown.surfaceFailed)
    std::fprintf(stderr, "DirectDraw: the display cannot be shown on the window: %s\n", failure);
  shown.surfaceFailed = true;
  return nullptr;
}

void ShowDisplay() {
  Shown& shown = State();
  const auto now = Clock::now();
  if (shown.valid && now - shown.last < kRefresh) return;

  static auto* pixels = new std::vector<uint8_t>(kDisplayBytes);
  PALETTEENTRY palette[256];
  bool hasPalette = false;
  HWND window = nullptr;
  if (!TakeDisplayFrame(&window, pixels->data(), palette, &hasPalette)) return;
  if (!hasPalette) std::memset(palette, 0, sizeof palette);  // no palette: every index is black
  SDL_Window* sdl = SdlWindowOf(window);
  if (!sdl || (SDL_GetWindowFlags(sdl) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED))) return;
  if (window != shown.window) {
    Forget();
    shown.window = window;
  }
  if (shown.surfaceFailed) return;
  SDL_Surface* surface = WindowSurface(sdl);
  if (!surface) return;
  // A new surface (the window was resized) holds nothing yet; a picture that
  // moved or is scaled another way is drawn whole.
  if (surface != shown.surface) shown.valid = false;
  shown.surface = surface;
  GameView view;
  if (!GameViewOf(window, &view)) return;
  const SDL_Rect target = FitPicture(kDisplayWidth, kDisplayHeight, surface->w, surface->h, view.scaling);
  const bool wholeMultiple = target.w % kDisplayWidth == 0 && target.h % kDisplayHeight == 0;
  const bool smooth = view.scaling == Scaling::Smooth && !wholeMultiple;
  if (!SDL_RectEquals(&target, &shown.target) || smooth != shown.smooth) shown.valid = false;
  const bool whole = !shown.valid || now - shown.last >= kRedrawAnyway;

  // The tiles to draw: every tile, or those with new bytes and those that
  // show a palette entry that changed.
  std::vector<bool> dirty(size_t{kTilesAcross} * kTilesDown, whole);
  bool any = whole;
  for (int y = 0; y < static_cast<int>(kDisplayHeight); ++y) {
    const size_t row = size_t(y) * kDisplayWidth;
    if (!whole && std::memcmp(pixels->data() + row, shown.pixels.data() + row, kDisplayWidth) == 0) continue;
    for (int tileX = 0; tileX < kTilesAcross; ++tileX) {
      const size_t at = row + size_t(tileX) * kTileWidth;
      if (whole || std::memcmp(pixels->data() + at, shown.pixels.data() + at, kTileWidth) != 0)
        dirty[size_t(y / kTileHeight) * kTilesAcross + tileX] = true;
    }
  }
  for (int tileY = 0; tileY < kTilesDown; ++tileY)
    for (int tileX = 0; tileX < kTilesAcross; ++tileX)
      if (dirty[size_t(tileY) * kTilesAcross + tileX]) {
        NoteEntries(shown, pixels->data(), tileX, tileY);
        any = true;
      }
  EntrySet changed;
  bool paletteChanged = false;
  for (int i = 0; i < 256; ++i)
    if (!whole && std::memcmp(&palette[i], &shown.palette[i], sizeof palette[i]) != 0) {
      changed.Add(static_cast<uint8_t>(i));
      paletteChanged = true;
    }
  if (paletteChanged)
    for (size_t tile = 0; tile < dirty.size(); ++tile)
      if (!dirty[tile] && shown.used[tile].Meets(changed)) dirty[tile] = any = true;
  shown.last = now;
  if (!any) {  // only entries that nothing shows changed
    std::memcpy(shown.palette, palette, sizeof palette);
    return;
  }

  uint32_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = SDL_MapRGB(surface->format, palette[i].peRed, palette[i].peGreen,
                                                      palette[i].peBlue);
  const bool locked = SDL_MUSTLOCK(surface);
  if (locked && SDL_LockSurface(surface) != 0) return;
  if (whole) {
    Map(shown, target, smooth);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));  // the bars
  }
  // Runs of dirty tiles along each row of tiles, one window rectangle each.
  std::vector<SDL_Rect> rects;
  for (int tileY = 0; tileY < kTilesDown; ++tileY) {
    for (int tileX = 0; tileX < kTilesAcross;) {
      if (!dirty[size_t(tileY) * kTilesAcross + tileX]) {
        ++tileX;
        continue;
      }
      int end = tileX + 1;
      while (end < kTilesAcross && dirty[size_t(tileY) * kTilesAcross + end]) ++end;
      const SDL_Rect rect =
          shown.smooth ? ConvertSmooth(shown, pixels->data(), palette, tileX * kTileWidth, end * kTileWidth,
                                       tileY * kTileHeight, (tileY + 1) * kTileHeight)
                       : Convert(shown, pixels->data(), table, tileX * kTileWidth, end * kTileWidth,
                                 tileY * kTileHeight, (tileY + 1) * kTileHeight);
      if (rect.w > 0 && rect.h > 0) rects.push_back(rect);
      tileX = end;
    }
  }
  if (locked) SDL_UnlockSurface(surface);
  if (whole) SDL_UpdateWindowSurface(sdl);
  else if (!rects.empty()) SDL_UpdateWindowSurfaceRects(sdl, rects.data(), static_cast<int>(rects.size()));
  if (gCapture) Capture(shown);
  if (!whole || !shown.valid || std::memcmp(palette, shown.palette, sizeof palette) != 0 ||
      *pixels != shown.pixels)
    gFramesShown++;

  shown.pixels.swap(*pixels);
  std::memcpy(shown.palette, palette, sizeof palette);
  shown.valid = true;
}

void OnDestroy(HWND window) {
  if (window == State().window) Forget();
}

void OnActivation(HWND window, bool) {
  if (window == State().window) State().valid = false;  // drawn again at the next look
}

}  // namespace

void StartShowingDisplay() {
  static std::once_flag once;
  std::call_once(once, [] {
    // The window surface is the desktop's own (shared memory on X11), which
    // takes rectangles; SDL would otherwise put it on an OpenGL texture,
    // uploaded whole on every change.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    AddPumpHook(&ShowDisplay);
    AddDestroyListener(&OnDestroy);
    AddActivationListener(&OnActivation);
  });
}

}  // namespace vsk::platform::ddraw

namespace vsk::platform::testing {

void CaptureDisplayFrames(bool on) { ddraw::gCapture = on; }

size_t LastDisplayFrame(uint8_t* rgb, size_t capacity) {
  std::lock_guard<std::mutex> lock(ddraw::gFrameLock);
  const std::vector<uint8_t>& frame = ddraw::CapturedFrame();
  if (rgb && capacity >= frame.size()) std::memcpy(rgb, frame.data(), frame.size());
  return frame.size();
}

uint64_t DisplayFramesShown() { return ddraw::gFramesShown.load(); }

size_t LastDisplayWindowPicture(int* width, int* height, uint8_t* rgb, size_t capacity) {
  std::lock_guard<std::mutex> lock(ddraw::gFrameLock);
  const std::vector<uint8_t>& picture = ddraw::CapturedWindow();
  if (width) *width = ddraw::gCapturedWindowWidth;
  if (height) *height = ddraw::gCapturedWindowHeight;
  if (rgb && capacity >= picture.size()) std::memcpy(rgb, picture.data(), picture.size());
  return picture.size();
}

}  // namespace vsk::platform::testing
