#include "support/gamedir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vsk::test {

namespace {

// Game directories not yet removed by TearDown. A death test's child process
// runs SetUp but ends before TearDown; it removes its own directory when it
// exits, so no test leaves one behind.
std::vector<std::string>& LiveDirs() {
  static auto* dirs = new std::vector<std::string>();  // outlives every exit handler
  return *dirs;
}

void RemoveTree(const std::string& root) {
  std::error_code error;
  for (auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(root, error);
}

void RemoveLiveDirs() {
  for (const std::string& dir : LiveDirs()) RemoveTree(dir);
  LiveDirs().clear();
}

}  // namespace

void GameDirTest::SetUp() {
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  previous_ = cwd;
  std::string pattern = (std::filesystem::temp_directory_path() / "vsk-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  root_ = pattern;
  static const bool registered = std::atexit(RemoveLiveDirs) == 0;
  (void)registered;
  LiveDirs().push_back(root_);
  ASSERT_EQ(chdir(root_.c_str()), 0);
}

void GameDirTest::TearDown() {
  if (!previous_.empty()) (void)chdir(previous_.c_str());
  if (root_.empty()) return;
  RemoveTree(root_);
  auto& dirs = LiveDirs();
  dirs.erase(std::remove(dirs.begin(), dirs.end(), root_), dirs.end());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << path;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

void MakeDir(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  ASSERT_FALSE(error) << path;
}

void SetReadOnly(const std::string& path, bool readOnly) {
  using std::filesystem::perms;
  std::error_code error;
  std::filesystem::permissions(path, perms::owner_write | perms::group_write | perms::others_write,
                               readOnly ? std::filesystem::perm_options::remove
                                        : std::filesystem::perm_options::add,
                               error);
  ASSERT_FALSE(error) << path;
}

}  // namespace vsk::test
