// How the run went, for the process's exit status. The window loop's result
// is 0 after an orderly end, but also after a start whose window could not
// be made and after a game thread stopped by a fatal exception; those note
// their failure here, and the program's entry ends the process with the
// noted status and says the noted sentence on standard error. The log is
// not touched.
#pragma once

#include <string>

namespace vsk {

// Exit statuses of a failed run. The data errors that end the process at
// once keep their status 1.
constexpr int kExitStartFailed = 2;     // the window or the set-up could not be made
constexpr int kExitFatalException = 3;  // the game thread was stopped by a fatal exception

// Notes a failure of this run; the first one noted stands. Any thread.
void NoteRunFailure(int status, const std::string& sentence);

// A failed set-up of the game (its files, preferences or sound). When the
// game's files are not there at all the sentence says so and where to start
// the client, instead of `what`.
void NoteStartFailure(const std::string& what);

// The noted status, 0 while nothing failed; and its sentence.
int RunFailureStatus();
std::string RunFailureSentence();

// Forgets the noted failure (the start of WinMain).
void ForgetRunFailure();

}  // namespace vsk
