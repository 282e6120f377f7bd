// GetVersionExA: the layer stands in for Windows 2000 Professional (NT 5.0,
// build 2195, service pack 4), the system whose DirectX 9.0c it also reports
// in the registry.
#include <windows.h>

#include <cstring>

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = lpVersionInformation->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  lpVersionInformation->dwMajorVersion = 5;
  lpVersionInformation->dwMinorVersion = 0;
  lpVersionInformation->dwBuildNumber = 2195;
  lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  std::strcpy(lpVersionInformation->szCSDVersion, "Service Pack 4");
  if (size == sizeof(OSVERSIONINFOEXA)) {
    OSVERSIONINFOEXA* extended = reinterpret_cast<OSVERSIONINFOEXA*>(lpVersionInformation);
    extended->wServicePackMajor = 4;
    extended->wServicePackMinor = 0;
    extended->wSuiteMask = 0;
    extended->wProductType = VER_NT_WORKSTATION;
    extended->wReserved = 0;
  }
  return TRUE;
}
