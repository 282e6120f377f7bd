#include "ui/text_box.h"

#include <cstdio>

#include "core/presenter_state.h"
#include "gfx/aligned_text.h"
#include "gfx/rastport.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/blit.h"
#include "pictures/events.h"
#include "pictures/screen_clip.h"
#include "pictures/screendata.h"
#include "services/memory.h"
#include "services/time.h"

namespace vsk {

namespace {

// Heights are 16-bit: the content bitmap is (lines + 3) line heights tall,
// so a text is drawn up to the last line that still fits that.
uint16_t MaxTextLines(uint16_t lineHeight) {
  const uint32_t lines = 0xFFFFu / lineHeight;
  return static_cast<uint16_t>(lines > 4 ? lines - 4 : 1);
}

// DirectDraw surfaces are at most this many rows high.
constexpr uint32_t kMaxSurfaceRows = 16384;

// The content bitmap of a long text. In DirectDraw mode a text taller than
// a surface can be gets its bitmap in memory instead (copies from memory to
// the screen's surface work the same), so a long text still opens.
BitMap* AllocTextBitMap(uint32_t width, uint32_t rows, uint32_t flags) {
  if (PresenterChoice != kPresenterDirectDraw || rows <= kMaxSurfaceRows) return AllocBitMap(width, rows, 8, flags);
  auto* bitmap = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_PUBLIC | MEMF_CLEAR));
  if (!bitmap) return nullptr;
  bitmap->BytesPerRow = width;
  bitmap->Rows = rows;
  bitmap->Depth = 8;
  bitmap->Flags = flags;
  bitmap->Pixels = static_cast<uint8_t*>(AllocVec(width * rows, MEMF_PUBLIC | MEMF_CLEAR));
  if (!bitmap->Pixels) {
    FreeVec(bitmap);
    return nullptr;
  }
  return bitmap;
}

}  // namespace

RequesterBox* InitRequesterTextBox_Init(uint16_t width, TextFont* font, const char* text, uint16_t x, uint16_t y,
                                        uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                                        uint16_t textPen) {
  auto* box = static_cast<RequesterBox*>(AllocVec(sizeof(RequesterBox), MEMF_PUBLIC | MEMF_CLEAR));
  if (!box) {
    std::printf("InitRequesterTextBox_Init: Konnte Speicher f" "\xc3\xbc" "r Struktur nicht allokieren 001 \n");
    return nullptr;
  }
  box->rastPort = static_cast<RastPort*>(AllocVec(sizeof(RastPort), MEMF_PUBLIC | MEMF_CLEAR));
  if (!box->rastPort) {
    std::printf("InitRequesterTextBox_Init: Konnte Speicher f" "\xc3\xbc" "r RastPort nicht allokieren 001 \n");
    FreeVec(box);
    return nullptr;
  }
  InitRastPort(box->rastPort);
  SetFont(box->rastPort, font);
  box->width = width;
  box->x = x;
  box->y = y;
  box->visibleWidth = visibleWidth;
  box->visibleHeight = visibleHeight;
  box->font = font;
  box->text = text ? text : "";
  box->textPen = box->lineTextPen = textPen;
  box->backPen = box->lineBackPen = backPen;
  box->selected = -1;
  return box;
}

bool InitRequesterTextBox_Bitmap(RequesterBox* box) {
  if (!box || !box->rastPort) return false;
  const uint32_t lineHeight = RequesterLineHeight(box);
  box->contentHeight = static_cast<uint16_t>((box->lineCount + 1) * lineHeight);
  const uint32_t textHeight = box->lineCount * lineHeight;
  std::printf("InitRequesterTextBox_Bitmap: Anzahl Zeilen %u\n", static_cast<unsigned>(box->lineCount));
  std::printf("InitRequesterTextBox_Bitmap: DestHoehe ist %u Pixel\n", static_cast<unsigned>(box->visibleHeight));
  std::printf("InitRequesterTextBox_Bitmap: TextHoehe ist %u Pixel\n", static_cast<unsigned>(textHeight));
  const bool windowHigh = textHeight < box->visibleHeight;
  uint32_t fillRows = 0;
  if (windowHigh) {
    std::printf("InitRequesterTextBox_Bitmap: DestHoehe ist groesser !\n");
    box->bitmap = AllocBitMap(box->width, box->visibleHeight, 8, 1);
    if (!box->bitmap) {
      std::printf("InitRequesterTextBox_Bitmap: Konnte Speicher nicht allokieren 002 \n");
      return false;
    }
    fillRows = box->visibleHeight;
  } else {
    std::printf("InitRequesterTextBox_Bitmap: DestHoehe ist kleiner !\n");
    box->bitmap = AllocTextBitMap(box->width, (box->lineCount + 2) * lineHeight, 5);
    if (!box->bitmap) {
      std::printf("InitRequesterTextBox_Bitmap: Konnte Speicher nicht allokieren 003 \n");
      return false;
    }
    fillRows = box->contentHeight;
  }
  RastPort* rp = box->rastPort;
  rp->BitMap = box->bitmap;
  SetDrMd(rp, JAM1);
  SetAPen(rp, static_cast<uint8_t>(box->backPen));
  if (box->width > 0 && fillRows > 0)
    RectFill(rp, 0, 0, static_cast<uint16_t>(box->width - 1), static_cast<uint16_t>(fillRows - 1));
  SetAPen(rp, static_cast<uint8_t>(box->textPen));
  return true;
}

void ShowRequesterTextBox(RequesterBox* box) {
  if (!box) return;
  BltBitMap(box->bitmap, 0, 0, TheScreen ? TheScreen->BitMap : nullptr, box->x, box->y, box->visibleWidth,
            box->visibleHeight);
  const uint32_t textHeight = box->lineCount * RequesterLineHeight(box);
  if (textHeight < box->visibleHeight || textHeight == 0) {
    box->knobSize = 100;
  } else {
    box->knobSize = static_cast<uint16_t>(box->visibleHeight * 100u / textHeight);
  }
}

RequesterBox* InitRequesterTextBox(uint16_t width, TextFont* font, const char* text, uint16_t x, uint16_t y,
                                   uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                                   uint16_t textPen) {
  RequesterBox* box =
      InitRequesterTextBox_Init(width, font, text, x, y, visibleWidth, visibleHeight, backPen, textPen);
  if (!box) {
    std::printf("InitRequesterTextBox: Konnte Speicher fuer Struktur nicht allokieren 001 \n");
    return nullptr;
  }
  const uint16_t maxLines = MaxTextLines(RequesterLineHeight(box));
  box->lineCount = static_cast<uint16_t>(
      1 + CountTextLines(box->rastPort, box->text, 0, 0, kNoLimit, maxLines, visibleWidth));
  if (!InitRequesterTextBox_Bitmap(box)) {
    std::printf("InitRequesterTextBox: Konnte BitMap fuer Requester nicht allokieren 001 \n");
    FreeRequesterBox(box);
    return nullptr;
  }
  box->lineCount = DrawWrappedText(box->rastPort, box->text, 0, 0, kNoLimit, maxLines, visibleWidth);
  ShowRequesterTextBox(box);
  return box;
}

// ---- the modal box -----------------------------------------------------------------

namespace {

constexpr char kPathList[] = "./data/path";
constexpr uint32_t kFramePicture = 293;
constexpr uint32_t kUpArrow = 123, kUpArrowPressed = 124;
constexpr uint32_t kDownArrow = 125, kDownArrowPressed = 126;
constexpr uint32_t kCloseButton = 143, kCloseButtonPressed = 144;
constexpr uint32_t kTitleString = 330;

constexpr uint16_t kBoxX = 66, kBoxY = 50, kBoxWidth = 507, kBoxHeight = 381;

// What the left button holds down in the event loop.
constexpr int32_t kHeldNothing = 0;
constexpr int32_t kHeldElsewhere = 1;
constexpr int32_t kHeldUp = 124;
constexpr int32_t kHeldDown = 126;
constexpr int32_t kHeldClose = 144;

bool InUpArrow() { return PointerInRect(526, 540, 95, 109) != 0; }
bool InDownArrow() { return PointerInRect(526, 540, 346, 360) != 0; }
bool InScrollBar() { return PointerInRect(526, 540, 117, 341) != 0; }
bool InCloseButton() { return PointerInRect(524, 546, 370, 390) != 0; }

// The pointer's screen row. GetMouseY gives the window row; in OpenGL mode
// the screen sits centred in a larger window, so the row is moved by the
// same offset that PointerInRect takes off, or a click on the bar would put
// the knob where the pointer is not.
uint16_t PointerScreenY() {
  int32_t y = GetMouseY();
  if (PresenterChoice == kPresenterOpenGL) y -= WindowHeight / 2 - static_cast<int32_t>(kScreenHeight) / 2;
  return static_cast<uint16_t>(y < 0 ? 0 : y);
}

void DrawUpArrow(uint32_t id) { BlitObjekt(nullptr, id, 525, 95, 0, 0); }
void DrawDownArrow(uint32_t id) { BlitObjekt(nullptr, id, 525, 346, 0, 0); }
void DrawCloseButton(uint32_t id) { BlitObjekt(nullptr, id, 524, 370, 0, 0); }

// Runs until the close button is released over itself. Holding an arrow
// scrolls 10 % on every timer tick while the pointer stays on it; the bar
// puts the knob under the pointer, also while dragging.
void RunTextBox(RequesterBox* box) {
  int32_t held = kHeldNothing;
  for (;;) {
    const int32_t event = WaitEvent(3);
    if (event == kEventTick && held != kHeldNothing) {
      if (held == kHeldUp && InUpArrow()) {
        MoveScrollerKnob(box, kScrollUp10);
        ScrollRequesterBox(box);
      } else if (held == kHeldDown && InDownArrow()) {
        MoveScrollerKnob(box, kScrollDown10);
        ScrollRequesterBox(box);
      }
    }
    if (event == kEventLeftDown && held == kHeldNothing) {
      held = kHeldElsewhere;
      if (InCloseButton()) {
        DrawCloseButton(kCloseButtonPressed);
        held = kHeldClose;
      } else if (InUpArrow()) {
        DrawUpArrow(kUpArrowPressed);
        held = kHeldUp;
      } else if (InDownArrow()) {
        DrawDownArrow(kDownArrowPressed);
        held = kHeldDown;
      } else if (InScrollBar()) {
        MoveScrollerKnob(box, PointerScreenY());
        ScrollRequesterBox(box);
        held = kHeldNothing;
      }
      continue;
    }
    const bool released = event == kEventLeftUp;
    if (held == kHeldUp) {
      if (!InUpArrow() || released) {
        DrawUpArrow(kUpArrow);
        held = kHeldElsewhere;
      }
    } else if (held == kHeldDown) {
      if (!InDownArrow() || released) {
        DrawDownArrow(kDownArrow);
        held = kHeldElsewhere;
      }
    } else if (held == kHeldClose) {
      const bool inside = InCloseButton();
      if (!inside || released) {
        DrawCloseButton(kCloseButton);
        Delay(10);
        held = kHeldElsewhere;
        if (released && inside) return;
      }
    }
    if (released) held = kHeldNothing;
  }
}

}  // namespace

int32_t TextBox(const char* text) {
  BitMap* saved = ScreenSaveClip(kBoxX, kBoxY, kBoxWidth, kBoxHeight);
  if (!saved) {
    std::printf("TextBox:Konnte den Hintergrund nicht Retten ,baue TextBox NICHT auf.");
    return 0;
  }
  TextFont* titleFont = nullptr;
  TextFont* textFont = nullptr;
  bool pictureLoaded = false;
  RastPort* pictureRp = nullptr;
  RequesterBox* box = nullptr;
  int32_t result = 0;

  titleFont = OpenDiskFont("fonts/kadunc1.fnt");
  if (!titleFont) {
    std::printf("TextBox:Konnte den KadunC1 Font nicht " "\xc3\xb6" "ffnen!");
    goto release;
  }
  textFont = OpenDiskFont("fonts/xhelvetica11.fnt");
  if (!textFont) {
    std::printf("TextBox:Konnte den Helvetica Font nicht " "\xc3\xb6" "ffnen!");
    goto release;
  }
  pictureLoaded = OpenKadunGfx(kPathList, kFramePicture) != 0 && PictureOf(kFramePicture);
  if (!pictureLoaded) {
    std::printf("TextBox:Konnte die Grafik fuer den TextRequester nicht Laden!");
    goto release;
  }
  pictureRp = NewRastPort(PictureOf(kFramePicture));
  if (!pictureRp) {
    std::printf("TextBox:Konnte keinen RastPort fuer die TextBox Grafik anlegen.");
    goto release;
  }

  SetDrMd(pictureRp, JAM1);
  SetFont(pictureRp, titleFont);
  DrawAlignedText(pictureRp, 157, 6, 349, 34, GetDefaultString(kTitleString), 0, 7, 37);
  BlitObjekt(nullptr, kFramePicture, kBoxX, kBoxY, kBoxWidth, kBoxHeight);
  DrawUpArrow(kUpArrow);
  DrawDownArrow(kDownArrow);

  box = InitRequesterTextBox(417, textFont, text, 101, 88, 417, 305, 16, 7);
  if (!box) {
    std::printf("TextBox:Konnte den Requester nicht anlegen.\n");
    goto release;
  }
  CreateScroller(box, 14, 224, 26, 22, 25, 24, 526, 117);
  RunTextBox(box);
  result = 1;

release:
  // In reverse order of taking; the saved area goes back in every case.
  FreeRequesterBox(box);
  FreeRastPort(pictureRp);
  if (pictureLoaded) ReleaseGfx(kFramePicture);
  CloseFont(textFont);
  CloseFont(titleFont);
  RestoreScreenClip(saved, kBoxX, kBoxY, kBoxWidth, kBoxHeight);
  return result;
}

}  // namespace vsk
