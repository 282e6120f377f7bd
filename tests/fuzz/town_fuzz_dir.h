// The game directory the town fuzz targets run in: the demo's town
// templates, the capital's map position, general preferences that store
// towns, and helpers that put the town directory back between inputs.
#pragma once

#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/prefs.h"
#include "pictures/events.h"
#include "services/memory_faults.h"
#include "towns/town.h"
#include "vsk-data/demo.h"
#include "vsk-data/write_chunk.h"
#include "vsk-data/write_file.h"
#include "vsk-data/write_screendata.h"

namespace town_fuzz {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

inline void Put(const std::string& path, const void* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

inline void Put(const std::string& path, const std::vector<uint8_t>& bytes) { Put(path, bytes.data(), bytes.size()); }

// Makes a temporary game directory the working directory and fills it.
inline void MakeGameDirectory(const char* name) {
  std::string dir = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  std::filesystem::create_directories("data/ScreenDat");
  std::filesystem::create_directories("data/Cities");
  Put("data/ScreenDat/Info_Stadt.dat", vsk::data::BuildScreenData(vsk::data::TownScreenData()));
  vsk::data::MrefChunk mref;
  mref.mapX = 120;
  mref.mapY = 85;
  Put("data/MapPrefs.vsk", vsk::data::BuildChunk("MREF", vsk::data::BuildMrefBody(mref)));
  vsk::CheckPrefs(0, 1, 2);  // towns are stored
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
}

// Empties the town directory.
inline void ClearTowns() {
  for (const auto& entry : std::filesystem::directory_iterator("data/Cities")) std::filesystem::remove_all(entry);
}

// Runs a town function with ten timer ticks queued, so that a town found
// with the right size loads without waiting; what is left of the ticks is
// taken away afterwards.
template <typename F>
auto WithTicks(F call) {
  const DWORD me = GetCurrentThreadId();
  for (int i = 0; i < 10; ++i) PostThreadMessageA(me, WM_TIMER, vsk::kWindowTimerId, 0);
  auto result = call();
  PostThreadMessageA(me, WM_USER + 99, 0, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_USER + 99) {
  }
  return result;
}

// A town record handed back must be a whole record with a terminated name.
inline void CheckTown(const vsk::Town* town) {
  if (!town) return;
  Check(std::memchr(town->name, 0, sizeof town->name) != nullptr);
}

}  // namespace town_fuzz
