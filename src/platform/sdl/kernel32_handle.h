// Kernel objects behind HANDLE values. A HANDLE is the address of a live
// KernelObject; CloseHandle destroys it. Handles are checked against the
// set of live objects, so a stale or made-up handle fails like on Windows
// (ERROR_INVALID_HANDLE) instead of being dereferenced.
#pragma once

#include <windows.h>

namespace vsk::platform {

struct KernelObject {
  virtual ~KernelObject() = default;
};

// Registers a new object and returns its handle.
HANDLE RegisterHandle(KernelObject* object);

// The live object of a handle, or null.
KernelObject* LookupHandle(HANDLE handle);

// Forgets the handle and returns its object (to be destroyed by the caller),
// or null when the handle is not live.
KernelObject* UnregisterHandle(HANDLE handle);

}  // namespace vsk::platform
