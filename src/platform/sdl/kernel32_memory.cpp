// GlobalMemoryStatus from the kernel's own figures (/proc/meminfo, with
// sysinfo(2) as the fallback).
#include <windows.h>

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace {

struct Figures {
  unsigned long long total = 0, available = 0, swapTotal = 0, swapFree = 0;
  bool haveAvailable = false;
};

bool ReadMeminfo(Figures& f) {
  FILE* file = std::fopen("/proc/meminfo", "r");
  if (!file) return false;
  char line[256];
  bool haveTotal = false;
  while (std::fgets(line, sizeof line, file)) {
    char key[64];
    unsigned long long kib = 0;
    if (std::sscanf(line, "%63[^:]: %llu", key, &kib) != 2) continue;
    unsigned long long bytes = kib * 1024ULL;
    if (!std::strcmp(key, "MemTotal")) {
      f.total = bytes;
      haveTotal = true;
    } else if (!std::strcmp(key, "MemAvailable")) {
      f.available = bytes;
      f.haveAvailable = true;
    } else if (!std::strcmp(key, "SwapTotal")) {
      f.swapTotal = bytes;
    } else if (!std::strcmp(key, "SwapFree")) {
      f.swapFree = bytes;
    }
  }
  std::fclose(file);
  return haveTotal && f.haveAvailable;
}

}  // namespace

void GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {
  if (!lpBuffer) return;
  Figures f;
  if (!ReadMeminfo(f)) {
    struct sysinfo info;
    if (sysinfo(&info) == 0) {
      f.total = static_cast<unsigned long long>(info.totalram) * info.mem_unit;
      f.available = static_cast<unsigned long long>(info.freeram + info.bufferram) * info.mem_unit;
      f.swapTotal = static_cast<unsigned long long>(info.totalswap) * info.mem_unit;
      f.swapFree = static_cast<unsigned long long>(info.freeswap) * info.mem_unit;
    }
  }
  if (f.available > f.total) f.available = f.total;

  // The address space of a 64-bit Windows process (128 TiB), unless a limit
  // is set for this one.
  unsigned long long virtualTotal = 0x7FFFFFFE0000ULL;
  struct rlimit limit;
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < virtualTotal) {
    virtualTotal = limit.rlim_cur;
  }

  lpBuffer->dwLength = sizeof(MEMORYSTATUS);
  lpBuffer->dwMemoryLoad =
      f.total ? static_cast<DWORD>(100 - (f.available * 100) / f.total) : 0;
  lpBuffer->dwTotalPhys = f.total;
  lpBuffer->dwAvailPhys = f.available;
  lpBuffer->dwTotalPageFile = f.total + f.swapTotal;
  lpBuffer->dwAvailPageFile = f.available + f.swapFree;
  lpBuffer->dwTotalVirtual = virtualTotal;
  lpBuffer->dwAvailVirtual = virtualTotal;
}
