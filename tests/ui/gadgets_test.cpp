// Gadgets of the demo's list-requester screen-data file in both presenters,
// driven with the event codes directly: dragged off and back on, repeating
// on timer ticks, the built-in key gadget, and which gadget a point hits.
#include "ui/gadgets.h"

#include "pictures/bank.h"
#include "pictures/events.h"
#include "ui/ui_test.h"

namespace vsk {
namespace {

constexpr uint32_t kOriginX = 200, kOriginY = 100;

class GadgetTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    std::string error;
    ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
    test::FillBitmap(TheScreen->BitMap, 5);
    region_ = GetSCreenRegion("./data/screendat/auswahl.dat", (1u << kSectionGadgets) | (1u << kSectionTextFrames));
    ASSERT_NE(region_, nullptr);
    SetGadgetOrigin(region_, kOriginX, kOriginY);
  }
  void TearDown() override {
    FreeScreenRegion(region_);
    for (uint32_t id : {123u, 124u, 125u, 126u, 341u, 342u}) ReleaseGfx(id);
    ScreenModeTest::TearDown();
  }

  // The gadget with the command, and the pointer put at a point of the
  // screen (moved into the OpenGL window's client coordinates).
  Gadget* WithCommand(uint32_t command) {
    auto* gadgets = static_cast<Gadget*>(region_->sections[kSectionGadgets].records);
    for (uint32_t i = 0; i < region_->sections[kSectionGadgets].count; ++i)
      if (gadgets[i].command == command) return &gadgets[i];
    ADD_FAILURE() << "no gadget " << std::hex << command;
    return nullptr;
  }
  void PointAt(int32_t x, int32_t y) {
    if (!DirectDraw()) {
      x += WindowWidth / 2 - 320;
      y += WindowHeight / 2 - 240;
    }
    PointerX = x;
    PointerY = y;
  }
  void PointInto(const Gadget* gadget) {
    PointAt(static_cast<int32_t>(kOriginX + (gadget->left + gadget->right) / 2),
            static_cast<int32_t>(kOriginY + (gadget->top + gadget->bottom) / 2));
  }
  // The screen pixels of a gadget's area.
  std::vector<uint8_t> AreaOf(const Gadget* gadget) {
    std::vector<uint8_t> pixels;
    for (uint32_t y = gadget->top; y < gadget->bottom; ++y)
      for (uint32_t x = gadget->left; x < gadget->right; ++x)
        pixels.push_back(test::ScreenPixel(static_cast<int32_t>(kOriginX + x), static_cast<int32_t>(kOriginY + y)));
    return pixels;
  }

  ScreenRegion* region_ = nullptr;
};

// Drawing, and pressed and released inside, are left to the choose box's tests.
TEST_P(GadgetTest, DraggedOffDoesNotFireAndDraggingBackOnDoesNotPressAgain) {
  DrawGadgets(nullptr, region_);
  Gadget* ok = WithCommand(kCommandOk);
  Gadget* exit = WithCommand(kCommandExit);
  ASSERT_TRUE(ok && exit);
  const std::vector<uint8_t> normal = AreaOf(ok);
  PointInto(ok);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftDown), nullptr) << "fires on release only";
  EXPECT_NE(AreaOf(ok), normal) << "drawn pressed";
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventTick), nullptr) << "no repeat flag";
  PointAt(5, 5);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftDown), nullptr);
  EXPECT_EQ(region_->pressedGadget, nullptr);
  EXPECT_EQ(AreaOf(ok), normal) << "released without firing";
  PointInto(ok);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftDown), nullptr);
  EXPECT_EQ(region_->pressedGadget, nullptr) << "held elsewhere: not pressed again";
  PointInto(exit);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftUp), nullptr) << "released over another: nothing fires";
  EXPECT_EQ(region_->buttonUp, 1);
  // After the release a press works again.
  HandleGadgetEvent(nullptr, region_, kEventLeftDown);
  EXPECT_EQ(region_->pressedGadget, exit);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftUp), exit);
}

TEST_P(GadgetTest, ARepeatingGadgetFiresOnPressAndEveryTickWhileHeldOverIt) {
  Gadget* up = WithCommand(kCommandUp);
  ASSERT_NE(up, nullptr);
  ASSERT_TRUE(up->flags & kGadgetRepeats);
  PointInto(up);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftDown), up);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventTick), up);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventTick), up);
  // Off the gadget (no move event yet): the tick finds it is not under the pointer.
  PointAt(5, 5);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventTick), nullptr);
  PointInto(up);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftUp), nullptr) << "not on the release";
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventTick), nullptr) << "not after it";
}

TEST_P(GadgetTest, KeyEventsFireTheBuiltInGadgetAndFindGadgetTakesTheFirstActiveOneStrictlyInside) {
  Gadget* fired = HandleGadgetEvent(nullptr, region_, kEventQuit);
  ASSERT_EQ(fired, &region_->builtinGadget);
  EXPECT_EQ(fired->command, kCommandKey);
  EXPECT_EQ(fired->flags, kEventQuit) << "the event code in word 3";
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, 0), nullptr);
  EXPECT_EQ(HandleGadgetEvent(nullptr, nullptr, kEventLeftDown), nullptr);
  // A press away from every gadget, and moves, fire nothing.
  PointAt(5, 5);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftDown), nullptr);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventMove), nullptr);
  EXPECT_EQ(HandleGadgetEvent(nullptr, region_, kEventLeftUp), nullptr);
  Gadget* ok = WithCommand(kCommandOk);
  ASSERT_NE(ok, nullptr);
  PointAt(static_cast<int32_t>(kOriginX + ok->left), static_cast<int32_t>(kOriginY + ok->top + 5));
  EXPECT_EQ(FindGadget(region_), nullptr) << "the left edge is outside";
  PointAt(static_cast<int32_t>(kOriginX + ok->left + 1), static_cast<int32_t>(kOriginY + ok->top + 5));
  EXPECT_EQ(FindGadget(region_), ok);
  ok->inactive = 2;
  EXPECT_EQ(FindGadget(region_), nullptr) << "inactive gadgets are not hit";
  ok->inactive = 0;
  // The list window is hidden but still hit.
  Gadget* list = WithCommand(kCommandChoose);
  PointInto(list);
  EXPECT_EQ(FindGadget(region_), list);
}

INSTANTIATE_TEST_SUITE_P(Presenters, GadgetTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
