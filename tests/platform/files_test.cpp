#include "platform/files.h"

#include <gtest/gtest.h>

#include "support/gamedir.h"

namespace vsk::platform {
namespace {

using test::MakeDir;
using test::WriteText;

class PathResolution : public test::GameDirTest {};

TEST_F(PathResolution, MatchesEveryComponentWithoutRegardToCase) {
  MakeDir("data/screendat");
  WriteText("data/screendat/info_stadt.dat", "x");
  EXPECT_EQ(ResolvePath("./data/ScreenDat\\Info_Stadt.dat"), "./data/screendat/info_stadt.dat");
  EXPECT_EQ(ResolvePath("Data/SCREENDAT/info_STADT.dat"), "data/screendat/info_stadt.dat");
  EXPECT_EQ(ResolvePath(".\\data\\\\screendat"), "./data/screendat") << "doubled separators";
  EXPECT_EQ(ResolvePath((root_ + "/DATA").c_str()), root_ + "/data") << "absolute paths";
  // The exact case wins, new names keep theirs.
  MakeDir("pics");
  WriteText("pics/Cursor01.chk", "a");
  WriteText("pics/cursor01.chk", "b");
  EXPECT_EQ(ResolvePath("pics/cursor01.chk"), "pics/cursor01.chk");
  EXPECT_EQ(ResolvePath("pics/Cursor01.chk"), "pics/Cursor01.chk");
  EXPECT_EQ(ResolvePath("PICS/CURSOR01.CHK"), "pics/Cursor01.chk") << "alphabetically first match";
  EXPECT_EQ(ResolvePath("PICS/New/File.Txt"), "pics/New/File.Txt");
  EXPECT_EQ(ResolvePath("../x"), "../x");
}

TEST_F(PathResolution, OpenFileHonoursReadOnlyFilesAndDirectories) {
  MakeDir("data");
  WriteText("data/rom.bin", "rom");
  test::SetReadOnly("data/rom.bin", true);
  FILE* reading = OpenFile("DATA/ROM.BIN", "rb");
  ASSERT_NE(reading, nullptr);
  fclose(reading);
  EXPECT_EQ(OpenFile("data/rom.bin", "rb+"), nullptr);
  EXPECT_EQ(OpenFile("data/rom.bin", "wb"), nullptr);
  EXPECT_TRUE(IsReadOnly("Data/Rom.bin"));

  EXPECT_EQ(OpenFile("Data", "rb"), nullptr) << "a directory is no file";

  test::SetReadOnly("data", true);
  EXPECT_EQ(OpenFile("data/new.bin", "wb"), nullptr) << "no new file in a read-only directory";
  test::SetReadOnly("data", false);
  FILE* created = OpenFile("DATA/new.bin", "wb");
  ASSERT_NE(created, nullptr);
  fclose(created);
  EXPECT_TRUE(test::FileExists("data/new.bin"));
}

TEST_F(PathResolution, MoveFileOverSwapsInOneStepButNotOverReadOnlyFiles) {
  WriteText("target.bin", "old");
  WriteText("temp.bin", "new");
  EXPECT_TRUE(MoveFileOver("temp.bin", "TARGET.BIN"));
  EXPECT_EQ(test::ReadBytes("target.bin"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_FALSE(test::FileExists("temp.bin"));

  WriteText("temp.bin", "newer");
  test::SetReadOnly("target.bin", true);
  EXPECT_FALSE(MoveFileOver("temp.bin", "target.bin"));
  EXPECT_EQ(test::ReadBytes("target.bin"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_TRUE(RemoveFile("Temp.bin"));
  EXPECT_FALSE(CanRead("temp.bin"));
}

}  // namespace
}  // namespace vsk::platform
