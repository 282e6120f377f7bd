#include "startup/command_line.h"

#include "pictures/replay.h"

namespace vsk {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits the argument at *p off and moves *p behind it. False at the end of
// the line.
bool NextArgument(const char** at, std::string* argument) {
  argument->clear();
  const char* p = *at;
  while (IsBlank(*p)) ++p;
  if (*p == '\0') {
    *at = p;
    return false;
  }
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
  *at = p;
  return true;
}

}  // namespace

bool FirstArgument(const char* commandLine, std::string* argument) {
  argument->clear();
  return commandLine && NextArgument(&commandLine, argument);
}

std::vector<std::string> SplitCommandLine(const char* commandLine) {
  std::vector<std::string> arguments;
  std::string argument;
  while (commandLine && NextArgument(&commandLine, &argument)) arguments.push_back(argument);
  return arguments;
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

bool StartInputOptions(const std::vector<std::string>& arguments, std::string* error) {
  const std::string* record = nullptr;
  const std::string* replay = nullptr;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] != "--record" && arguments[i] != "--replay") continue;
    if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
      *error = arguments[i] + " needs a file name";
      return false;
    }
    (arguments[i] == "--record" ? record : replay) = &arguments[++i];
  }
  if (record && replay) {
    *error = "--record and --replay cannot be used together";
    return false;
  }
  if (record) return StartInputRecording(record->c_str(), error);
  if (replay) return StartInputReplay(replay->c_str(), error);
  return true;
}

}  // namespace vsk
