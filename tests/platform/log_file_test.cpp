// The log file: the last three runs kept, and the stream
// that writes every line to the console and the file alike.
#include "platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "support/gamedir.h"

namespace vsk::test {
namespace {

using platform::OpenTeeStream;
using platform::PrepareLogFile;

std::string ReadText(const std::string& path) {
  auto bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class LogFile : public GameDirTest {};

TEST_F(LogFile, KeepsTheLastThreeRuns) {
  // Logs present before the run → what the older ones hold after it.
  struct Case {
    std::vector<const char*> before;  // veskaria.log, .1, .2 (null: missing)
    const char* first;                // veskaria.1.log after (null: missing)
    const char* second;               // veskaria.2.log after
  } cases[] = {
      {{nullptr, nullptr, nullptr}, nullptr, nullptr},
      {{"a", nullptr, nullptr}, "a", nullptr},
      {{"b", "a", nullptr}, "b", "a"},
      {{"c", "b", "a"}, "c", "b"},
      {{nullptr, "b", "a"}, nullptr, "b"},
  };
  const char* names[] = {"veskaria.log", "veskaria.1.log", "veskaria.2.log"};
  int n = 0;
  for (const Case& c : cases) {
    std::string dir = root_ + "/state" + std::to_string(n++) + "/veskaria";
    if (c.before[0] || c.before[1] || c.before[2]) {
      MakeDir(root_ + "/state" + std::to_string(n - 1));
      MakeDir(dir);
    }
    for (int i = 0; i < 3; i++)
      if (c.before[i]) WriteText(dir + "/" + names[i], c.before[i]);
    std::string error;
    EXPECT_EQ(PrepareLogFile(dir, &error), dir + "/veskaria.log") << error;
    EXPECT_FALSE(FileExists(dir + "/veskaria.log"));
    EXPECT_EQ(FileExists(dir + "/veskaria.1.log") ? ReadText(dir + "/veskaria.1.log") : "-", c.first ? c.first : "-");
    EXPECT_EQ(FileExists(dir + "/veskaria.2.log") ? ReadText(dir + "/veskaria.2.log") : "-", c.second ? c.second : "-");
  }
}

TEST_F(LogFile, EveryLineReachesBothAsItEnds) {
  int console = open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int file = open("file.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(console, 0);
  ASSERT_GE(file, 0);
  std::FILE* stream = OpenTeeStream(console, file);
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(setvbuf(stream, nullptr, _IOLBF, BUFSIZ), 0);
  std::fputs("Gr\xf6\xdf" "e\n", stream);
  std::fputs("no line feed yet", stream);
  // A line that ended is in both files at once, the open one in neither.
  EXPECT_EQ(ReadText("console.txt"), "Gr\xf6\xdf" "e\n");
  EXPECT_EQ(ReadText("file.txt"), "Gr\xf6\xdf" "e\n");
  std::fputs("\n", stream);
  EXPECT_EQ(ReadText("file.txt"), "Gr\xf6\xdf" "e\nno line feed yet\n");
  EXPECT_EQ(std::fclose(stream), 0);
  EXPECT_EQ(ReadText("console.txt"), ReadText("file.txt"));
}

TEST_F(LogFile, AFailingConsoleLeavesTheFileWhole) {
  int file = open("file.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int console = open("console.txt", O_RDONLY | O_CREAT, 0644);  // refuses every write
  ASSERT_GE(file, 0);
  ASSERT_GE(console, 0);
  std::FILE* stream = OpenTeeStream(console, file);
  ASSERT_NE(stream, nullptr);
  EXPECT_GT(std::fputs("one\n", stream), 0);
  EXPECT_EQ(std::fflush(stream), 0);
  EXPECT_GT(std::fputs("two\n", stream), 0);
  EXPECT_EQ(std::fclose(stream), 0);
  EXPECT_EQ(ReadText("file.txt"), "one\ntwo\n");
}

}  // namespace
}  // namespace vsk::test
