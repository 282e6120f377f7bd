// The client program: the process entry hands its arguments to WinMain as
// the command line Windows would give it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pictures/replay.h"
#include "platform/interrupt.h"
#include "platform/log_file.h"
#include "startup/command_line.h"
#include "startup/entry.h"
#include "startup/outcome.h"

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

// The log also goes to veskaria.log in the user's state directory, the last
// three runs kept. The game writes its log with printf at the line ends it
// chooses; standard output is turned into a stream that writes each line to
// the console and the file at the moment it goes out (platform/log_file), so
// a crash or a kill loses no line from either, unlike a pipe to a copying
// thread. Without a file the client runs on with standard output alone.
void OpenLogFile() {
  if (!vsk::platform::LogFileWanted()) return;
  std::string error;
  std::string path = vsk::platform::PrepareLogFile(vsk::platform::LogDirectory(), &error);
  if (path.empty() || !vsk::platform::TeeStandardOutput(path, &error))
    std::fprintf(stderr, "vsk-client: no log file (%s); the log goes to standard output only\n", error.c_str());
}

// "--help" and "--version" as the first argument answer and end the program
// before anything starts; true when it was one of them.
bool AnswerInformationRequest(const std::string& first) {
  if (first == "--version") {
    std::printf("%s\n", vsk::kVersionLine);
    return true;
  }
  if (first != "--help") return false;
  std::printf(
      "vsk-client: the Veskaria game client, started in the game directory.\n"
      "\n"
      "Usage: vsk-client [-gl]\n"
      "  -gl        the OpenGL presenter (800 x 600 over a turning backdrop);\n"
      "             without it the DirectDraw presenter (the 640 x 480 screen)\n"
      "  --record FILE, --replay FILE (anywhere among the arguments)\n"
      "             write the game's input and random seeds to FILE, or play\n"
      "             them back from it\n"
      "  --help     this text\n"
      "  --version  the version line\n"
      "\n"
      "Keys: the mouse plays; a right-click (or closing the window) leaves a\n"
      "screen, on the residence it ends the game. F1 switches the OpenGL\n"
      "presenter between a window and full screen.\n"
#ifndef _WIN32
      "Alt+Enter or F11 switch the DirectDraw display between full screen and a\n"
      "window. Ctrl+C in the terminal ends the client in order.\n"
#endif
      "\n"
#ifdef _WIN32
      "Log: %%LOCALAPPDATA%%\\Veskaria\\veskaria.log (the last three runs:\n"
      "     veskaria.log, veskaria.1.log, veskaria.2.log)\n"
#else
      "Display settings: $XDG_CONFIG_HOME/veskaria/display.ini\n"
      "                  (by default ~/.config/veskaria/display.ini)\n"
      "Log: standard output, and $XDG_STATE_HOME/veskaria/veskaria.log\n"
      "     (by default ~/.local/state/veskaria/; the last three runs:\n"
      "     veskaria.log, veskaria.1.log, veskaria.2.log);\n"
      "     \"vsk-data log FILE\" shows one in UTF-8\n"
#endif
  );
  return true;
}

// The process's exit status: a failed start or a game thread stopped by a
// fatal exception is said in one sentence on standard error (the log stays
// as it is) and ends the process with its own status; otherwise the window
// loop's result.
int ExitStatus(int loopResult) {
  vsk::StopInputRecordingOrReplay();
  const int status = vsk::RunFailureStatus();
  if (status == 0) return loopResult;
  std::fprintf(stderr, "vsk-client: %s\n", vsk::RunFailureSentence().c_str());
  return status;
}

// A recording or replay of the input asked for on the command line; a
// wrong one ends the start with one sentence.
bool StartInputOptions(const std::vector<std::string>& arguments) {
  std::string error;
  if (vsk::StartInputOptions(arguments, &error)) return true;
  std::fprintf(stderr, "vsk-client: %s\n", error.c_str());
  return false;
}

}  // namespace

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
  std::string first;
  if (vsk::FirstArgument(commandLine, &first) && AnswerInformationRequest(first)) return 0;
  OpenLogFile();
  FlushLogByLine();
  if (!StartInputOptions(vsk::SplitCommandLine(commandLine))) return 2;
  return ExitStatus(vsk::WinMain(instance, previous, commandLine, showCommand));
}
#else
int main(int argc, char** argv) {
  if (argc > 1 && AnswerInformationRequest(argv[1])) return 0;
  OpenLogFile();
  FlushLogByLine();
  vsk::platform::EndOnInterrupt();
  // Each argument quoted, so that the run-time's split gives back argv[1]
  // itself as the first argument.
  std::string commandLine = vsk::QuotedCommandLine(argc - 1, argv + 1);
  if (!StartInputOptions(std::vector<std::string>(argv + 1, argv + argc))) return 2;
  return ExitStatus(vsk::WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWNORMAL));
}
#endif
