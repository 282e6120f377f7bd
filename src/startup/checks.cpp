// The start checks (sockets and DirectX), the TCP/IP stack selection and
// the caches released at the end.
#include <windows.h>
#include <winreg.h>
#include <winsock.h>

#include <cstdio>

#include "core/context.h"
#include "pictures/bank.h"
#include "services/memory.h"
#include "sound/sfx.h"
#include "startup/entry.h"

namespace vsk {

namespace {

constexpr const char* kCaption = "Veskaria";

void Box(const char* text) { MessageBoxA(nullptr, text, kCaption, MB_ICONHAND); }

}  // namespace

bool CheckDirectX() {
  if (WSAStartup(MAKEWORD(1, 1), &System.wsaData) != 0) {
    Box("TCP/IP Stack could not be started.\n");
    return false;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    Box("Please install at least DirectX 7.0");
    return false;
  }
  char version[256] = {};
  DWORD length = sizeof version - 1;
  DWORD type = 0;
  const bool read =
      RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<LPBYTE>(version), &length) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (!read || static_cast<unsigned char>(version[3]) < '7') {
    Box("Please Install at least DirectX 7.0");
    return false;
  }
  return true;
}

int32_t Start_TCP_IP() {
  if (System.tcpIpStack == kNoTcpIpStack) {
    std::printf("Start_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\n");
    return -1;
  }
  if (System.tcpIpStack == 4) System.runFlags |= kRunStackType4;
  return 1;
}

int32_t Quit_TCP_IP() {
  if (System.tcpIpStack == kNoTcpIpStack) {
    std::printf("Quit_TCP_IP: Kein TCP/IP-Stack gew\xe4hlt!\n");
    return -1;
  }
  return 0;
}

void ReleaseCaches(uint16_t mask) {
  if (mask & 1) {
    for (uint32_t i = 0; i < kPictureSlots; ++i) {
      FreeVec(PictureCache[i]);
      PictureCache[i] = nullptr;
      PictureCacheSize[i] = 0;
    }
  }
  if (mask & 2) {
    for (uint32_t i = 0; i < kSoundCacheSlots; ++i) {
      FreeVec(SoundCache[i]);
      SoundCache[i] = nullptr;
      SoundCacheSizes[i] = 0;
    }
  }
}

}  // namespace vsk
