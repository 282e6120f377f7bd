// The file services of the original system on a fresh game directory: open
// modes, seeking, loading and saving whole files, big-endian reads, locks,
// directories, and paths that ignore case and backslashes.
#include "services/files.h"

#include <gtest/gtest.h>

#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/gamedir.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::FileExists;
using test::MakeDir;
using test::ReadBytes;
using test::WriteText;

using Bytes = std::vector<uint8_t>;

class FileServices : public test::GameDirTest {};

TEST_F(FileServices, OpenModesCreateOrNeedAnExistingWritableFileAndUnknownModesAreLogged) {
  test::LogCapture log;
  for (int32_t mode : {MODE_OLDFILE, MODE_READWRITE, 1007, 1003}) EXPECT_EQ(Open("missing.bin", mode), nullptr) << mode;
  EXPECT_EQ(log.Take(), "Open:Unbekanntes Flag.\n") << "1003 only";
  EXPECT_FALSE(FileExists("missing.bin"));

  FileHandle created = Open("new.bin", MODE_NEWFILE);
  ASSERT_NE(created, nullptr);
  Write(created, "abc", 3);
  Close(created);
  for (int32_t mode : {MODE_READWRITE, MODE_OLDFILE, 1007}) {
    FileHandle existing = Open("new.bin", mode);
    ASSERT_NE(existing, nullptr) << mode;
    EXPECT_EQ(ReadWord(existing), 0x6162) << "reads what was written";
    Close(existing);
  }
  test::SetReadOnly("new.bin", true);
  EXPECT_EQ(Open("new.bin", MODE_OLDFILE), nullptr);
  EXPECT_EQ(Open("new.bin", MODE_NEWFILE), nullptr);
}

TEST_F(FileServices, SeekFileLengthAndBigEndianReads) {
  WriteText("ten.bin", "0123456789");
  FileHandle file = Open("ten.bin", MODE_OLDFILE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(Seek(file, 4, OFFSET_BEGINNING), 4);
  EXPECT_EQ(Seek(file, 2, OFFSET_CURRENT), 6);
  test::LogCapture log;
  EXPECT_EQ(Seek(file, 0, 2), -1) << "a bad origin: refused without a message";
  EXPECT_EQ(Seek(file, 0, OFFSET_CURRENT), 6) << "a bad origin does not move";
  EXPECT_EQ(FileLength(file), 10u);
  EXPECT_EQ(Seek(file, 0, OFFSET_CURRENT), 6) << "FileLength restores the position";
  EXPECT_EQ(Seek(file, 0, OFFSET_END), 10);
  EXPECT_EQ(Seek(file, -20, OFFSET_BEGINNING), -1);
  EXPECT_EQ(log.Take(), "Seek : Konnte File Pointer nicht richtig setzen .\n");
  Close(file);

  test::WriteBytes("numbers.bin", {0x00, 0x00, 0x01, 0x02, 0x12, 0x34, 0xAB});
  file = Open("numbers.bin", MODE_OLDFILE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadLong(file), 258u);
  EXPECT_EQ(ReadWord(file), 0x1234);
  EXPECT_EQ(ReadWord(file), 0xAB00) << "a byte missing at the end reads as 0";
  Close(file);
}

TEST_F(FileServices, GetFileSizeAndLoadFile) {
  WriteText("data.bin", "Veskaria");
  WriteText("empty.bin", "");
  test::SetReadOnly("data.bin", true);
  EXPECT_EQ(GetFileSize("data.bin"), 8u);
  {
    test::LogCapture log;
    EXPECT_EQ(GetFileSize("nothing.bin"), 0u);
    EXPECT_EQ(LoadFile("nothing.bin", 0), nullptr);
    EXPECT_EQ(log.Take(), "GetFileSize: Fehler Code : 2 .\n") << "a missing file is no error of LoadFile's";
  }
  // A zero-length file loads as a valid block, a read-only one as well.
  for (const auto& [path, text] : {std::pair{"data.bin", "Veskaria"}, {"empty.bin", ""}}) {
    uint32_t length = 99;
    auto* block = static_cast<char*>(LoadFile(path, MEMF_PUBLIC, &length));
    ASSERT_NE(block, nullptr) << path;
    EXPECT_EQ(std::string(block, length), text);
    FreeVec(block);
  }
  // Memory running out releases the file.
  const int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  test::LogCapture log;
  EXPECT_EQ(LoadFile("data.bin", 0), nullptr);
  EXPECT_EQ(log.Take(), "AllocVec: 000 ");
  EXPECT_EQ(LiveAllocVecBlocks(), live);
}

TEST_F(FileServices, SaveMem2FileReplacesWholeFilesKeepsReadOnlyOnesAndLeavesNoTemporary) {
  WriteText("save.bin", "old contents, longer than the new");
  EXPECT_EQ(SaveMem2File("save.bin", "new", 3), 1);
  EXPECT_EQ(ReadBytes("save.bin"), (Bytes{'n', 'e', 'w'}));
  EXPECT_FALSE(FileExists("save.bin.new"));

  MakeDir("locked");
  test::SetReadOnly("locked", true);
  WriteText("keep.bin", "keep");
  test::SetReadOnly("keep.bin", true);
  test::LogCapture log;
  for (const char* path : {"locked/save.bin", "nodir/save.bin", "keep.bin"}) EXPECT_EQ(SaveMem2File(path, "lost", 4), 0);
  EXPECT_EQ(log.Take(), "SaveMem2File: Konnte das File <locked/save.bin> nicht speichern.\n"
                        "SaveMem2File: Konnte das File <nodir/save.bin> nicht speichern.\n"
                        "SaveMem2File: Konnte das File <keep.bin> nicht speichern.\n");
  EXPECT_EQ(ReadBytes("keep.bin"), (Bytes{'k', 'e', 'e', 'p'}));
  EXPECT_FALSE(FileExists("keep.bin.new"));
}

TEST_F(FileServices, LockTellsFilesDirectoriesAndMissingObjectsApart) {
  MakeDir("data");
  WriteText("data/file.txt", "x");
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
    EXPECT_EQ(CreateDir("./data\\Cities"), 1u);
    EXPECT_EQ(CreateDir("./DATA/cities"), 1u) << "the same directory in another case";
    EXPECT_EQ(log.Take(), "");
  }
  EXPECT_TRUE(FileExists("data/Cities"));
  test::LogCapture log;
  EXPECT_EQ(CreateDir("./nowhere/Cities"), 0u);
  const std::string text = log.Take();
  EXPECT_TRUE(text.starts_with("Konnte Verzeichnis /") && text.ends_with("/nowhere/Cities nicht anlegen !\n")) << text;
}

}  // namespace
}  // namespace vsk
