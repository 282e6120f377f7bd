// The client program: the process entry hands its arguments to WinMain as
// the command line Windows would give it.
#include <cstdio>
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
  std::string error;
  std::string path = vsk::platform::PrepareLogFile(vsk::platform::LogDirectory(), &error);
  if (path.empty() || !vsk::platform::TeeStandardOutput(path, &error))
    std::fprintf(stderr, "vsk-client: no log file (%s); the log goes to standard output only\n", error.c_str());
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
  OpenLogFile();
  FlushLogByLine();
  if (!StartInputOptions(vsk::SplitCommandLine(commandLine))) return 2;
  return ExitStatus(vsk::WinMain(instance, previous, commandLine, showCommand));
}
#else
int main(int argc, char** argv) {
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
