#include "platform/files.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace vsk::platform {

std::string ParentDirectory(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

#ifdef _WIN32

std::string ResolvePath(const char* path) { return path ? std::string(path) : std::string(); }

FILE* OpenFile(const char* path, const char* mode) { return _fsopen(path, mode, _SH_DENYNO); }

bool SyncFile(FILE* file) { return fflush(file) == 0 && _commit(_fileno(file)) == 0; }

bool MoveFileOver(const char* tempPath, const char* path) {
  return MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool CanRead(const char* path) { return _access(path, 4) == 0; }

bool IsReadOnly(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

#else

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to case; the
// alphabetically first one when several do, so the choice never varies.
bool FindWithoutCase(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  std::vector<std::string> matches;
  while (dirent* entry = readdir(d)) {
    if (strcasecmp(entry->d_name, name.c_str()) == 0) matches.emplace_back(entry->d_name);
  }
  closedir(d);
  if (matches.empty()) return false;
  found = matches.front();
  for (const std::string& m : matches) {
    if (m < found) found = m;
  }
  return true;
}

bool HasNoWriteBits(const std::string& resolved) {
  struct stat st;
  return stat(resolved.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

}  // namespace

std::string ResolvePath(const char* path) {
  if (!path) return std::string();
  std::string given(path);
  for (char& c : given) {
    if (c == '\\') c = '/';
  }
  std::string result;
  size_t pos = 0;
  if (!given.empty() && given[0] == '/') {
    result = "/";
    pos = 1;
  }
  bool matching = true;  // false once a component does not exist at all
  while (pos <= given.size()) {
    size_t end = given.find('/', pos);
    if (end == std::string::npos) end = given.size();
    std::string component = given.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty()) continue;
    std::string dir = result;
    if (!result.empty() && result.back() != '/') result += '/';
    if (!matching || component == "." || component == "..") {
      result += component;
      continue;
    }
    if (Exists(result + component)) {
      result += component;
      continue;
    }
    std::string found;
    if (FindWithoutCase(dir, component, found)) {
      result += found;
    } else {
      result += component;
      matching = false;
    }
  }
  return result;
}

FILE* OpenFile(const char* path, const char* mode) {
  if (!path || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  std::string resolved = ResolvePath(path);
  struct stat st;
  if (stat(resolved.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    // Windows opens no directory as a file stream; neither does the game.
    errno = EISDIR;
    return nullptr;
  }
  bool writes = strpbrk(mode, "wa+") != nullptr;
  bool creates = strpbrk(mode, "wa") != nullptr;
  if (writes) {
    if (Exists(resolved)) {
      if (HasNoWriteBits(resolved)) {
        errno = EACCES;
        return nullptr;
      }
    } else if (creates && HasNoWriteBits(ParentDirectory(resolved))) {
      errno = EACCES;
      return nullptr;
    }
  }
  return fopen(resolved.c_str(), mode);
}

bool SyncFile(FILE* file) { return fflush(file) == 0 && fsync(fileno(file)) == 0; }

bool MoveFileOver(const char* tempPath, const char* path) {
  std::string target = ResolvePath(path);
  if (Exists(target) && HasNoWriteBits(target)) {
    errno = EACCES;
    return false;
  }
  return rename(ResolvePath(tempPath).c_str(), target.c_str()) == 0;
}

bool RemoveFile(const char* path) { return unlink(ResolvePath(path).c_str()) == 0; }

bool CanRead(const char* path) { return access(ResolvePath(path).c_str(), R_OK) == 0; }

bool IsReadOnly(const char* path) { return HasNoWriteBits(ResolvePath(path)); }

#endif

}  // namespace vsk::platform
