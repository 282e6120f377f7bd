// The client program: the process entry hands its arguments to WinMain as
// the command line Windows would give it.
#include <string>

#include "startup/entry.h"

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  return vsk::WinMain(instance, previous, commandLine, showCommand);
}
#else
int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return vsk::WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL);
}
#endif
