// The Win32 file calls the game makes: full path names, attributes, opening
// files as kernel handles (with Windows' sharing rules inside this process)
// and creating directories. Every path goes through platform/files.
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "kernel32_handle.h"
#include "platform/files.h"
#include "unsupported.h"

namespace {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
  }
}

bool NoWriteBits(const struct stat& st) { return (st.st_mode & 0222) == 0; }

// An open file. The table of open files lets a new open be checked against
// the access and sharing of the opens that came before, as Windows does.
struct FileObject : vsk::platform::KernelObject {
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  DWORD access = 0;
  DWORD share = 0;
  ~FileObject() override;
};

std::mutex gOpenFilesLock;
std::vector<FileObject*>& OpenFiles() {
  static auto* files = new std::vector<FileObject*>();
  return *files;
}

FileObject::~FileObject() {
  {
    std::lock_guard<std::mutex> lock(gOpenFilesLock);
    auto& files = OpenFiles();
    for (auto it = files.begin(); it != files.end(); ++it) {
      if (*it == this) {
        files.erase(it);
        break;
      }
    }
  }
  if (fd >= 0) close(fd);
}

bool SharingAllows(const FileObject& earlier, DWORD access, DWORD share) {
  if ((access & GENERIC_READ) && !(earlier.share & FILE_SHARE_READ)) return false;
  if ((access & GENERIC_WRITE) && !(earlier.share & FILE_SHARE_WRITE)) return false;
  if ((earlier.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
  if ((earlier.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  return true;
}

}  // namespace

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
  if (!lpFileName || !*lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string given(lpFileName);
  for (char& c : given) {
    if (c == '\\') c = '/';
  }
  std::string full;
  if (given[0] != '/') {
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) {
      SetLastError(ErrorFromErrno(errno));
      return 0;
    }
    full = cwd;
    full += '/';
  }
  full += given;

  // Lexical normalisation, as Windows does it: "." and ".." and doubled
  // separators go, the file system is not asked.
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= full.size()) {
    size_t end = full.find('/', pos);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string normal;
  for (const std::string& part : parts) normal += "/" + part;
  if (normal.empty()) normal = "/";
  if (given.back() == '/' && normal != "/") normal += '/';

  DWORD length = static_cast<DWORD>(normal.size());
  if (!lpBuffer || nBufferLength < length + 1) return length + 1;
  std::memcpy(lpBuffer, normal.c_str(), length + 1);
  if (lpFilePart) {
    char* slash = std::strrchr(lpBuffer, '/');
    *lpFilePart = (slash && slash[1]) ? slash + 1 : nullptr;
  }
  return length;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string resolved = vsk::platform::ResolvePath(lpFileName);
  struct stat st;
  if (stat(resolved.c_str(), &st) != 0) {
    int error = errno;
    std::string parent = vsk::platform::ParentDirectory(resolved);
    bool parentMissing = error == ENOENT && access(parent.c_str(), F_OK) != 0;
    SetLastError(parentMissing ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (NoWriteBits(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
  (void)lpSecurityAttributes;
  (void)dwFlagsAndAttributes;
  if (hTemplateFile) VSK_UNSUPPORTED("CreateFileA with a template file");
  if (dwDesiredAccess & ~(GENERIC_READ | GENERIC_WRITE)) VSK_UNSUPPORTED("CreateFileA access other than read/write");
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }

  int flags = O_CLOEXEC;
  bool reads = dwDesiredAccess & GENERIC_READ;
  bool writes = dwDesiredAccess & GENERIC_WRITE;
  flags |= (reads && writes) ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }

  std::string resolved = vsk::platform::ResolvePath(lpFileName);
  struct stat st;
  bool exists = stat(resolved.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (exists && writes && NoWriteBits(st)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (!exists && (flags & O_CREAT)) {
    struct stat parent;
    if (stat(vsk::platform::ParentDirectory(resolved).c_str(), &parent) != 0) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    if (NoWriteBits(parent)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
  }

  std::lock_guard<std::mutex> lock(gOpenFilesLock);
  if (exists) {
    for (FileObject* earlier : OpenFiles()) {
      if (earlier->device == st.st_dev && earlier->inode == st.st_ino &&
          !SharingAllows(*earlier, dwDesiredAccess, dwShareMode)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
      }
    }
  }
  int fd = open(resolved.c_str(), flags, 0666);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat opened;
  fstat(fd, &opened);
  auto* file = new FileObject();
  file->fd = fd;
  file->device = opened.st_dev;
  file->inode = opened.st_ino;
  file->access = dwDesiredAccess;
  file->share = dwShareMode;
  OpenFiles().push_back(file);
  SetLastError(exists && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return vsk::platform::RegisterHandle(file);
}

BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
  (void)lpSecurityAttributes;
  if (!lpPathName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string resolved = vsk::platform::ResolvePath(lpPathName);
  while (resolved.size() > 1 && resolved.back() == '/') resolved.pop_back();
  struct stat st;
  if (stat(resolved.c_str(), &st) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  struct stat parent;
  if (stat(vsk::platform::ParentDirectory(resolved).c_str(), &parent) != 0 || !S_ISDIR(parent.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (NoWriteBits(parent)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (mkdir(resolved.c_str(), 0777) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}
