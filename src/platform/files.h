// Path resolution for every file the game opens or creates.
//
// The game names its files the Windows way: relative to the working
// directory, with '\' or '/' as separators and without regard to case
// ("./data/ScreenDat\Info_Stadt.dat" and "./data/screendat/info_stadt.dat"
// are one file). On Windows a path is used as given. Elsewhere '\' becomes
// '/', and every component that does not exist with the exact case given is
// matched against its directory's entries without regard to case; a file
// that is created takes the case of an existing match, else the case given.
//
// Windows' read-only attribute holds for every user, administrators
// included. So that a read-only game file behaves the same for root on
// Linux, opening a file without any write permission bit for writing is
// refused, and so is creating a file in a directory without any write bit.
#pragma once

#include <cstdio>
#include <string>

namespace vsk::platform {

// The path to hand to the operating system for a path as the game gives it.
std::string ResolvePath(const char* path);

// Opens a file with a C stream mode ("rb", "rb+", "wb+", ...), shared for
// reading and writing with other processes. Returns null on failure, with
// errno set.
FILE* OpenFile(const char* path, const char* mode);

// Flushes a stream and asks the system to put its bytes on disk.
bool SyncFile(FILE* file);

// Moves tempPath over path in one step, so that readers see either the old
// or the new file. Refused (false) when path exists and is read-only.
bool MoveFileOver(const char* tempPath, const char* path);

// Removes a file; true when it is gone.
bool RemoveFile(const char* path);

// True when a file or directory of that name exists and may be read.
bool CanRead(const char* path);

// True when the existing file or directory carries no write permission.
bool IsReadOnly(const char* path);

// The directory part of a resolved path ("." for a bare name).
std::string ParentDirectory(const std::string& path);

}  // namespace vsk::platform
