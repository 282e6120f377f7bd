#include "platform/log_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vsk::platform {

namespace fs = std::filesystem;

namespace {

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

#ifndef _WIN32
// All of `size` bytes to a descriptor, through interruptions and partial
// writes; false when it refuses them.
bool WriteAll(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

struct Tee {
  int console;
  int file;
  bool owned;  // made by OpenTeeStream, given back when the stream closes
};

// The stream's buffer is handed over at each line's end (line buffering) and
// written to both descriptors at once, so a kill loses nothing that was
// already written out. A descriptor that fails (a closed pipe, a full disk)
// does not stop the other one; the stream reports the bytes as written so
// that it never falls into its error state and drops the rest of the log.
ssize_t TeeWrite(void* cookie, const char* bytes, size_t size) {
  auto* tee = static_cast<Tee*>(cookie);
  if (tee->console >= 0) WriteAll(tee->console, bytes, size);
  if (tee->file >= 0) WriteAll(tee->file, bytes, size);
  return static_cast<ssize_t>(size);
}

int TeeClose(void* cookie) {
  auto* tee = static_cast<Tee*>(cookie);
  if (tee->file >= 0) ::close(tee->file);
  if (tee->console >= 0) ::close(tee->console);
  if (tee->owned) delete tee;
  return 0;
}

// Standard output's tee lives as long as the process: the C library flushes
// standard output at exit but never closes it.
Tee gStandardOutputTee{-1, -1, false};

std::FILE* OpenTee(Tee* tee) {
  cookie_io_functions_t functions{};
  functions.write = TeeWrite;
  functions.close = TeeClose;
  return fopencookie(tee, "w", functions);
}
#endif

}  // namespace

std::string LogDirectory() {
#ifdef _WIN32
  std::string local = FromEnvironment("LOCALAPPDATA");
  return local.empty() ? "" : local + "\\Veskaria";
#else
  std::string state = FromEnvironment("XDG_STATE_HOME");
  // A relative XDG path is to be ignored, as the base directory rules say.
  if (!state.empty() && state[0] == '/') return state + "/veskaria";
  std::string home = FromEnvironment("HOME");
  return home.empty() ? "" : home + "/.local/state/veskaria";
#endif
}

std::string PrepareLogFile(const std::string& directory, std::string* error) {
  if (directory.empty()) {
    *error = "no state directory (neither XDG_STATE_HOME nor HOME is set)";
    return "";
  }
  std::error_code code;
  fs::create_directories(directory, code);
  if (code || !fs::is_directory(directory, code)) {
    *error = "cannot make " + directory + ": " + (code ? code.message() : "not a directory");
    return "";
  }
  const fs::path dir(directory);
  const fs::path newest = dir / "veskaria.log", older = dir / "veskaria.1.log", oldest = dir / "veskaria.2.log";
  // A missing file is no failure: the first runs have fewer logs.
  if (fs::exists(older, code)) fs::rename(older, oldest, code);
  if (fs::exists(newest, code)) fs::rename(newest, older, code);
  return newest.string();
}

std::FILE* OpenTeeStream(int console, int file) {
#ifdef _WIN32
  (void)console;
  (void)file;
  return nullptr;
#else
  auto* tee = new Tee{console, file, true};
  std::FILE* stream = OpenTee(tee);
  if (!stream) delete tee;
  return stream;
#endif
}

bool LogFileWanted() {
#ifdef _WIN32
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  return out == nullptr || out == INVALID_HANDLE_VALUE || _fileno(stdout) < 0;
#else
  return true;
#endif
}

bool TeeStandardOutput(const std::string& path, std::string* error) {
#ifdef _WIN32
  // A GUI process started from the desktop has no standard output: the file
  // becomes it.
  if (!std::freopen(path.c_str(), "wb", stdout)) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
#else
  std::fflush(stdout);
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (file < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  // The stream writes to its own copy of the console's descriptor: the
  // descriptor 1 itself stays what it was for child processes and for
  // anything that writes to it directly.
  const int console = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  gStandardOutputTee = Tee{console, file, false};
  std::FILE* stream = OpenTee(&gStandardOutputTee);
  if (!stream) {
    *error = std::string("cannot make the log stream: ") + std::strerror(errno);
    if (console >= 0) ::close(console);
    ::close(file);
    return false;
  }
  // glibc's stdout is an assignable variable: every printf of the game goes
  // through the tee from now on. The old stream keeps its descriptor.
  stdout = stream;
  return true;
#endif
}

}  // namespace vsk::platform
