// The command line as the C run-time splits it into arguments.
#pragma once

#include <string>

namespace vsk {

// The first argument of a command line that does not hold the program's
// name (WinMain's), split as Windows' C run-time splits it: spaces and tabs
// end an argument outside quotes, quotes group and are dropped, 2n
// backslashes before a quote give n backslashes, 2n + 1 give n and a literal
// quote, "" inside quotes is a literal quote. False when there is none.
bool FirstArgument(const char* commandLine, std::string* argument);

// The arguments joined into one command line that the split above gives
// back exactly, each one whatever it holds (spaces, quotes, backslashes or
// nothing at all).
std::string QuotedCommandLine(int count, const char* const* arguments);

}  // namespace vsk
