// A fresh, empty game directory for each test: the fixture creates it under
// the system's temporary directory, makes it the working directory and
// removes it afterwards, so no test sees another test's files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vsk::test {

class GameDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string root_;      // absolute path of the game directory
  std::string previous_;  // working directory before the test
};

// File helpers, relative to the working directory.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
void MakeDir(const std::string& path);
// Takes every write permission bit away from a file or directory (or gives
// them back), the way a read-only file looks to the game.
void SetReadOnly(const std::string& path, bool readOnly);

}  // namespace vsk::test
