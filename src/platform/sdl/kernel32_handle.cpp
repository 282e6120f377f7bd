#include "kernel32_handle.h"

#include <mutex>
#include <unordered_set>

namespace vsk::platform {

namespace {
std::mutex gHandlesLock;
std::unordered_set<KernelObject*>& LiveObjects() {
  static auto* objects = new std::unordered_set<KernelObject*>();
  return *objects;
}
}  // namespace

HANDLE RegisterHandle(KernelObject* object) {
  std::lock_guard<std::mutex> lock(gHandlesLock);
  LiveObjects().insert(object);
  return static_cast<HANDLE>(object);
}

KernelObject* LookupHandle(HANDLE handle) {
  std::lock_guard<std::mutex> lock(gHandlesLock);
  auto* object = static_cast<KernelObject*>(handle);
  return LiveObjects().count(object) ? object : nullptr;
}

KernelObject* UnregisterHandle(HANDLE handle) {
  std::lock_guard<std::mutex> lock(gHandlesLock);
  auto* object = static_cast<KernelObject*>(handle);
  return LiveObjects().erase(object) ? object : nullptr;
}

}  // namespace vsk::platform

BOOL CloseHandle(HANDLE hObject) {
  // The pseudo-handles of GetCurrentProcess (-1) and GetCurrentThread (-2)
  // need no closing; Windows accepts closing them and does nothing.
  if (hObject == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)) ||
      hObject == reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2))) {
    return TRUE;
  }
  vsk::platform::KernelObject* object = vsk::platform::UnregisterHandle(hObject);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete object;
  return TRUE;
}
