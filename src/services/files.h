// Dos-style file services: handles opened with access modes, whole-file
// loads and saves, big-endian reads, locks and directories. Every path goes
// through platform/files, so '\' separators and any case of a name work.
#pragma once

#include <cstdint>
#include <cstdio>

namespace vsk {

// A buffered binary stream opened in shared mode; null means no file.
using FileHandle = FILE*;

constexpr int32_t MODE_READWRITE = 1004;
constexpr int32_t MODE_OLDFILE = 1005;
constexpr int32_t MODE_NEWFILE = 1006;

constexpr int32_t OFFSET_BEGINNING = -1;
constexpr int32_t OFFSET_CURRENT = 0;
constexpr int32_t OFFSET_END = 1;

constexpr int32_t SHARED_LOCK = 2;     // shared read
constexpr int32_t EXCLUSIVE_LOCK = 1;  // exclusive read-write

// 0: the object does not exist or cannot be opened; 1: a directory (no
// handle held); anything else: an open system file handle. Pointer-sized,
// since a handle is.
using FileLock = uintptr_t;

// Modes 1004, 1005 and 1007 open an existing file for reading and writing,
// 1006 creates or truncates one. Other modes log "Open:Unbekanntes Flag.\n".
FileHandle Open(const char* path, int32_t mode);
void Close(FileHandle file);
void Read(FileHandle file, void* buffer, uint32_t length);
void Write(FileHandle file, const void* buffer, uint32_t length);

// Moves from the origin (-1 start, 0 current, 1 end) and returns the new
// position, or -1.
int32_t Seek(FileHandle file, int32_t offset, int32_t origin);

uint32_t FileLength(FileHandle file);
uint32_t GetFileSize(const char* path);

// A new block holding the whole file (read-only files load too), or null.
// The memory flags are accepted; the block is always cleared. When length
// is given it receives the block's size.
void* LoadFile(const char* path, uint32_t flags, uint32_t* length = nullptr);

// Writes buffer as the file at path through a temporary file that replaces
// the old one at the end. 1 on success, 0 on failure.
int32_t SaveMem2File(const char* path, const void* buffer, uint32_t length);

// The same without a log line: writes "<path>.new", puts it on disk and
// renames it over path, so a crash in the middle never leaves half a file
// and a failure keeps the old one. True on success; the temporary file is
// gone either way.
bool ReplaceFileContents(const char* path, const void* buffer, uint32_t length);

// Big-endian reads of single bytes; missing bytes read as 0.
uint32_t ReadLong(FileHandle file);
int32_t ReadWord(FileHandle file);

FileLock Lock(const char* path, int32_t mode);
void UnLock(FileLock lock);

// Creates one directory level (the parent must exist) and locks it.
FileLock CreateDir(const char* path);

}  // namespace vsk
