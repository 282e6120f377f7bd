// Ctrl+C and SIGTERM end the client in order, as closing its window does
// not quite: the window loop gets its quit message, the window thread's
// clean-up runs, the log ends with its end line. The game thread is held
// where it is (its screen interrupted, the preferences' running mark left
// set, as after any run that did not end its screens). Windows: nothing
// (a GUI process gets no console signals).
#pragma once

namespace vsk::platform {

// Installs the handlers for SIGINT and SIGTERM, unless the process was
// started with the signal ignored. Each only notes the request;
// the window thread takes it at its next look at its events (within a
// quarter of a second). The handlers go back to the default action when
// they run, so a second Ctrl+C while the client ends ends it at once.
void EndOnInterrupt();

// True once SIGINT or SIGTERM arrived after EndOnInterrupt.
bool InterruptRequested();

}  // namespace vsk::platform
