// vsk-data check: the demo directory passes, and each damage to a copy of it
// gives exactly its one problem line, the count in the summary and status 1.
#include "vsk-data/check.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/gamedir.h"
#include "services/memory.h"
#include "support/log.h"
#include "towns/town.h"
#include "vsk-data/commands.h"
#include "vsk-data/demo.h"

namespace vsk::data {
namespace {

namespace fs = std::filesystem;

void Cut(const std::string& path, size_t length) {
  std::vector<uint8_t> bytes = test::ReadBytes(path);
  ASSERT_GT(bytes.size(), length) << path;
  bytes.resize(length);
  test::WriteBytes(path, bytes);
}

struct Damage {
  const char* name;
  std::function<void(const std::string& dir)> apply;
  const char* path;  // in the one problem line expected; null: no problem
  const char* kind;
};

const Damage kDamages[] = {
    {"untouched", [](const std::string&) {}, nullptr, nullptr},
    {"picture file missing",
     [](const std::string& d) { fs::remove(d + "/data/pics/resid23.chk"); },
     "data/pics/resid23.chk: ", "missing (picture id 23)"},
    {"picture file differs in case only",
     [](const std::string& d) {
       fs::rename(d + "/data/pics/resid23.chk", d + "/data/pics/RESID23.Chk");
       fs::rename(d + "/data/screendat", d + "/data/ScreenDAT");
     },
     nullptr, nullptr},
    {"town list and town file the client wrote",
     [](const std::string& d) {
       ASSERT_EQ(chdir(d.c_str()), 0);
       test::LogCapture quiet;
       FreeVec(GetActiveTown(kCapitalTownId));
       ASSERT_EQ(chdir(".."), 0);
       ASSERT_TRUE(fs::exists(d + "/data/Cities/Town.list"));
     },
     nullptr, nullptr},
    {"picture file truncated",
     [](const std::string& d) { Cut(d + "/data/pics/title.chk", 1000); },
     "data/pics/title.chk: ", "picture file of 1000 bytes, but picture id 1 is 640 x 480"},
    // The parse errors themselves are checked in report_test.
    {"path list cut short", [](const std::string& d) { Cut(d + "/data/path", 100); },
     "data/path: ", "broken path list: the entry count"},
    {"palette cut short",
     [](const std::string& d) { Cut(d + "/data/pics/title.cma", 300); },
     "data/pics/title.cma: ", "palette file of 300 bytes, expected 768"},
    {"sample missing",
     [](const std::string& d) { fs::remove(d + "/data/sfx/residenz.raw"); },
     "data/sfx/residenz.raw: ", "missing (sound id 48)"},
    {"town file of the wrong size",
     [](const std::string& d) {
       fs::create_directories(d + "/data/Cities");
       test::WriteBytes(d + "/data/Cities/Kadun.vsk", std::vector<uint8_t>(1000, 0));
     },
     "data/Cities/Kadun.vsk: ", "town file of 1000 bytes, expected 14220 (wrong size)"},
    {"font truncated",
     [](const std::string& d) { Cut(d + "/fonts/xhelvetica11.fnt", 50); },
     "fonts/xhelvetica11.fnt: ", "broken font"},
    {"screen-data file of the residence missing",
     [](const std::string& d) { fs::remove(d + "/data/screendat/residenz0.dat"); },
     "data/screendat/residenz0.dat: ", "missing (residence)"},
};

class CheckTest : public test::GameDirTest {};

TEST_F(CheckTest, EachDamageGivesItsOneProblem) {
  std::string error;
  {
    test::LogCapture quiet;
    ASSERT_TRUE(WriteDemo("demo", nullptr, &error)) << error;
  }
  int row = 0;
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.name);
    const std::string dir = "game" + std::to_string(row++);
    fs::copy("demo", dir, fs::copy_options::recursive);
    damage.apply(dir);

    std::ostringstream out, err;
    const int status = CheckGameDir(dir, out, err);
    const std::string text = out.str();
    const size_t first = text.find('\n');  // the one problem line, then the summary
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(status, damage.path ? 1 : 0) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), damage.path ? 2 : 1) << text;
    if (!damage.path) {
      EXPECT_EQ(text.rfind("vsk-data check: no problems in ", 0), 0u) << text;
      continue;
    }
    EXPECT_EQ(text.rfind(damage.path, 0), 0u) << text;
    EXPECT_NE(text.substr(0, first).find(damage.kind), std::string::npos) << text;
    EXPECT_EQ(text.find("vsk-data check: 1 problem in ", first), first + 1) << text;
  }
}

TEST_F(CheckTest, ADirectoryThatIsNotThereIsAUsageError) {
  test::WriteBytes("plain", {1});
  std::ostringstream out, err;
  EXPECT_EQ(CheckGameDir("nothing", out, err), 2);
  EXPECT_EQ(CheckGameDir("plain", out, err), 2);
  EXPECT_NE(err.str().find("plain is not a directory"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(RunCheck({}), 2);
}

}  // namespace
}  // namespace vsk::data
