#include <cstdint>

#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "pictures/bank.h"
#include "pictures/blit.h"
#include "pictures/colorcycle.h"
#include "pictures/events.h"
#include "pictures/fade.h"
#include "pictures/screendata.h"
#include "screens/screens.h"
#include "sound/sfx.h"
#include "ui/text_box.h"

namespace vsk {

namespace {

constexpr uint32_t kResidencePicture = 3;
constexpr uint16_t kAmbience = 48;
constexpr uint32_t kWelcomeText = 622;

struct Placement {
  uint32_t id;
  uint32_t x, y;
};

// The residence's six graphics, drawn in this order.
constexpr Placement kGraphics[] = {{23, 200, 300}, {28, 300, 300}, {29, 400, 300},
                                   {30, 400, 200}, {8, 300, 200},  {9, 200, 200}};

// Five rings over registers 139..155: length, speed, registers, offset,
// keyframes (position, register) up to 0xFF.
constexpr uint8_t kCycleCount = 5;
constexpr uint8_t kCycleRecord = 22;
constexpr uint8_t kResidenceCycles[kCycleCount * kCycleRecord] = {
    0x20, 0x02, 0x03, 0x13, 0x00, 0x8D, 0x13, 0x8D, 0x1B, 0x8E, 0x1D, 0x8F, 0x1F, 0x8E, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x20, 0x01, 0x04, 0x0D, 0x00, 0x94, 0x0D, 0x94, 0x10, 0x95, 0x13, 0x96, 0x16, 0x97, 0x19, 0x96, 0x1C, 0x95, 0x1F, 0x94, 0xFF, 0x00,
    0x0F, 0x04, 0x02, 0x05, 0x00, 0x8B, 0x05, 0x8B, 0x09, 0x8C, 0x0E, 0x8B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x1A, 0x01, 0x04, 0x00, 0x00, 0x90, 0x03, 0x91, 0x06, 0x92, 0x0A, 0x93, 0x12, 0x91, 0x17, 0x90, 0x19, 0x90, 0xFF, 0x00, 0x00, 0x00,
    0x1C, 0x02, 0x04, 0x0B, 0x00, 0x98, 0x0B, 0x98, 0x0D, 0x99, 0x10, 0x9A, 0x13, 0x9B, 0x15, 0x9A, 0x18, 0x99, 0x1B, 0x99, 0xFF, 0x00,
};

}  // namespace

int32_t ResidenceScreen() {
  ScreenRegion* region = GetSCreenRegion("./data/screendat/residenz0.dat", 3);
  TextFont* font = OpenDiskFont("fonts/kadunc1.fnt");
  OpenKadunPic("./data/path", kResidencePicture, 1);
  OpenKadunSFX("./data/sfxpath", kAmbience);
  SfxPlayer(kAmbience, 0, 0);
  // The font goes straight into the screen rastport: its text height and
  // baseline stay as they were.
  if (TheScreen) TheScreen->RastPort.Font = font;
  RastPort* screen = TheScreen ? &TheScreen->RastPort : nullptr;
  for (const Placement& graphic : kGraphics) BlitObjektMask(screen, graphic.id, 0, graphic.x, graphic.y, 0, 0);
  FadeIn();
  TextBox(GetDefaultString(kWelcomeText));
  ColorCycle* cycle = InitColorCycle(kCycleCount, kCycleRecord, kResidenceCycles);
  while (WaitEvent(0) != kEventQuit) {
  }
  ReleaseSfx(kAmbience);
  StopColorCycle(cycle);
  // The residence ends the Screen's life. Should its picture not have
  // loaded, the close finds the slot empty and leaves the Screen.
  if (CloseKadunPic(kResidencePicture, 0) != 0) ReleaseScreen();
  // The screen rastport must not keep the font it is about to lose.
  if (TheScreen && TheScreen->RastPort.Font == font) TheScreen->RastPort.Font = nullptr;
  CloseFont(font);
  FreeScreenRegion(region);
  return kScreenEnd;
}

}  // namespace vsk
