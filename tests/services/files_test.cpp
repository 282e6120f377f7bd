#include "services/files.h"

#include <gtest/gtest.h>

#include "services/byteorder.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/gamedir.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::FileExists;
using test::MakeDir;
using test::ReadBytes;
using test::WriteBytes;
using test::WriteText;

class FileServices : public test::GameDirTest {};

TEST_F(FileServices, OpenModesCreateOrNeedAnExistingWritableFile) {
  EXPECT_EQ(Open("missing.bin", MODE_OLDFILE), nullptr);
  EXPECT_EQ(Open("missing.bin", MODE_READWRITE), nullptr);
  EXPECT_EQ(Open("missing.bin", 1007), nullptr);
  EXPECT_FALSE(FileExists("missing.bin"));

  FileHandle created = Open("new.bin", MODE_NEWFILE);
  ASSERT_NE(created, nullptr);
  Write(created, "abc", 3);
  Close(created);
  EXPECT_EQ(ReadBytes("new.bin"), (std::vector<uint8_t>{'a', 'b', 'c'}));

  for (int32_t mode : {MODE_READWRITE, MODE_OLDFILE, 1007}) {
    FileHandle existing = Open("new.bin", mode);
    ASSERT_NE(existing, nullptr) << mode;
    char buffer[4] = {};
    Read(existing, buffer, 3);
    EXPECT_STREQ(buffer, "abc");
    Close(existing);
  }

  test::SetReadOnly("new.bin", true);
  EXPECT_EQ(Open("new.bin", MODE_OLDFILE), nullptr);
  EXPECT_EQ(Open("new.bin", MODE_NEWFILE), nullptr);
}

TEST_F(FileServices, UnknownModeIsLoggedAndRefused) {
  test::LogCapture log;
  EXPECT_EQ(Open("x.bin", 1003), nullptr);
  EXPECT_EQ(Open("x.bin", 1008), nullptr);
  EXPECT_EQ(log.Take(), "Open:Unbekanntes Flag.\nOpen:Unbekanntes Flag.\n");
  EXPECT_FALSE(FileExists("x.bin"));
}

TEST_F(FileServices, SeekAndFileLength) {
  WriteText("ten.bin", "0123456789");
  FileHandle file = Open("ten.bin", MODE_OLDFILE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Seek(file, 4, OFFSET_BEGINNING), 4);
  EXPECT_EQ(Seek(file, 2, OFFSET_CURRENT), 6);
  {
    test::LogCapture log;
    EXPECT_EQ(Seek(file, 0, 2), -1);
    EXPECT_EQ(log.Take(), "") << "a bad origin is refused without a message";
  }
  EXPECT_EQ(Seek(file, 0, OFFSET_CURRENT), 6) << "a bad origin does not move";
  EXPECT_EQ(FileLength(file), 10u);
  EXPECT_EQ(Seek(file, 0, OFFSET_CURRENT), 6) << "FileLength restores the position";
  EXPECT_EQ(Seek(file, 0, OFFSET_END), 10);
  {
    test::LogCapture log;
    EXPECT_EQ(Seek(file, -20, OFFSET_BEGINNING), -1);
    EXPECT_EQ(log.Take(), "Seek : Konnte File Pointer nicht richtig setzen .\n");
  }
  Close(file);
}

TEST_F(FileServices, GetFileSizeAndLoadFile) {
  WriteText("data.bin", "Veskaria");
  WriteBytes("empty.bin", {});
  EXPECT_EQ(GetFileSize("data.bin"), 8u);
  EXPECT_EQ(GetFileSize("empty.bin"), 0u);
  {
    test::LogCapture log;
    EXPECT_EQ(GetFileSize("nothing.bin"), 0u);
    EXPECT_EQ(log.Take(), "GetFileSize: Fehler Code : 2 .\n");
  }

  uint32_t length = 99;
  auto* block = static_cast<char*>(LoadFile("data.bin", MEMF_PUBLIC, &length));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(std::string(block, 8), "Veskaria");
  FreeVec(block);

  void* empty = LoadFile("empty.bin", 0);
  EXPECT_NE(empty, nullptr) << "a zero-length file loads as a valid block";
  FreeVec(empty);

  test::LogCapture log;
  EXPECT_EQ(LoadFile("nothing.bin", 0), nullptr);
  EXPECT_EQ(log.Take(), "") << "a missing file is no error of LoadFile's";
}

TEST_F(FileServices, LoadFileReadsReadOnlyFiles) {
  WriteText("rom.bin", "fixed");
  test::SetReadOnly("rom.bin", true);
  uint32_t length = 0;
  void* block = LoadFile("rom.bin", 0, &length);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(length, 5u);
  FreeVec(block);
}

TEST_F(FileServices, LoadFileReleasesTheFileWhenMemoryRunsOut) {
  WriteText("data.bin", "Veskaria");
  int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  test::LogCapture log;
  EXPECT_EQ(LoadFile("data.bin", 0), nullptr);
  EXPECT_EQ(log.Take(), "AllocVec: 000 ");
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST_F(FileServices, SaveMem2FileReplacesWholeFilesAndLeavesNoTemporary) {
  WriteText("save.bin", "old contents, longer than the new");
  EXPECT_EQ(SaveMem2File("save.bin", "new", 3), 1);
  EXPECT_EQ(ReadBytes("save.bin"), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_FALSE(FileExists("save.bin.new"));

  MakeDir("locked");
  test::SetReadOnly("locked", true);
  test::LogCapture log;
  EXPECT_EQ(SaveMem2File("locked/save.bin", "x", 1), 0);
  EXPECT_EQ(SaveMem2File("nodir/save.bin", "x", 1), 0);
  EXPECT_EQ(log.Take(),
            "SaveMem2File: Konnte das File <locked/save.bin> nicht speichern.\n"
            "SaveMem2File: Konnte das File <nodir/save.bin> nicht speichern.\n");
}

TEST_F(FileServices, SaveMem2FileKeepsAReadOnlyFile) {
  WriteText("keep.bin", "keep");
  test::SetReadOnly("keep.bin", true);
  test::LogCapture log;
  EXPECT_EQ(SaveMem2File("keep.bin", "lost", 4), 0);
  EXPECT_EQ(log.Take(), "SaveMem2File: Konnte das File <keep.bin> nicht speichern.\n");
  EXPECT_EQ(ReadBytes("keep.bin"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_FALSE(FileExists("keep.bin.new"));
}

TEST_F(FileServices, ReadLongAndReadWordAreBigEndian) {
  WriteBytes("numbers.bin", {0x00, 0x00, 0x01, 0x02, 0x12, 0x34, 0xAB});
  FileHandle file = Open("numbers.bin", MODE_OLDFILE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadLong(file), 258u);
  EXPECT_EQ(ReadWord(file), 0x1234);
  EXPECT_EQ(ReadWord(file), 0xAB00) << "a byte missing at the end reads as 0";
  Close(file);
}

TEST_F(FileServices, LockTellsFilesDirectoriesAndMissingObjectsApart) {
  MakeDir("data");
  WriteText("data/file.txt", "x");
  EXPECT_EQ(Lock("data", SHARED_LOCK), 1u);
  EXPECT_EQ(Lock("./data/", SHARED_LOCK), 1u);
  EXPECT_EQ(Lock("nothing", SHARED_LOCK), 0u);
  UnLock(1);  // a directory lock holds nothing

  FileLock first = Lock("data\\file.txt", SHARED_LOCK);
  FileLock second = Lock("./data/file.txt", SHARED_LOCK);
  EXPECT_GT(first, 1u);
  EXPECT_GT(second, 1u) << "shared read locks coexist";
  EXPECT_EQ(Lock("data/file.txt", EXCLUSIVE_LOCK), 0u) << "exclusive while others read";
  UnLock(first);
  UnLock(second);
  FileLock exclusive = Lock("data/file.txt", EXCLUSIVE_LOCK);
  EXPECT_GT(exclusive, 1u);
  EXPECT_EQ(Lock("data/file.txt", SHARED_LOCK), 0u) << "no sharing with an exclusive lock";
  UnLock(exclusive);
}

TEST_F(FileServices, CreateDirMakesOneLevel) {
  MakeDir("data");
  {
    test::LogCapture log;
    EXPECT_EQ(CreateDir("./data"), 1u) << "an existing directory";
    EXPECT_EQ(log.Take(), "");
  }
  EXPECT_EQ(CreateDir("./data\\Cities"), 1u);
  EXPECT_TRUE(FileExists("data/Cities"));
  EXPECT_EQ(CreateDir("./DATA/cities"), 1u) << "the same directory in another case";

  test::LogCapture log;
  EXPECT_EQ(CreateDir("./nowhere/Cities"), 0u);
  std::string text = log.Take();
  EXPECT_EQ(text.rfind("Konnte Verzeichnis /", 0), 0u) << text;
  EXPECT_NE(text.find("/nowhere/Cities nicht anlegen !\n"), std::string::npos) << text;
}

TEST_F(FileServices, PathsIgnoreCaseAndBackslashes) {
  MakeDir("data/screendat");
  WriteText("data/screendat/info_stadt.dat", "towns");
  EXPECT_EQ(GetFileSize("./data/ScreenDat\\Info_Stadt.dat"), 5u);
  void* block = LoadFile("./Data\\SCREENDAT/INFO_STADT.DAT", 0);
  EXPECT_NE(block, nullptr);
  FreeVec(block);

  // A new file takes the case of the directories that exist.
  FileHandle file = Open("./DATA/ScreenDat/New.dat", MODE_NEWFILE);
  ASSERT_NE(file, nullptr);
  Close(file);
  EXPECT_TRUE(FileExists("data/screendat/New.dat"));
}

TEST(SwapBytes, ReversesWordsOrHalfWords) {
  uint8_t longs[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  SwapBytes(longs, 2, 1);
  EXPECT_EQ(std::vector<uint8_t>(longs, longs + 8),
            (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12, 0xF0, 0xDE, 0xBC, 0x9A}));
  uint8_t words[] = {0x12, 0x34, 0x56, 0x78, 0xAA};
  SwapBytes(words, 2, 0);
  EXPECT_EQ(std::vector<uint8_t>(words, words + 5),
            (std::vector<uint8_t>{0x34, 0x12, 0x78, 0x56, 0xAA}));
  SwapBytes(words, 0, 1);  // nothing to do
  EXPECT_EQ(words[0], 0x34);
}

}  // namespace
}  // namespace vsk
