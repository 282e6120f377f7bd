#include "startup/report.h"

#include <windows.h>

#include <intrin.h>
#include <objbase.h>
#include <winreg.h>

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "services/memory.h"
#include "sound/cdaudio.h"

namespace vsk {

namespace {

constexpr DWORD kRegistryText = 50;  // bytes read of each registry text

// A registry text of at most size - 1 characters into field; empty when
// the key or value is missing.
void ReadRegistryText(HKEY key, const char* value, char* field, DWORD size) {
  DWORD length = size - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(field), &length) != ERROR_SUCCESS)
    length = 0;
  field[length < size ? length : size - 1] = '\0';
}

bool SameText(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const auto x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    const int lx = (x >= 'A' && x <= 'Z') ? x + 32 : x, ly = (y >= 'A' && y <= 'Z') ? y + 32 : y;
    if (lx != ly) return false;
    if (!x) return true;
  }
}

void ReadProcessor(int32_t mhz) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return;
  ReadRegistryText(key, "Identifier", System.processor, kRegistryText);
  if (mhz) {
    const size_t used = std::strlen(System.processor);
    std::snprintf(System.processor + used, sizeof System.processor - used, " (%i MHz)", mhz);
  }
  ReadRegistryText(key, "VendorIdentifier", System.manufacturer, kRegistryText);
  RegCloseKey(key);
}

void NameWindows(const OSVERSIONINFOA& version) {
  char* name = System.windowsName;
  const size_t size = sizeof System.windowsName;
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      std::snprintf(name, size, "Microsoft Win32s ");
      return;
    case VER_PLATFORM_WIN32_WINDOWS:
      if (version.dwMajorVersion < 5 && (version.dwMajorVersion != 4 || version.dwMinorVersion == 0))
        std::snprintf(name, size, "Microsoft Windows 95");
      else
        std::snprintf(name, size, "Microsoft Windows 98");
      return;
    case VER_PLATFORM_WIN32_NT: {
      if (version.dwMajorVersion < 5) std::snprintf(name, size, "Microsoft Windows NT");
      else if (version.dwMajorVersion == 5) std::snprintf(name, size, "Microsoft Windows 2000");
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                        KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
      char type[80];
      ReadRegistryText(key, "ProductType", type, sizeof type);
      RegCloseKey(key);
      const size_t used = std::strlen(name);
      if (SameText(type, "WINNT")) std::snprintf(name + used, size - used, " WorkStation");
      else if (SameText(type, "SERVERNT")) std::snprintf(name + used, size - used, " Server");
      return;
    }
    default:
      return;
  }
}

void ReadOwner() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return;
  ReadRegistryText(key, "RegisteredOrganization", System.organization, kRegistryText);
  ReadRegistryText(key, "RegisteredOwner", System.owner, kRegistryText);
  RegCloseKey(key);
}

void ReportDirectX() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\DirectX", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    std::printf("DirectX: Failure I \n\n");
    return;
  }
  char version[256] = {};
  DWORD length = 255;
  DWORD type = 0;
  if (RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<LPBYTE>(version), &length) == ERROR_SUCCESS)
    std::printf("DirectX: %s\n\n", version);
  else
    std::printf("DirectX: Failure II \n\n");
  RegCloseKey(key);
}

char* CopyText(const char* text) {
  if (!text) text = "";
  const size_t length = std::strlen(text);
  auto* copy = static_cast<char*>(AllocVec(static_cast<uint32_t>(length + 1), MEMF_PUBLIC | MEMF_CLEAR));
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

GUID* CopyGuid(const GUID* guid) {
  auto* copy = static_cast<GUID*>(AllocVec(sizeof(GUID), MEMF_PUBLIC | MEMF_CLEAR));
  if (copy) *copy = *guid;
  return copy;
}

template <typename Node>
void Append(Node** list, Node* node) {
  while (*list) list = &(*list)->next;
  *list = node;
}

template <typename Node, typename Free>
void FreeList(Node** list, Free freeTexts) {
  while (Node* node = *list) {
    *list = node->next;
    freeTexts(node);
    FreeVec(node->guid);
    FreeVec(node);
  }
}

}  // namespace

int32_t MeasureCpuMhz() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  const int64_t deadline = now.QuadPart + frequency.QuadPart;
  const uint64_t start = __rdtsc();
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart <= deadline);
  const uint64_t end = __rdtsc();
  return static_cast<int32_t>((end - start) / 1000000u);
}

BOOL CALLBACK DDCallBackProc(GUID* guid, LPSTR description, LPSTR name, LPVOID context) {
  auto* system = static_cast<SystemContext*>(context);
  // A node the report cannot record is skipped; the devices are still listed.
  auto* node = static_cast<DisplayDeviceNode*>(AllocVec(sizeof(DisplayDeviceNode), MEMF_PUBLIC | MEMF_CLEAR));
  if (node) {
    node->description = CopyText(description);
    node->name = CopyText(name);
    node->guid = guid ? CopyGuid(guid) : nullptr;
    Append(&system->displayDevices, node);
  }
  std::printf("Grafikkarte  :\n");
  std::printf("Name         :   %s\n", name ? name : "");
  std::printf("Beschreibung :   %s\n", description ? description : "");

  CoInitialize(nullptr);
  IDirectDraw2* draw = nullptr;
  if (CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_ALL, IID_IDirectDraw2, reinterpret_cast<void**>(&draw)) !=
          S_OK ||
      !draw) {
    std::printf("DDCallBackProc:000");
  } else {
    if (draw->Initialize(guid) != DD_OK) {
      std::printf("DDCallBackProc:001");
    } else {
      DDCAPS driver{}, emulation{};
      driver.dwSize = emulation.dwSize = sizeof(DDCAPS);
      if (draw->GetCaps(&driver, &emulation) != DD_OK) std::printf("DDCallBackProc:002");
      if (node) {
        node->driverCaps = driver;
        node->emulationCaps = emulation;
      }
    }
    draw->Release();
  }
  CoUninitialize();
  return TRUE;
}

BOOL CALLBACK DSCallBackProc(LPGUID guid, LPCSTR description, LPCSTR module, LPVOID context) {
  if (!guid) return TRUE;  // the primary sound driver
  auto* system = static_cast<SystemContext*>(context);
  auto* node = static_cast<SoundDeviceNode*>(AllocVec(sizeof(SoundDeviceNode), MEMF_PUBLIC | MEMF_CLEAR));
  bool recorded = false;
  if (!node) {
    std::printf("DSCallBackProc: Konnte Speicher f\xfcr DirectSoundDevice nicht allokieren...\n");
  } else if (!(node->description = CopyText(description))) {
    std::printf("DSCallBackProc: Konnte Speicher f\xfcr SoundkartenName nicht allokieren...\n");
  } else if (!(node->module = CopyText(module)) || !(node->guid = CopyGuid(guid))) {
    std::printf("DSCallBackProc: Konnte Speicher f\xfcr ModulName nicht allokieren...\n");
  } else {
    recorded = true;
  }
  if (recorded) {
    std::printf("Sound        :\n");
    std::printf("Soundkarte   :   %s\n", node->description);
    std::printf("ModulName    :   %s\n\n", node->module);
    Append(&system->soundDevices, node);
    IDirectSound* sound = nullptr;
    if (DirectSoundCreate(guid, &sound, nullptr) != DS_OK || !sound) {
      std::printf("DSCALLBACKPROC:001\n");
    } else {
      node->caps = DSCAPS{};
      node->caps.dwSize = sizeof(DSCAPS);
      if (sound->GetCaps(&node->caps) != DS_OK) std::printf("DSCALLBACKPROC:002\n");
      sound->Release();
    }
  } else if (node) {
    FreeVec(node->description);
    FreeVec(node->module);
    FreeVec(node->guid);
    FreeVec(node);
  }
  system->systemFlags |= kReportSoundDevice;
  return TRUE;
}

void CheckSystem() {
  const int32_t mhz = MeasureCpuMhz();
  ReadProcessor(mhz);
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) {
    std::printf("CheckSystem : 000");
    return;
  }
  NameWindows(version);
  ReadOwner();
  System.memoryStatus.dwLength = sizeof System.memoryStatus;
  GlobalMemoryStatus(&System.memoryStatus);
  FreeSystemReport();  // a report made again lists each device once

  std::printf("\n\n\t---- System Information ----\n\n");
  std::printf("Processor        :   %s\n", System.processor);
  std::printf("Manufacturer     :   %s\n", System.manufacturer);
  std::printf("\n\n\n");
  std::printf("Windows Version  :   %s\n", System.windowsName);
  std::printf("Organization     :   %s\n", System.organization);
  std::printf("Owner            :   %s\n", System.owner);
  std::printf("\n\n\n");
  ReportDirectX();
  DirectDrawEnumerateA(DDCallBackProc, &System);
  if (DirectSoundEnumerateA(DSCallBackProc, &System) != DS_OK)
    std::printf("CheckSystem: Konnte DirectSound nicht enumerieren...\n");
  if (IsCD()) System.systemFlags |= kReportCdAudio;
  std::printf("\n\n\t---- End of System Information ----\n\n");
}

void FreeSystemReport() {
  FreeList(&System.displayDevices, [](DisplayDeviceNode* node) {
    FreeVec(node->name);
    FreeVec(node->description);
  });
  FreeList(&System.soundDevices, [](SoundDeviceNode* node) {
    FreeVec(node->description);
    FreeVec(node->module);
  });
}

}  // namespace vsk
