// Windows Sockets start-up. The game only starts and ends the library (it
// never opens a socket), so this is the bookkeeping of a Windows Sockets 1.1
// implementation: the version agreement and the count of start-ups.
#include <winsock.h>

#include <cstring>
#include <mutex>

namespace {

constexpr WORD kVersion11 = 0x0101;  // major 1 in the low byte, minor 1 in the high byte

std::mutex gMutex;
int gStartups = 0;

}  // namespace

int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  if (!lpWSAData) return WSAEFAULT;
  int major = wVersionRequested & 0xFF;
  int minor = (wVersionRequested >> 8) & 0xFF;
  std::memset(lpWSAData, 0, sizeof *lpWSAData);
  // What is granted is the lower of the request and 1.1; below 1.1 there is
  // nothing this implementation offers.
  lpWSAData->wVersion = kVersion11;
  lpWSAData->wHighVersion = kVersion11;
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  lpWSAData->iMaxSockets = 32767;
  lpWSAData->iMaxUdpDg = 65467;
  lpWSAData->lpVendorInfo = nullptr;
  std::strcpy(lpWSAData->szDescription, "WinSock 1.1 (Veskaria compatibility layer)");
  std::strcpy(lpWSAData->szSystemStatus, "Running");
  std::lock_guard<std::mutex> lock(gMutex);
  ++gStartups;
  return 0;
}

int WSACleanup(void) {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gStartups == 0) {
    SetLastError(WSANOTINITIALISED);
    return SOCKET_ERROR;
  }
  --gStartups;
  return 0;
}

// As on Windows, the sockets' error is the thread's last error.
int WSAGetLastError(void) { return static_cast<int>(GetLastError()); }
