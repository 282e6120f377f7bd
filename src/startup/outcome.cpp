#include "startup/outcome.h"

#include <mutex>

#include "platform/files.h"
#include "startup/setup.h"

namespace vsk {

namespace {

std::mutex gLock;
int gStatus = 0;
std::string gSentence;

}  // namespace

void NoteRunFailure(int status, const std::string& sentence) {
  std::lock_guard<std::mutex> lock(gLock);
  if (gStatus != 0) return;
  gStatus = status;
  gSentence = sentence;
}

void NoteStartFailure(const std::string& what) {
  // Without its picture list the directory is no game directory: the
  // likeliest cause is a client started somewhere else.
  if (!platform::CanRead(kPicturePathList)) {
    NoteRunFailure(kExitStartFailed, std::string("no game data here (") + kPicturePathList +
                                         " is missing); start it in the game directory");
    return;
  }
  NoteRunFailure(kExitStartFailed, what);
}

int RunFailureStatus() {
  std::lock_guard<std::mutex> lock(gLock);
  return gStatus;
}

std::string RunFailureSentence() {
  std::lock_guard<std::mutex> lock(gLock);
  return gSentence;
}

void ForgetRunFailure() {
  std::lock_guard<std::mutex> lock(gLock);
  gStatus = 0;
  gSentence.clear();
}

}  // namespace vsk
