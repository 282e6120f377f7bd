// The first argument as the C run-time splits WinMain's command line, and
// the quoting that hands a Linux argv to it unchanged.
#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vsk {
namespace {

struct Split {
  const char* line;
  bool has;
  const char* first;
};

TEST(CommandLine, FirstArgumentSplitsAsTheRunTime) {
  const Split cases[] = {
      {nullptr, false, ""},
      {" \t ", false, ""},
      {"-gl", true, "-gl"},
      {"  -gl\tmore", true, "-gl"},
      {"\"-gl\"", true, "-gl"},
      {"\"-gl x\" y", true, "-gl x"},
      {"-g\"l\"x", true, "-glx"},
      {"\"\"", true, ""},
      {"\\\"-gl\\\"", true, "\"-gl\""},
      {"\\\\\"-gl\"", true, "\\-gl"},
      {"a\\b\\\\c", true, "a\\b\\\\c"},
      {"\"a\"\"b\" c", true, "a\"b"},
      {"\"open", true, "open"},
  };
  for (const Split& c : cases) {
    std::string first = "stale";
    EXPECT_EQ(FirstArgument(c.line, &first), c.has) << (c.line ? c.line : "null");
    EXPECT_EQ(first, c.first) << (c.line ? c.line : "null");
  }
}

TEST(CommandLine, QuotedArgumentsComeBackExactly) {
  const char* arguments[] = {"-gl", "-gl x", "", "a\"b", "\\", "tail\\", "\\\"", "c:\\path with\\ space\\"};
  const std::string line = QuotedCommandLine(8, arguments);
  EXPECT_EQ(SplitCommandLine(line.c_str()), std::vector<std::string>(arguments, arguments + 8)) << line;
  EXPECT_EQ(QuotedCommandLine(0, nullptr), "");
  EXPECT_TRUE(SplitCommandLine(" \t").empty());
}

TEST(CommandLine, InputOptionsNeedTheirFileAndExcludeEachOther) {
  using Args = std::vector<std::string>;
  std::string error;
  EXPECT_TRUE(StartInputOptions(Args{"-gl", "x"}, &error));
  for (const Args& wrong : {Args{"-gl", "--record"}, Args{"--replay", ""}, Args{"--record", "a", "--replay", "b"},
                            Args{"--replay", "/nonexistent/run.rec"}}) {
    error.clear();
    EXPECT_FALSE(StartInputOptions(wrong, &error)) << wrong[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace vsk
