// The Win32 kernel calls of the layer, as the game's services use them.
#include <cstdlib>

#include "platform_test.h"

namespace {

std::string LanguageFor(const char* lcAll, const char* lcMessages, const char* lang) {
  auto set = [](const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  };
  set("LC_ALL", lcAll);
  set("LC_MESSAGES", lcMessages);
  set("LANG", lang);
  char buffer[260] = {};
  int written = GetLocaleInfoA(0, LOCALE_SENGLANGUAGE, buffer, sizeof buffer);
  EXPECT_EQ(written, static_cast<int>(std::string(buffer).size()) + 1);
  return buffer;
}

TEST(GetLocaleInfoA, NamesTheLanguageOfThePosixLocaleInEnglish) {
  const char* savedAll = getenv("LC_ALL");
  std::string keepAll = savedAll ? savedAll : "";
  EXPECT_EQ(LanguageFor("de_DE.UTF-8", nullptr, nullptr), "German");
  EXPECT_EQ(LanguageFor(nullptr, nullptr, "de_AT@euro"), "German");
  EXPECT_EQ(LanguageFor(nullptr, "fr_FR.UTF-8", "de_DE"), "French") << "LC_MESSAGES before LANG";
  EXPECT_EQ(LanguageFor("en_GB.UTF-8", "de_DE", "de_DE"), "English") << "LC_ALL first";
  EXPECT_EQ(LanguageFor("", nullptr, "de"), "German") << "an empty variable counts as unset";
  EXPECT_EQ(LanguageFor(nullptr, nullptr, nullptr), "English");
  EXPECT_EQ(LanguageFor("C", nullptr, nullptr), "English");

  setenv("LC_ALL", "de_DE", 1);
  EXPECT_EQ(GetLocaleInfoA(0, LOCALE_SENGLANGUAGE, nullptr, 0), 7) << "size query";
  char small[6];
  EXPECT_FAILS_WITH(GetLocaleInfoA(0, LOCALE_SENGLANGUAGE, small, sizeof small), 0, ERROR_INSUFFICIENT_BUFFER);
  if (savedAll) setenv("LC_ALL", keepAll.c_str(), 1);
  else unsetenv("LC_ALL");
}

TEST(GlobalMemoryStatus, GivesConsistentFigures) {
  MEMORYSTATUS status{};
  GlobalMemoryStatus(&status);
  EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
  EXPECT_GT(status.dwAvailPhys, 0u);
  EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
  EXPECT_LE(status.dwMemoryLoad, 100u);
  EXPECT_GE(status.dwTotalPageFile, status.dwTotalPhys);
}

class KernelFiles : public GameDirTest {};

TEST_F(KernelFiles, GetFullPathNameNormalisesWithoutAskingTheDisk) {
  char buffer[MAX_PATH];
  char* filePart = nullptr;
  DWORD length = GetFullPathNameA(".\\data\\..\\data/./Cities", MAX_PATH, buffer, &filePart);
  EXPECT_EQ(std::string(buffer), root_ + "/data/Cities");
  EXPECT_EQ(length, root_.size() + 12);
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "Cities");
  char tiny[4];
  EXPECT_EQ(GetFullPathNameA("data", sizeof tiny, tiny, nullptr), root_.size() + 6) << "size needed";
}

TEST_F(KernelFiles, AttributesAndDirectories) {
  EXPECT_FAILS_WITH(GetFileAttributesA("nothing"), INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(CreateDirectoryA("Data", nullptr));
  EXPECT_FAILS_WITH(CreateDirectoryA("DATA", nullptr), FALSE, ERROR_ALREADY_EXISTS);  // the name in another case
  EXPECT_FAILS_WITH(CreateDirectoryA("a/b", nullptr), FALSE, ERROR_PATH_NOT_FOUND);
  EXPECT_NE(GetFileAttributesA("data") & FILE_ATTRIBUTE_DIRECTORY, 0u);

  WriteText("Data/file.txt", "x");
  EXPECT_EQ(GetFileAttributesA("data\\FILE.TXT") & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
  SetReadOnly("Data/file.txt", true);
  EXPECT_NE(GetFileAttributesA("data/file.txt") & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(KernelFiles, CreateFileFollowsAccessAndSharing) {
  EXPECT_FAILS_WITH(CreateFileA("missing", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
                    INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);

  HANDLE created = CreateFileA("f.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  EXPECT_FAILS_WITH(CreateFileA("f.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr),
                    INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(CloseHandle(created));
  EXPECT_FAILS_WITH(CloseHandle(created), FALSE, ERROR_INVALID_HANDLE);  // a handle closes once

  SetReadOnly("f.bin", true);
  EXPECT_FAILS_WITH(CreateFileA("f.bin", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE,
                    ERROR_ACCESS_DENIED);
  HANDLE reader = CreateFileA("F.BIN", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(reader));
}

TEST(CloseHandle, PseudoHandlesCloseWithoutEffect) {
  HANDLE self = GetCurrentThread();
  EXPECT_TRUE(CloseHandle(self));
  EXPECT_EQ(GetCurrentThread(), self) << "still usable after closing";
  EXPECT_FAILS_WITH(CloseHandle(reinterpret_cast<HANDLE>(LONG_PTR{0x1234})), FALSE, ERROR_INVALID_HANDLE);
}

}  // namespace
