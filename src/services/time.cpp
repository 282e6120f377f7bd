#include "services/time.h"

#include <windows.h>

#include <cstdio>

namespace vsk {

namespace {
uint64_t AsNumber(const timeval* t) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(t->tv_secs)) << 32) | t->tv_micro;
}

void FromNumber(timeval* t, uint64_t value) {
  t->tv_secs = static_cast<int32_t>(static_cast<uint32_t>(value >> 32));
  t->tv_micro = static_cast<uint32_t>(value);
}
}  // namespace

void Delay(uint32_t ticks) { Sleep(static_cast<DWORD>(static_cast<uint64_t>(ticks) * 20u)); }

void AddTime(timeval* dest, const timeval* source) {
  if (!dest || !source) {
    std::printf("AddTime: Der uebergebene timeval ptr ist nicht valid!\n");
    return;
  }
  FromNumber(dest, AsNumber(dest) + AsNumber(source));
}

void SubTime(timeval* dest, const timeval* source) {
  if (!dest || !source) {
    std::printf("SubTime: \xdc" "bergebenere Ptr war nicht Valid.\n");
    return;
  }
  FromNumber(dest, AsNumber(dest) - AsNumber(source));
}

int8_t CmpTime(const timeval* a, const timeval* b) {
  if (!a || !b) {
    std::printf("CmpTime: Der uebergebene timeval ptr ist nicht valid!\n");
    return 0;
  }
  if (a->tv_secs != b->tv_secs) return a->tv_secs > b->tv_secs ? -1 : 1;
  int32_t microA = static_cast<int32_t>(a->tv_micro);
  int32_t microB = static_cast<int32_t>(b->tv_micro);
  if (microA != microB) return microA > microB ? -1 : 1;
  return 0;
}

}  // namespace vsk
