// The demo game's pictures, drawn by code: the title picture, the ruler's
// residence with its six graphics, the text-box and list-requester frames
// with their buttons, the mouse pointer and the OpenGL backdrop. Every
// function is deterministic: the same bytes on every run.
//
// Palette plan (DemoPalette; all screens share it, so the boxes drawn over
// the residence find their colours where their pens point):
//
//   0        black; colour 0 is the transparent colour of the graphics and
//            of the pointer
//   1..31    interface colours. Fixed meanings used by the boxes:
//              7  dark brown ink: text-box text and title, gadget labels
//             11  light parchment: list background, highlighted line text
//             12  dark ink: list text, list title, highlighted line background
//             16  parchment: text-box text background
//             22  scroll-bar track (dark oak)
//             24  scroll-bar dark edge
//             25  scroll-bar light edge
//             26  scroll-bar knob (gold)
//            the rest: gold, oak and stone shades of the frames
//   32..47   sky, night blue (32) to evening horizon (47)
//   48..63   castle stone, dark to light
//   64..79   grass and forest, dark to light
//   80..95   earth and timber, dark to light
//   96..111  distant mountains, dark to light
//  112..127  roof tiles and red cloth, dark to light
//  128..138  gold, dark to light
//  139..155  animated by the residence's colour cycling (the boxes never use
//            them, so nothing of theirs flickers; the title, which does not
//            cycle, uses the water and pennant colours as still ones):
//            139..140 glow of lit windows (slow pulse)
//            141..143 fire of the torches and braziers (dark red, orange,
//                     yellow; flickers)
//            144..147 the great red banners (ripple)
//            148..151 water of the moat and the river (flows)
//            152..155 the blue pennants of the towers (ripple)
//  156..171  deep forest green
//  172..187  sand and parchment
//  188..203  dark oak
//  204..219  snow and clouds
//  220..235  evening violet
//  236..251  bronze
//  252..255  white, pale gold, pale blue, near black
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vsk-data/image.h"

namespace vsk::data {

// Pens and register ranges of the plan above.
inline constexpr uint8_t kPenTransparent = 0;
inline constexpr uint8_t kPenInk = 7;
inline constexpr uint8_t kPenListBack = 11;
inline constexpr uint8_t kPenListText = 12;
inline constexpr uint8_t kPenTextBack = 16;
inline constexpr uint8_t kPenScrollTrack = 22;
inline constexpr uint8_t kPenScrollDark = 24;
inline constexpr uint8_t kPenScrollLight = 25;
inline constexpr uint8_t kPenScrollKnob = 26;
inline constexpr int kFirstCycledRegister = 139;
inline constexpr int kLastCycledRegister = 155;

// Picture ids of the demo pictures.
inline constexpr uint32_t kTitlePictureId = 1;            // 640 x 480
inline constexpr uint32_t kResidencePictureId = 3;        // 640 x 480
inline constexpr uint32_t kTextBoxFrameId = 293;          // 507 x 381
inline constexpr uint32_t kArrowUpId = 123;               // 16 x 16, 124 pressed
inline constexpr uint32_t kArrowDownId = 125;             // 16 x 16, 126 pressed
inline constexpr uint32_t kCloseButtonId = 143;           // 22 x 20, 144 pressed
inline constexpr uint32_t kListRequesterFrameId = 340;    // 195 x 220
// Labelled buttons of the list requester (INFO, OKOK, EXIT); the gadgets
// draw their label over it. Not used by the client's own screens.
inline constexpr uint32_t kRequesterButtonId = 341;       // 52 x 20, 342 pressed

// The six graphics of the residence and where the residence screen puts
// them (each 100 x 100, colour 0 transparent). Together they form the
// castle's keep: towers above, walls and gate below.
struct GraphicPlace {
  uint32_t id;
  int x, y;
};
inline constexpr std::array<GraphicPlace, 6> kResidenceGraphics = {{
    {23, 200, 300}, {28, 300, 300}, {29, 400, 300},
    {30, 400, 200}, {8, 300, 200},  {9, 200, 200},
}};

// Rectangles (left, top, right, bottom; right and bottom exclusive) in
// picture coordinates.
struct ArtRect {
  int left, top, right, bottom;
};

// Text-box frame 293, placed at (66, 50) on the screen.
inline constexpr ArtRect kTextBoxTitle = {157, 6, 349, 34};
inline constexpr ArtRect kTextBoxWindow = {35, 38, 452, 343};    // screen (101, 88)
inline constexpr ArtRect kTextBoxUpArrow = {459, 45, 475, 61};   // screen (525, 95)
inline constexpr ArtRect kTextBoxDownArrow = {459, 296, 475, 312};
inline constexpr ArtRect kTextBoxScrollBar = {460, 67, 474, 291};  // screen (526, 117)
inline constexpr ArtRect kTextBoxClose = {458, 320, 480, 340};     // screen (524, 370)

// List-requester frame 340; suggested gadget areas for its screen-data file.
inline constexpr ArtRect kListTitle = {16, 12, 179, 36};       // section 9 text frame
inline constexpr ArtRect kListWindow = {39, 60, 144, 155};     // CH00
inline constexpr ArtRect kListScrollBar = {151, 67, 165, 130}; // REQ0
inline constexpr ArtRect kListUpArrow = {150, 48, 166, 64};    // UP00: 123 / 124
inline constexpr ArtRect kListDownArrow = {150, 133, 166, 149};// DO00: 125 / 126
inline constexpr ArtRect kListInfoButton = {10, 180, 62, 200}; // INFO: 341 / 342
inline constexpr ArtRect kListOkButton = {72, 180, 124, 200};  // OKOK: 341 / 342
inline constexpr ArtRect kListExitButton = {134, 180, 186, 200};// EXIT: 341 / 342

// The palette of every demo picture.
Palette DemoPalette();

IndexedImage DrawTitlePicture();       // id 1
IndexedImage DrawResidencePicture();   // id 3
// id 8, 9, 23, 28, 29 or 30; any other id gives an empty image.
IndexedImage DrawResidenceGraphic(int id);
// The residence as the screen shows it: picture 3 with the six graphics
// drawn over it, colour 0 transparent (for previews and tests).
IndexedImage ComposeResidenceScene();

IndexedImage DrawTextBoxFrame();       // id 293
// id 123 (up), 124 (up pressed), 125 (down), 126 (down pressed); any other
// id gives an empty image.
IndexedImage DrawArrow(int id);
IndexedImage DrawCloseButton(bool pressed);     // id 143 / 144
IndexedImage DrawListRequesterFrame();          // id 340
IndexedImage DrawRequesterButton(bool pressed); // id 341 / 342

// The mouse pointer, 32 x 27, colour 0 transparent, hot spot top left.
IndexedImage DrawPointer();

// The OpenGL backdrop: width * height * 3 bytes, red, green, blue, rows top
// to bottom without padding; both sides a power of two (256 x 256).
std::vector<uint8_t> DrawBackdropRgb(uint32_t& width, uint32_t& height);

// Every picture above with its id, in ascending id order, so that the demo
// and the previews walk one list.
struct DemoPicture {
  uint32_t id;
  const char* name;  // short lower-case base name, e.g. "title", "resid08"
  IndexedImage image;
};
std::vector<DemoPicture> DrawAllDemoPictures();

}  // namespace vsk::data
