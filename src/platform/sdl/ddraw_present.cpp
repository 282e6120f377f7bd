// Showing the emulated display: each time the window thread looks at its
// queue, the primary surface of the exclusive-mode window is converted
// through its palette and drawn on that window's SDL window, scaled with
// its aspect kept and letterboxed when the window is larger than the
// display. A frame is drawn only when the bytes, the palette or the window
// size changed, and at most once per display refresh; once a second it is
// drawn anyway, so that a window the desktop uncovered shows its picture
// again. The texture's bytes are in the order OpenGL calls RGBA, which
// drivers take as they are (uploading BGRA cost software OpenGL half as
// much again on every frame of colour cycling).
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

// Window thread only.
struct Shown {
  HWND window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool rendererFailed = false;  // told once on standard error
  bool valid = false;           // what follows describes the last frame
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kDisplayBytes);
  PALETTEENTRY palette[256]{};
  int outputWidth = 0, outputHeight = 0;
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

void DropRenderer() {
  Shown& shown = State();
  if (shown.texture) SDL_DestroyTexture(shown.texture);
  if (shown.renderer) SDL_DestroyRenderer(shown.renderer);
  shown.texture = nullptr;
  shown.renderer = nullptr;
  shown.window = nullptr;
  shown.valid = false;
}

bool MakeRenderer(SDL_Window* sdl) {
  Shown& shown = State();
  shown.renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_ACCELERATED);
  if (!shown.renderer) shown.renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
  if (shown.renderer)
    shown.texture = SDL_CreateTexture(shown.renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING,
                                      kDisplayWidth, kDisplayHeight);
  if (shown.texture) return true;
  if (!shown.rendererFailed)
    std::fprintf(stderr, "DirectDraw: the display cannot be shown on the window: %s\n", SDL_GetError());
  shown.rendererFailed = true;
  if (shown.renderer) SDL_DestroyRenderer(shown.renderer);
  shown.renderer = nullptr;
  return false;
}

SDL_Rect Letterbox(int areaWidth, int areaHeight) {
  const int w = static_cast<int>(kDisplayWidth), h = static_cast<int>(kDisplayHeight);
  SDL_Rect box{0, 0, areaWidth, areaHeight};
  if (static_cast<int64_t>(areaWidth) * h > static_cast<int64_t>(areaHeight) * w) {
    box.w = static_cast<int>(static_cast<int64_t>(areaHeight) * w / h);
    box.x = (areaWidth - box.w) / 2;
  } else {
    box.h = static_cast<int>(static_cast<int64_t>(areaWidth) * h / w);
    box.y = (areaHeight - box.h) / 2;
  }
  return box;
}

void Capture(const uint8_t* pixels, const uint32_t* table) {
  std::lock_guard<std::mutex> lock(gFrameLock);
  std::vector<uint8_t>& frame = CapturedFrame();
  frame.resize(kDisplayBytes * 3);
  for (size_t i = 0; i < kDisplayBytes; ++i) {
    const uint32_t colour = table[pixels[i]];
    frame[3 * i] = static_cast<uint8_t>(colour);
    frame[3 * i + 1] = static_cast<uint8_t>(colour >> 8);
    frame[3 * i + 2] = static_cast<uint8_t>(colour >> 16);
  }
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
    DropRenderer();
    shown.window = window;
  }
  if (!shown.renderer && !shown.rendererFailed) MakeRenderer(sdl);

  int outputWidth = static_cast<int>(kDisplayWidth), outputHeight = static_cast<int>(kDisplayHeight);
  if (shown.renderer) SDL_GetRendererOutputSize(shown.renderer, &outputWidth, &outputHeight);
  const bool same = shown.valid && outputWidth == shown.outputWidth && outputHeight == shown.outputHeight &&
                    std::memcmp(palette, shown.palette, sizeof palette) == 0 && *pixels == shown.pixels;
  if (same && now - shown.last < kRedrawAnyway) return;

  uint32_t table[256];
  for (int i = 0; i < 256; ++i)
    table[i] = 0xFF000000u | uint32_t{palette[i].peBlue} << 16 | uint32_t{palette[i].peGreen} << 8 |
               palette[i].peRed;
  if (shown.renderer) {
    void* texels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(shown.texture, nullptr, &texels, &pitch) == 0) {
      for (DWORD y = 0; y < kDisplayHeight; ++y) {
        const uint8_t* in = pixels->data() + size_t{y} * kDisplayWidth;
        auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(texels) + static_cast<size_t>(y) * pitch);
        for (DWORD x = 0; x < kDisplayWidth; ++x) out[x] = table[in[x]];
      }
      SDL_UnlockTexture(shown.texture);
    }
    const SDL_Rect target = Letterbox(outputWidth, outputHeight);
    // Bars only where the picture leaves room for them.
    if (target.w != outputWidth || target.h != outputHeight) {
      SDL_SetRenderDrawColor(shown.renderer, 0, 0, 0, 255);
      SDL_RenderClear(shown.renderer);
    }
    SDL_RenderCopy(shown.renderer, shown.texture, nullptr, &target);
    SDL_RenderPresent(shown.renderer);
  }
  if (gCapture) Capture(pixels->data(), table);
  if (!same) gFramesShown++;

  shown.pixels.swap(*pixels);
  std::memcpy(shown.palette, palette, sizeof palette);
  shown.outputWidth = outputWidth;
  shown.outputHeight = outputHeight;
  shown.last = now;
  shown.valid = true;
}

void OnDestroy(HWND window) {
  if (window == State().window) DropRenderer();
}

void OnActivation(HWND window, bool) {
  if (window == State().window) State().valid = false;  // drawn again at the next look
}

}  // namespace

void StartShowingDisplay() {
  static std::once_flag once;
  std::call_once(once, [] {
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

}  // namespace vsk::platform::testing
