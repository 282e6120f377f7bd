// The log file: the last three runs kept, and the stream that writes each line to console and file alike.
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
  // Five runs in a directory that does not exist yet; each writes its number.
  const std::string dir = root_ + "/state/veskaria";
  const std::string after[][3] = {{"-", "-", "-"}, {"-", "1", "-"}, {"-", "2", "1"}, {"-", "3", "2"}, {"-", "4", "3"}};
  for (int run = 0; run < 5; run++) {
    std::string error;
    ASSERT_EQ(PrepareLogFile(dir, &error), dir + "/veskaria.log") << error;
    int i = 0;
    for (const char* name : {"/veskaria.log", "/veskaria.1.log", "/veskaria.2.log"})
      EXPECT_EQ(FileExists(dir + name) ? ReadText(dir + name) : "-", after[run][i++]) << "run " << run << name;
    WriteText(dir + "/veskaria.log", std::to_string(run + 1));
  }
}

// An ended line is in both files at once, an open one in neither; a refusing console leaves the file whole.
TEST_F(LogFile, EveryLineReachesBothAsItEndsAndAFailingConsoleLeavesTheFileWhole) {
  int console = open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int file = open("file.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int refusing = open("refusing.txt", O_RDONLY | O_CREAT, 0644), second = open("second.txt", O_WRONLY | O_CREAT, 0644);
  std::FILE* stream = OpenTeeStream(console, file);
  std::FILE* broken = OpenTeeStream(refusing, second);
  ASSERT_TRUE(console >= 0 && file >= 0 && refusing >= 0 && second >= 0 && stream && broken);
  ASSERT_EQ(setvbuf(stream, nullptr, _IOLBF, BUFSIZ), 0);
  std::fputs("Gr\xf6\xdf" "e\n", stream);
  std::fputs("no line feed yet", stream);
  EXPECT_EQ(ReadText("console.txt"), "Gr\xf6\xdf" "e\n");
  EXPECT_EQ(ReadText("file.txt"), "Gr\xf6\xdf" "e\n");
  std::fputs("\n", stream);
  EXPECT_EQ(ReadText("file.txt"), "Gr\xf6\xdf" "e\nno line feed yet\n");
  EXPECT_EQ(std::fclose(stream), 0);
  EXPECT_EQ(ReadText("console.txt"), ReadText("file.txt"));

  EXPECT_GT(std::fputs("one\n", broken), 0);
  EXPECT_EQ(std::fflush(broken), 0);
  EXPECT_GT(std::fputs("two\n", broken), 0);
  EXPECT_EQ(std::fclose(broken), 0);
  EXPECT_EQ(ReadText("second.txt"), "one\ntwo\n");
}

}  // namespace
}  // namespace vsk::test
