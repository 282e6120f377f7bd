// Sound lists and samples from outside: any bytes as "./data/sfxpath" (and
// as the sample file its seeds name) must load a sound or give the
// documented failure, never read outside the list or the file, and never
// leak; released sounds come back from the cache.
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/context.h"
#include "core/presenter_state.h"
#include "services/byteorder.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "sound/sfx.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Put(const char* path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path, "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
}

// Sizes beyond a megabyte are real loads of that size: right, but too slow
// for a fuzz run. Unit tests cover the large and the impossible ones.
bool SizesAreSmall(const uint8_t* data, size_t size) {
  if (size < 36) return true;
  const uint64_t count = vsk::ReadBE32(data + 32);
  for (uint64_t id = 1; id <= count && 36 + id * 20 <= size; ++id)
    if (vsk::ReadBE32(data + 36 + (id - 1) * 20 + 4) > (1u << 20)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = (std::filesystem::temp_directory_path() / "vsk-sound-fuzz-XXXXXX").string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  std::filesystem::create_directories("data/sfx");
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VeskariaSoundFuzz";
  RegisterClassA(&windowClass);
  vsk::WindowHandle = CreateWindowExA(0, "VeskariaSoundFuzz", "Veskaria / Fuzz", WS_POPUP, 0, 0, 64, 64, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
  vsk::System.options.optionFlags = vsk::kSoundEffects;
  // DirectSound is opened once; there is no list yet, so no click either.
  vsk::InitSoundEnv(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!SizesAreSmall(data, size)) return 0;
  Put("data/sfxpath", data, size);
  Put("data/sfx/klick.raw", data, size);
  const int64_t live = vsk::LiveAllocVecBlocks();

  for (uint16_t id : {1, 2, 3, 2}) {
    if (vsk::OpenKadunSFX(vsk::kSoundList, id)) {
      vsk::SfxPlayer(id, 0, 0);
      vsk::ReleaseSfx(id);  // into the cache, and from there on the next round
    }
  }
  for (uint32_t i = 0; i < vsk::kSoundCacheSlots; ++i) {
    vsk::FreeVec(vsk::SoundCache[i]);
    vsk::SoundCache[i] = nullptr;
    vsk::SoundCacheSizes[i] = 0;
  }
  Check(vsk::LiveAllocVecBlocks() == live);
  for (int slot = 0; slot < vsk::kSoundSlots; ++slot) Check(vsk::System.soundIds[slot] == 0);
  return 0;
}
