#include "platform/interrupt.h"

#include <atomic>

#ifndef _WIN32
#include <signal.h>
#endif

namespace vsk::platform {

namespace {

// Lock-free, so the handler may set it (async-signal-safe); nothing else
// happens in the handler.
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifndef _WIN32
void NoteInterrupt(int) { gInterrupted.store(true); }
#endif

}  // namespace

void EndOnInterrupt() {
#ifndef _WIN32
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  // A signal the client was started with ignored stays ignored, as a job
  // started in the background is meant to be immune to the terminal's
  // Ctrl+C.
  for (int signal : {SIGINT, SIGTERM}) {
    struct sigaction previous {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
#endif
}

bool InterruptRequested() { return gInterrupted.load(); }

}  // namespace vsk::platform
