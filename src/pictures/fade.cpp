// Palette fades. The fade thread walks 256 levels and shows every 8th one:
// in DirectDraw mode on the vertical blank through the hardware palette, in
// OpenGL mode through GLColors, after which it suspends itself until the
// presenter has drawn a frame and resumes it.
#include "pictures/fade.h"

#include <ddraw.h>
#include <process.h>
#include <windows.h>

#include <cstring>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "gfx/screen_update.h"

namespace vsk {

std::atomic<HANDLE> FadeThreadHandle{nullptr};
std::atomic<DWORD> FadeThreadId{0};

namespace {

constexpr int kLevels = 256;
constexpr int kLevelsPerStep = 8;

// Shows a whole colour table as one visible fade step.
void ShowFadeStep(ColorEntry* colors) {
  if (PresenterChoice == kPresenterDirectDraw) {
    if (DDObject) DDObject->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    if (DDPalette) DDPalette->SetEntries(0, 0, 256, reinterpret_cast<LPPALETTEENTRY>(colors));
    return;
  }
  std::memcpy(GLColors, colors, sizeof(GLColors));
  UpdateRectangle(0, 0, kScreenWidth, kScreenHeight);
  // The presenter resumes us after its next frame.
  SuspendThread(GetCurrentThread());
}

unsigned __stdcall FadeInThread(void*) {
  // Every component climbs by one on each level below its target, so all
  // colours arrive together at level 0.
  ColorEntry working[256] = {};
  for (int level = kLevels - 1; level >= 0; --level) {
    for (int i = 0; i < 256; ++i) {
      const ColorEntry& target = ScreenColors[i];
      if (level < target.red) ++working[i].red;
      if (level < target.green) ++working[i].green;
      if (level < target.blue) ++working[i].blue;
    }
    if ((kLevels - level) % kLevelsPerStep == 0) ShowFadeStep(working);
  }
  return 0;
}

unsigned __stdcall FadeOutThread(void*) {
  // Every component drops by one per level, so dark colours reach black
  // first and everything is black after the last level.
  for (int level = 1; level <= kLevels; ++level) {
    for (ColorEntry& entry : ScreenColors) {
      if (entry.red) --entry.red;
      if (entry.green) --entry.green;
      if (entry.blue) --entry.blue;
    }
    if (level % kLevelsPerStep == 0) ShowFadeStep(ScreenColors);
  }
  return 0;
}

void StartFade(unsigned(__stdcall* fade)(void*)) {
  if (HANDLE previous = FadeThreadHandle.load()) {
    WaitForSingleObject(previous, INFINITE);
    FadeThreadHandle = nullptr;
    CloseHandle(previous);
  }
  // Created suspended so that the handle is in place before the thread can
  // suspend itself and the presenter look for it.
  unsigned id = 0;
  auto handle =
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, fade, nullptr, CREATE_SUSPENDED, &id));
  if (!handle) return;
  FadeThreadId = id;
  FadeThreadHandle = handle;
  ResumeThread(handle);
}

}  // namespace

void FadeIn() { StartFade(FadeInThread); }

void FadeOut() { StartFade(FadeOutThread); }

}  // namespace vsk
