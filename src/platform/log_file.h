// The log file beside standard output: the client's log also goes to
// veskaria.log in the user's state directory, where a player finds it (on
// Windows, where a GUI process has no standard output, it is the log). The
// last three runs are kept: veskaria.log, veskaria.1.log, veskaria.2.log.
#pragma once

#include <cstdio>
#include <string>

namespace vsk::platform {

// The directory of the log: $XDG_STATE_HOME/veskaria, by default
// ~/.local/state/veskaria; on Windows %LOCALAPPDATA%\Veskaria. Empty when
// the environment names none.
std::string LogDirectory();

// Makes the directory (and its parents) and moves the older logs on:
// veskaria.1.log becomes veskaria.2.log (the oldest is dropped),
// veskaria.log becomes veskaria.1.log. The path of the new log, or empty
// with the reason in *error.
std::string PrepareLogFile(const std::string& directory, std::string* error);

// A write-only stream whose every write goes to both descriptors, first
// `console`, then `file`; a failing one does not keep the bytes from the
// other. Null where the C library has no custom streams (Windows).
std::FILE* OpenTeeStream(int console, int file);

// Whether this run writes a log file: always, except on Windows when the
// caller redirected standard output, which is then where it wanted the log.
bool LogFileWanted();

// Standard output from now on also goes to the log file at `path` (created
// afresh), line by line as it is written. False with the reason in *error;
// standard output is then as it was.
bool TeeStandardOutput(const std::string& path, std::string* error);

}  // namespace vsk::platform
