// The story table's index, its chapters in both languages, and no memory for it.
#include "startup/story.h"

#include <gtest/gtest.h>

#include <string>

#include "services/memory_faults.h"
#include "support/log.h"

namespace vsk {
namespace {

class StoryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FailAllocVecAt(0);
    FreeDodurOdidTab();
  }
};

TEST_F(StoryTest, IndexEntryIPointsAtTheEntryNumberedI) {
  int64_t live = LiveAllocVecBlocks();
  ASSERT_EQ(DodurOdidIndex, nullptr);
  MakeDodurOdidTab();
  ASSERT_NE(DodurOdidIndex, nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live + 1);

  for (uint16_t i = 0; i < kStoryCount; ++i) {
    ASSERT_NE(DodurOdidIndex[i], nullptr) << i;
    EXPECT_EQ(DodurOdidIndex[i]->number, i);
  }

  const StoryEntry** built = DodurOdidIndex;
  MakeDodurOdidTab();
  EXPECT_EQ(DodurOdidIndex, built) << "building twice keeps the one index";
  EXPECT_EQ(LiveAllocVecBlocks(), live + 1);

  FreeDodurOdidTab();
  EXPECT_EQ(DodurOdidIndex, nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  FreeDodurOdidTab();
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST_F(StoryTest, ChaptersCarryAnEnglishAndAGermanVersion) {
  for (uint16_t i = 1; i < kStoryCount; ++i) {
    std::string text = StoryTable[i].text;
    size_t english = text.find("chapter");
    size_t german = text.find("Kapitel");
    ASSERT_NE(english, std::string::npos) << "chapter " << i << " has its English version";
    ASSERT_NE(german, std::string::npos) << "chapter " << i << " has its German version";
    EXPECT_LT(english, german) << "chapter " << i << ": English first, then German";
    EXPECT_EQ(text.find("\xc3"), std::string::npos) << "chapter " << i << " is Windows-1252, not UTF-8";
  }
}

TEST_F(StoryTest, IndexWithoutMemoryIsLoggedAndLeftOut) {
  int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  test::LogCapture log;
  MakeDodurOdidTab();
  EXPECT_EQ(log.Take(),
            "AllocVec: 000 MakeDodurOdidTab : Konnte Tabelle f" "\xfc" "r DodurOdid nicht allokieren...\n");
  EXPECT_EQ(DodurOdidIndex, nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  FreeDodurOdidTab();
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

}  // namespace
}  // namespace vsk
