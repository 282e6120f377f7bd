// The client program: the process entry hands its arguments to WinMain as
// the command line Windows would give it.
#include <cstdio>
#include <string>

#include "startup/entry.h"

namespace {

// The log must survive a crash or a kill: every line goes out as soon as it
// ends. Windows' run-time takes line buffering for full buffering, so there
// the log is not buffered at all.
void FlushLogByLine() {
#ifdef _WIN32
  std::setvbuf(stdout, nullptr, _IONBF, 0);
#else
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
#endif
}

}  // namespace

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  FlushLogByLine();
  return vsk::WinMain(instance, previous, commandLine, showCommand);
}
#else
int main(int argc, char** argv) {
  FlushLogByLine();
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return vsk::WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
#endif
