// The command line as the C run-time splits it into arguments.
#pragma once

#include <string>
#include <vector>

namespace vsk {

// The first argument of a command line that does not hold the program's
// name (WinMain's), split as Windows' C run-time splits it: spaces and tabs
// end an argument outside quotes, quotes group and are dropped, 2n
// backslashes before a quote give n backslashes, 2n + 1 give n and a literal
// quote, "" inside quotes is a literal quote. False when there is none.
bool FirstArgument(const char* commandLine, std::string* argument);

// Every argument of such a command line, split the same way.
std::vector<std::string> SplitCommandLine(const char* commandLine);

// The arguments joined into one command line that the split above gives
// back exactly, each one whatever it holds (spaces, quotes, backslashes or
// nothing at all).
std::string QuotedCommandLine(int count, const char* const* arguments);

// "--record FILE" or "--replay FILE" anywhere among the arguments starts
// the recording or the replay of the game thread's input (only one of them).
// False, with the reason in *error, for an option without its file, both
// options, or a file that cannot be used.
bool StartInputOptions(const std::vector<std::string>& arguments, std::string* error);

}  // namespace vsk
