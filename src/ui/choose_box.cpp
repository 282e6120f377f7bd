#include "ui/choose_box.h"

#include <cstdio>

#include "gfx/aligned_text.h"
#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/blit.h"
#include "pictures/events.h"
#include "pictures/screen_clip.h"
#include "ui/gadgets.h"
#include "ui/requester_box.h"
#include "ui/text_box.h"

namespace vsk {

namespace {

constexpr uint16_t kBoxWidth = 195;
constexpr uint16_t kBoxHeight = 220;
constexpr uint32_t kFramePicture = 340;
constexpr uint32_t kRegionMask = (1u << kSectionGadgets) | (1u << kSectionTextFrames);  // 514
constexpr uint8_t kListBackPen = 11;
constexpr uint8_t kListTextPen = 12;

// What the box changes of the screen's drawing state, put back at the end.
struct DrawingState {
  TextFont* font;
  uint8_t drawMode;
  uint16_t pen;
};

}  // namespace

int16_t ChooseBox(const char* fileName, uint16_t x, uint16_t y, uint16_t lineCount, const char* title,
                  const char* lines, const char* infoText) {
  ScreenRegion* region = GetSCreenRegion(fileName, kRegionMask);
  if (!region) {
    std::printf("ChooseBox: Kann Gadgetdaten nicht laden!\n");
    return -1;
  }
  BitMap* saved = ScreenSaveClip(x, y, kBoxWidth, kBoxHeight);
  if (!saved) {
    std::printf("ChooseBox: Konnte Hintergrund nicht retten!\n");
    FreeScreenRegion(region);
    return -1;
  }
  if (!OpenKadunGfx("./data/path", kFramePicture)) {
    std::printf("ChooseBox: Konnte Requestergrafik nicht laden!\n");
    RestoreScreenClip(saved, x, y, kBoxWidth, kBoxHeight);
    FreeScreenRegion(region);
    return -1;
  }
  RastPort* frame = NewRastPort(PictureOf(kFramePicture));
  if (!frame) {
    std::printf("ChooseBox: Konnte RastPort nicht anlegen!\n");
    ReleaseGfx(kFramePicture);
    RestoreScreenClip(saved, x, y, kBoxWidth, kBoxHeight);
    FreeScreenRegion(region);
    return -1;
  }
  TextFont* font = OpenDiskFont("./fonts/xhelvetica11.fnt");
  if (!font) {
    std::printf("ChooseBox: Konnte Font nicht laden!\n");
    FreeRastPort(frame);
    ReleaseGfx(kFramePicture);
    RestoreScreenClip(saved, x, y, kBoxWidth, kBoxHeight);
    FreeScreenRegion(region);
    return -1;
  }

  RastPort* screen = &TheScreen->RastPort;
  const DrawingState before{screen->Font, screen->DrawMode, screen->FgPen};

  // The frame picture with its gadgets and title, then onto the screen.
  SetFont(frame, font);
  SetAPen(frame, kListTextPen);
  DrawGadgets(frame, region);
  const RegionSection& frames = region->sections[kSectionTextFrames];
  if (frames.records && frames.count > 0) {
    const auto* titleFrame = static_cast<const TextFrame*>(frames.records);
    DrawAlignedText(frame, titleFrame->left, titleFrame->top, titleFrame->right, titleFrame->bottom,
                    title ? title : "", 0, kListTextPen, kAlignCentreX | kAlignCentreY | kAlignAddBaseline);
  }
  BlitObjekt(screen, kFramePicture, x, y, kBoxWidth, kBoxHeight);

  int16_t result = -1;
  RequesterBox* box = InitRequesterBox(105, lineCount, font, lines, x + 39, y + 60, 105, 95, kListBackPen,
                                       kListTextPen);
  if (box) {
    CreateScroller(box, 14, 63, 26, 22, 25, 24, x + 151, y + 67);
    SetGadgetOrigin(region, x, y);
    bool done = false;
    while (!done) {
      const int32_t event = WaitEvent(kWaitTicks);
      Gadget* gadget = HandleGadgetEvent(screen, region, event);
      region->lastGadget = gadget;
      if (!gadget) continue;
      switch (gadget->command) {
        case kCommandChoose:
          SetFont(screen, font);
          result = static_cast<int16_t>(SelectRequesterLine(box, static_cast<uint16_t>(GetScreenMouseY()), kListTextPen,
                                                            kListBackPen));
          break;
        case kCommandDown:
          MoveScrollerKnob(box, kScrollDown10);
          ScrollRequesterBox(box);
          break;
        case kCommandUp:
          MoveScrollerKnob(box, kScrollUp10);
          ScrollRequesterBox(box);
          break;
        case kCommandTrack:
          MoveScrollerKnob(box, static_cast<uint16_t>(GetScreenMouseY()));
          ScrollRequesterBox(box);
          break;
        case kCommandInfo:
          TextBox(infoText ? infoText : "");
          break;
        case kCommandOk:
          done = true;
          break;
        case kCommandExit:
          result = -1;
          done = true;
          break;
        default:  // KEY! and anything else
          break;
      }
    }
  }

  FreeRequesterBox(box);
  CloseFont(font);
  FreeRastPort(frame);
  ReleaseGfx(kFramePicture);
  RestoreScreenClip(saved, x, y, kBoxWidth, kBoxHeight);
  SetFont(screen, before.font);
  SetDrMd(screen, before.drawMode);
  SetAPen(screen, static_cast<uint8_t>(before.pen));
  FreeScreenRegion(region);
  return result;
}

}  // namespace vsk
