// The first argument as the C run-time splits WinMain's command line, and
// the quoting that hands a Linux argv to it unchanged.
#include "startup/command_line.h"

#include <gtest/gtest.h>

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
  for (const char* argument : {"-gl", "-gl x", "", "a\"b", "\\", "tail\\", "\\\"", "c:\\path with\\ space\\"}) {
    const char* arguments[] = {argument, "-gl"};
    std::string first;
    ASSERT_TRUE(FirstArgument(QuotedCommandLine(2, arguments).c_str(), &first)) << argument;
    EXPECT_EQ(first, argument);
  }
  EXPECT_EQ(QuotedCommandLine(0, nullptr), "");
}

}  // namespace
}  // namespace vsk
