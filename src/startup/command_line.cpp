#include "startup/command_line.h"

namespace vsk {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool FirstArgument(const char* commandLine, std::string* argument) {
  argument->clear();
  if (!commandLine) return false;
  const char* p = commandLine;
  while (IsBlank(*p)) ++p;
  if (*p == '\0') return false;
  bool quoted = false;
  while (*p != '\0' && (quoted || !IsBlank(*p))) {
    size_t backslashes = 0;
    while (*p == '\\') ++backslashes, ++p;
    if (*p != '"') {
      argument->append(backslashes, '\\');
      if (*p != '\0' && (quoted || !IsBlank(*p))) argument->push_back(*p++);
      continue;
    }
    argument->append(backslashes / 2, '\\');
    if (backslashes % 2 == 1) {
      argument->push_back('"');
    } else if (quoted && p[1] == '"') {
      argument->push_back('"');
      ++p;
    } else {
      quoted = !quoted;
    }
    ++p;
  }
  return true;
}

std::string QuotedCommandLine(int count, const char* const* arguments) {
  std::string line;
  for (int i = 0; i < count; ++i) {
    if (i > 0) line += ' ';
    line += '"';
    size_t backslashes = 0;
    for (const char* p = arguments[i]; *p != '\0'; ++p) {
      if (*p == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes before a quote are doubled, and the quote escaped.
      line.append(*p == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += *p;
    }
    // Before the closing quote they are doubled too.
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

}  // namespace vsk
