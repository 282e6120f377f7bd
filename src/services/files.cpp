#include "services/files.h"

#include <windows.h>

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/files.h"
#include "services/memory.h"

namespace vsk {

FileHandle Open(const char* path, int32_t mode) {
  const char* streamMode = nullptr;
  switch (mode) {
    case MODE_READWRITE:
    case MODE_OLDFILE:
    case 1007: streamMode = "rb+"; break;
    case MODE_NEWFILE: streamMode = "wb+"; break;
    default: std::printf("Open:Unbekanntes Flag.\n"); return nullptr;
  }
  return platform::OpenFile(path, streamMode);
}

void Close(FileHandle file) {
  if (file) std::fclose(file);
}

void Read(FileHandle file, void* buffer, uint32_t length) {
  if (file && buffer && length) (void)std::fread(buffer, 1, length, file);
}

void Write(FileHandle file, const void* buffer, uint32_t length) {
  if (file && buffer && length) (void)std::fwrite(buffer, 1, length, file);
}

int32_t Seek(FileHandle file, int32_t offset, int32_t origin) {
  int whence;
  switch (origin) {
    case OFFSET_BEGINNING: whence = SEEK_SET; break;
    case OFFSET_CURRENT: whence = SEEK_CUR; break;
    case OFFSET_END: whence = SEEK_END; break;
    default: return -1;
  }
  if (!file || std::fseek(file, offset, whence) != 0) {
    std::printf("Seek : Konnte File Pointer nicht richtig setzen .\n");
    return -1;
  }
  return static_cast<int32_t>(std::ftell(file));
}

uint32_t FileLength(FileHandle file) {
  if (!file) return 0;
  long position = std::ftell(file);
  if (position < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  long length = std::ftell(file);
  std::fseek(file, position, SEEK_SET);
  return length < 0 ? 0 : static_cast<uint32_t>(length);
}

uint32_t GetFileSize(const char* path) {
  struct stat st;
  std::string resolved = platform::ResolvePath(path);
  if (!path || stat(resolved.c_str(), &st) != 0) {
    std::printf("GetFileSize: Fehler Code : %d .\n", path ? errno : EINVAL);
    return 0;
  }
  return static_cast<uint32_t>(st.st_size);
}

void* LoadFile(const char* path, uint32_t flags, uint32_t* length) {
  (void)flags;
  if (length) *length = 0;
  if (!path || !platform::CanRead(path)) return nullptr;
  // Read access is all a load needs, so read-only game data loads too.
  FileHandle file = platform::OpenFile(path, "rb");
  if (!file) return nullptr;
  uint32_t size = GetFileSize(path);
  void* block = AllocVec(size, MEMF_CLEAR);
  if (!block) {
    Close(file);
    return nullptr;
  }
  Read(file, block, size);
  Close(file);
  if (length) *length = size;
  return block;
}

bool ReplaceFileContents(const char* path, const void* buffer, uint32_t length) {
  if (!path) return false;
  std::string temporary = std::string(path) + ".new";
  FileHandle file = Open(temporary.c_str(), MODE_NEWFILE);
  if (!file) return false;
  Write(file, buffer, length);
  bool written = !std::ferror(file) && platform::SyncFile(file);
  written = (std::fclose(file) == 0) && written;
  if (!written || !platform::MoveFileOver(temporary.c_str(), path)) {
    platform::RemoveFile(temporary.c_str());
    return false;
  }
  return true;
}

int32_t SaveMem2File(const char* path, const void* buffer, uint32_t length) {
  if (!ReplaceFileContents(path, buffer, length)) {
    std::printf("SaveMem2File: Konnte das File <%s> nicht speichern.\n", path ? path : "(null)");
    return 0;
  }
  return 1;
}

uint32_t ReadLong(FileHandle file) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t byte = 0;
    Read(file, &byte, 1);
    value = (value << 8) | byte;
  }
  return value;
}

int32_t ReadWord(FileHandle file) {
  uint8_t high = 0, low = 0;
  Read(file, &high, 1);
  Read(file, &low, 1);
  return high * 256 + low;
}

FileLock Lock(const char* path, int32_t mode) {
  if (!path) return 0;
  char full[MAX_PATH];
  DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return 0;
  DWORD attributes = GetFileAttributesA(full);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return 1;
  HANDLE handle = mode == EXCLUSIVE_LOCK
                      ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)
                      : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  return reinterpret_cast<FileLock>(handle);
}

void UnLock(FileLock lock) {
  if (lock != 0 && lock != 1) CloseHandle(reinterpret_cast<HANDLE>(lock));
}

FileLock CreateDir(const char* path) {
  if (FileLock lock = Lock(path, SHARED_LOCK)) return lock;
  char full[MAX_PATH];
  DWORD length = path ? GetFullPathNameA(path, MAX_PATH, full, nullptr) : 0;
  if (length == 0 || length >= MAX_PATH) {
    std::printf("Konnte aktuellen Pfad nicht einlesen...\n");
    return 0;
  }
  if (!CreateDirectoryA(full, nullptr)) {
    std::printf("Konnte Verzeichnis %s nicht anlegen !\n", full);
    return 0;
  }
  FileLock lock = Lock(path, SHARED_LOCK);
  if (!lock) std::printf("Konnte Verzeichnis nicht locken obwohl es vorhanden sein sollte \n");
  return lock;
}

}  // namespace vsk
